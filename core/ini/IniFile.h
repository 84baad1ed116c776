// Private-profile (INI) text read and edited in memory. A file is just its bytes here; reading and
// writing the file itself is a thin layer on top (linux/system/Profile.cpp), so every rule below
// can be tested without touching a disk.
//
// The rules follow what the Windows private-profile functions show to a caller:
// - A line ends at LF, CR LF or a lone CR. Any other byte, NUL included, is ordinary text.
// - "[name]" starts a section; the name is the text up to the last ']' on the line, without the
//   white space around it. Lines before the first section belong to none.
// - "name=value" is a key; white space around the name and around the value is ignored, and one
//   pair of matching quotes ("..." or '...') around the value is removed, as Windows does.
// - Lines starting with ';' or '#', and blank lines, are never matched; they are kept like every
//   other line.
// - Any other line without an '=' is a key without a value: reading it gives nothing, as if it
//   were missing, yet it hides a later twin. A '[' with no ']' after it starts no section; that
//   line is a key like any other.
// - Names match without regard to ASCII letter case. If a section or a key appears twice, only the
//   first one counts, for reading and for writing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ini {

// The value of key in section, or nullopt when the section or the key is missing or the key's line
// has no '='. A key with nothing after the '=' gives an empty text.
std::optional<std::string> ReadValue(std::string_view strContent, std::string_view strSection,
                                     std::string_view strKey);

// strContent with key set to value in section. Only the value of an existing key line changes (its
// indentation, spelling and line end stay; a line without '=' gets "=value" after the name); a
// missing key gets a new line after the last key of the section; a missing section is appended at
// the end of the file. Every other line is kept byte for byte. New lines end like the file's first
// line end, or with CR LF when the file has none or when a lone CR would run into a following LF.
std::string WriteValue(std::string_view strContent, std::string_view strSection,
                       std::string_view strKey, std::string_view strValue);

}  // namespace ini
