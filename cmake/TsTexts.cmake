# The English of the Linux edition's translation file as a C++ table, for the Windows edition, which
# has no Qt to read it: one English wording for both editions, kept in the .ts alone.
#
# lumidot_texts_from_ts(<file.ts> <header>) writes texts::kEnglish, pairs of the Japanese source
# text and its English, at configure time; a change of the .ts configures anew.
function(lumidot_texts_from_ts ts_file header)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ts_file})
    file(READ ${ts_file} ts)
    # Every entity ends in ";", which would split CMake's lists: it stands in as a control character.
    string(ASCII 1 semi)
    string(REPLACE ";" "${semi}" ts "${ts}")
    set(pair_regex "<source>([^<]*)</source>[ \t\r\n]*<translation>([^<]*)</translation>")
    string(REGEX MATCHALL "${pair_regex}" pairs "${ts}")
    set(rows "")
    foreach(pair IN LISTS pairs)
        string(REGEX MATCH "${pair_regex}" unused "${pair}")
        set(row "")
        set(separator "")
        foreach(text IN ITEMS "${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}")
            # XML's entities, then C's escapes.
            string(REPLACE "&#xd${semi}" "\r" text "${text}")
            string(REPLACE "&#xa${semi}" "\n" text "${text}")
            string(REPLACE "&lt${semi}" "<" text "${text}")
            string(REPLACE "&gt${semi}" ">" text "${text}")
            string(REPLACE "&quot${semi}" "\"" text "${text}")
            string(REPLACE "&apos${semi}" "'" text "${text}")
            string(REPLACE "&amp${semi}" "&" text "${text}")
            string(REPLACE "${semi}" ";" text "${text}")
            string(REPLACE "\\" "\\\\" text "${text}")
            string(REPLACE "\"" "\\\"" text "${text}")
            string(REPLACE "\r" "\\r" text "${text}")
            string(REPLACE "\n" "\\n" text "${text}")
            string(APPEND row "${separator}L\"${text}\"")
            set(separator ", ")
        endforeach()
        string(APPEND rows "    {${row}},\n")
    endforeach()
    if(rows STREQUAL "")
        message(FATAL_ERROR "${ts_file} holds no translations")
    endif()
    file(CONFIGURE OUTPUT ${header} CONTENT
"// Made from ${ts_file} by cmake/TsTexts.cmake; edit the .ts, not this file.
#pragma once

namespace texts {

struct Translation {
    const wchar_t* pszSource;  // the Japanese text, as core/Texts.h spells it
    const wchar_t* pszEnglish;
};

inline constexpr Translation kEnglish[] = {
${rows}};

}  // namespace texts
")
endfunction()
