// Private-profile (INI) text read and edited in memory. A file is just its bytes here; reading and
// writing the file itself is a thin layer on top (platform/native/Profile.cpp), so every rule below
// can be tested without touching a disk.
//
// The rules follow what the Windows private-profile functions show to a caller:
// - A line ends at '\n'; a '\r' just before it belongs to the line end. Any other byte, NUL
//   included, is ordinary text.
// - "[name]" starts a section; the name is the text up to the first ']', without the white space
//   around it. Lines before the first section belong to none.
// - "name=value" is a key; white space around the name and around the value is ignored, and one
//   pair of matching quotes ("..." or '...') around the value is removed, as Windows does.
// - Lines starting with ';' or '#', and lines that are neither a section nor hold an '=', are
//   never matched; they are kept like every other line.
// - Names match without regard to ASCII letter case. If a section or a key appears twice, only the
//   first one counts, for reading and for writing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ini {

// The value of key in section, or nullopt when the section or the key is missing. A key with
// nothing after the '=' gives an empty text.
std::optional<std::string> ReadValue(std::string_view strContent, std::string_view strSection,
                                     std::string_view strKey);

// strContent with key set to value in section. Only the value of an existing key line changes (its
// indentation, spelling and line end stay); a missing key gets a new line after the last key of
// the section; a missing section is appended at the end of the file. Every other line is kept byte
// for byte. New lines end like the file's first line end, or with CR LF when the file has none.
std::string WriteValue(std::string_view strContent, std::string_view strSection,
                       std::string_view strKey, std::string_view strValue);

}  // namespace ini
