# Lumidot.exe: the shared logic, the Windows side of the seam, the real Win32 calls, our MFC-style
# layer, the application and its resources. Unicode throughout, statically linked so it needs only
# Windows' own DLLs.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
target_compile_definitions(lumidot_win32 PUBLIC UNICODE _UNICODE WINVER=0x0601 _WIN32_WINNT=0x0601)

add_executable(Lumidot WIN32
    afx/Dialog.cpp
    afx/WinApp.cpp
    app/IndicatorApp.cpp
    app/IndicatorDlg.cpp
    app/Tick.cpp
    platform/win32/SystemCalls.cpp
    ui/TrayMenu.cpp
    res/Lumidot.rc
)
target_link_libraries(Lumidot PRIVATE lumidot_core lumidot_win32 lumidot_warnings
                      imm32 shell32 comctl32 user32 gdi32 advapi32 kernel32)
# The resource script finds version.h and the manifest among the generated files.
target_include_directories(Lumidot PRIVATE ${LUMIDOT_GENERATED})
target_link_options(Lumidot PRIVATE -municode -static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections)

# The end-to-end test driver and its helper DLL run inside Wine next to Lumidot.exe.
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/e2e/win/CMakeLists.txt)
    add_subdirectory(tests/e2e/win)
endif()

include(cmake/Package.cmake)
