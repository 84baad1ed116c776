# Lumidot.exe: the logic, the real system calls, our MFC-style layer, the application and its
# resources. Unicode throughout, statically linked so it needs only Windows' own DLLs.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")

add_executable(Lumidot WIN32
    afx/Dialog.cpp
    afx/WinApp.cpp
    app/IndicatorApp.cpp
    app/IndicatorDlg.cpp
    platform/win32/SystemCalls.cpp
    ui/TrayMenu.cpp
    res/Lumidot.rc
)
target_link_libraries(Lumidot PRIVATE lumidot_logic imm32 shell32 comctl32 user32 gdi32 kernel32)
target_compile_definitions(Lumidot PRIVATE UNICODE _UNICODE)
target_compile_options(Lumidot PRIVATE ${LUMIDOT_WARNINGS})
target_link_options(Lumidot PRIVATE -municode -static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections)
target_compile_definitions(lumidot_logic PUBLIC UNICODE _UNICODE WINVER=0x0601 _WIN32_WINNT=0x0601)

# The end-to-end test driver and its helper DLL run inside Wine next to Lumidot.exe.
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/e2e/win/CMakeLists.txt)
    add_subdirectory(tests/e2e/win)
endif()

include(cmake/Package.cmake)
