#include "windows/system/DeviceEvents.h"

#include <cstdint>
#include <cstring>

namespace {

// DEV_BROADCAST_HDR: dbch_size, dbch_devicetype, dbch_reserved; DEV_BROADCAST_PORT_W then holds
// the UTF-16 name, terminated, from offset 12. Read field by field: the message may come from a
// program whose buffer has no particular alignment.
constexpr std::size_t kHeaderSize = 12;
constexpr std::uint32_t kDevTypePort = 3;  // DBT_DEVTYP_PORT

std::uint32_t ReadU32(const unsigned char* p)
{
    std::uint32_t n;
    std::memcpy(&n, p, sizeof n);
    return n;
}

}  // namespace

std::optional<std::wstring> PortNameOfDeviceBroadcast(const void* pHeader)
{
    if (pHeader == nullptr)
        return std::nullopt;
    const auto* p = static_cast<const unsigned char*>(pHeader);
    // The size field comes first, so it can be read before anything is known.
    const std::uint32_t cbSize = ReadU32(p);
    if (cbSize < kHeaderSize + sizeof(char16_t) || ReadU32(p + 4) != kDevTypePort)
        return std::nullopt;
    std::wstring strName;
    for (std::size_t i = kHeaderSize; i + sizeof(char16_t) <= cbSize; i += sizeof(char16_t)) {
        char16_t ch;
        std::memcpy(&ch, p + i, sizeof ch);
        if (ch == u'\0')
            return strName.empty() ? std::nullopt : std::optional<std::wstring>(strName);
        strName += static_cast<wchar_t>(ch);
    }
    return std::nullopt;  // no terminator within the message
}
