# The portable release: Lumidot-<version>-win64.zip with Lumidot.exe and the Japanese read-me,
# made by cpack and checked by ctest (`cmake --workflow --preset release`).

# The read-me is kept as plain UTF-8 with LF line ends. In the zip it gets a byte order mark and
# CR LF: Notepad before Windows 10 1903 may take a file without a BOM for Shift_JIS, and before
# 1809 it shows a file without CR LF as one long line.
set(LUMIDOT_README_SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/res/readme-ja.txt)
set(LUMIDOT_README ${CMAKE_CURRENT_BINARY_DIR}/README-ja.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${LUMIDOT_README_SOURCE})
file(READ ${LUMIDOT_README_SOURCE} readme_text)
string(REPLACE "\r\n" "\n" readme_text "${readme_text}")
if(NOT readme_text MATCHES "\n$")
    string(APPEND readme_text "\n")
endif()
string(REPLACE "\n" "\r\n" readme_text "${readme_text}")
string(ASCII 239 187 191 utf8_bom)
file(WRITE ${LUMIDOT_README} "${utf8_bom}${readme_text}")

# The read-me's name is ASCII because Explorer's built-in unzip ignores the zip's UTF-8 name
# flag on many Windows versions and would show a Japanese name garbled.
install(TARGETS Lumidot RUNTIME DESTINATION .)
install(FILES ${LUMIDOT_README} DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Lumidot)
set(CPACK_PACKAGE_VENDOR Lumidot)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(LUMIDOT_PACKAGE Lumidot-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_FILE_NAME ${LUMIDOT_PACKAGE})
# Everything sits in one folder named like the zip. Lumidot writes Lumidot.ini beside the exe, so
# the exe wants a folder of its own: with the folder inside the zip, dragging it out of Explorer's
# zip view or "extract here" in 7-Zip or Lhaplus gives one tidy folder instead of loose files in
# Downloads. Explorer's "Extract All" then nests it one level deeper, which costs nothing.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)

# The windows preset otherwise has no tests: "package" makes the zip, "package_contents" checks
# it. The check needs the fresh zip, so it is skipped (and counts as failed) when cpack failed.
enable_testing()
add_test(NAME package
         COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
         WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
set_tests_properties(package PROPERTIES FIXTURES_SETUP release_zip)
add_test(NAME package_contents
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/release/check_release.sh
                 ${CMAKE_BINARY_DIR}/${LUMIDOT_PACKAGE}.zip
                 $<TARGET_FILE:Lumidot> ${LUMIDOT_README_SOURCE} ${PROJECT_VERSION})
set_tests_properties(package_contents PROPERTIES FIXTURES_REQUIRED release_zip)
