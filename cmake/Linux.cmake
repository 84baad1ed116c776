# Lumidot for Linux desktops (build/linux/lumidot): the shared logic, the Linux side of the seam
# (platform/linux: fcitx5 and IBus over D-Bus, the serial device, udev, the settings path) and the
# Qt front-end (qt/: tray, menu, dialogs). Its tests: the Linux side's unit tests and the
# end-to-end tests against the real input methods (tests/linux).
find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets DBus)
find_package(PkgConfig REQUIRED)
pkg_check_modules(UDEV REQUIRED IMPORTED_TARGET libudev)

set(LUMIDOT_LINUX_SOURCES
    platform/linux/ImeStatus.cpp
    platform/linux/Seam.cpp
    platform/linux/SerialDevice.cpp
    platform/linux/SerialPorts.cpp
    platform/linux/Session.cpp
    platform/linux/UdevMonitor.cpp
)
list(TRANSFORM LUMIDOT_LINUX_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/)
lumidot_library(lumidot_linux ${LUMIDOT_LINUX_SOURCES})
set_target_properties(lumidot_linux PROPERTIES AUTOMOC ON)
target_link_libraries(lumidot_linux PUBLIC Qt6::Core Qt6::DBus PkgConfig::UDEV)

add_executable(lumidot
    qt/Dialogs.cpp
    qt/LumidotApp.cpp
    qt/main.cpp
)
set_target_properties(lumidot PROPERTIES AUTOMOC ON)
target_link_libraries(lumidot PRIVATE lumidot_core lumidot_linux lumidot_posix lumidot_warnings
                      Qt6::Widgets Qt6::DBus)
# The tray shows the same generated lamps as the Windows edition.
qt_add_resources(lumidot lamps PREFIX /icons BASE ${PROJECT_SOURCE_DIR}/res/icons FILES
    ${PROJECT_SOURCE_DIR}/res/icons/LampOn.ico ${PROJECT_SOURCE_DIR}/res/icons/LampOff.ico
    ${PROJECT_SOURCE_DIR}/res/icons/LampOnNoPort.ico ${PROJECT_SOURCE_DIR}/res/icons/LampOffNoPort.ico)

enable_testing()
add_subdirectory(tests/linux)

# --- Installing: cmake --install, and the .deb made by cpack ---
include(GNUInstallDirs)
add_executable(icongen ${PROJECT_SOURCE_DIR}/tools/icongen/icongen.cpp)
target_link_libraries(icongen PRIVATE lumidot_warnings)
# The desktop's icon theme gets the application icon as PNGs, drawn by the same generator.
set(LUMIDOT_ICON_SIZES 16 32 64)
foreach(size ${LUMIDOT_ICON_SIZES})
    set(png ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}/lumidot.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}
        COMMAND icongen --app-png ${size} ${png}
        DEPENDS icongen VERBATIM)
    list(APPEND lumidot_pngs ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(lumidot_icons ALL DEPENDS ${lumidot_pngs})

install(TARGETS lumidot RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/res/lumidot.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/res/readme-linux-ja.txt DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lumidot
        RENAME README-ja.txt)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumidot)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Lumidot developers <lumidot@lumidot.example.jp>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Shows whether the input method is on, in the tray and on an LED at a serial port")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)

# The package is made and checked as a test, like the Windows zip.
add_test(NAME package_deb
         COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
         WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
set_tests_properties(package_deb PROPERTIES FIXTURES_SETUP deb)
add_test(NAME package_deb_contents
         COMMAND bash ${PROJECT_SOURCE_DIR}/tests/release/check_deb.sh
                 ${CMAKE_BINARY_DIR}/lumidot_${PROJECT_VERSION}_amd64.deb ${PROJECT_VERSION})
set_tests_properties(package_deb_contents PROPERTIES FIXTURES_REQUIRED deb)
