// Reading the port name out of a WM_DEVICECHANGE arrival or removal message.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// The name ("COM3") of the serial port a DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE message
// names, or nothing when it is about another kind of device or is malformed. Any program can send
// us this message, and Windows passes on the dbch_size bytes its header claims, so every field is
// checked against that size before it is read.
std::optional<std::wstring> PortNameOfDeviceBroadcast(const void* pHeader);
