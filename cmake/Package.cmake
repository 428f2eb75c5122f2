# Install rules and the Debian package (CPack DEB, scripts/package.sh): the programs, the
# shipped settings, a desktop entry and icon, man pages, the Python client, a udev rule
# for USB-serial adapters and a systemd user unit, all under /usr.
include(GNUInstallDirs)

# scripts/package.sh builds the three programs only: installing must not build the tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(PKG ${CMAKE_SOURCE_DIR}/packaging)
set(PKG_OUT ${CMAKE_BINARY_DIR}/packaging)
set(PKG_MANS kelvorin.1 kelvorin-cmd.1 kelvorin-sim.1)
if(KELVORIN_TANGO)
  list(APPEND PKG_MANS kelvorin-tango.1)  # the program itself: tango/CMakeLists.txt
endif()
set(PKG_DOCS ${PKG_MANS} changelog)
set(PKG_GZ)
foreach(doc ${PKG_DOCS})
  add_custom_command(OUTPUT ${PKG_OUT}/${doc}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PKG_OUT}
    COMMAND gzip -9nc ${PKG}/${doc} > ${PKG_OUT}/${doc}.gz
    DEPENDS ${PKG}/${doc} VERBATIM)
  list(APPEND PKG_GZ ${PKG_OUT}/${doc}.gz)
endforeach()
add_custom_target(kelvorin_package_files DEPENDS ${PKG_GZ})

install(TARGETS kelvorin kelvorin-cmd kelvorin-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${SETTINGS_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvorin/settings)
install(FILES ${PKG}/kelvorin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PKG}/kelvorin.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
list(TRANSFORM PKG_MANS PREPEND ${PKG_OUT}/ OUTPUT_VARIABLE PKG_MAN_GZ)
list(TRANSFORM PKG_MAN_GZ APPEND .gz)
install(FILES ${PKG_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PKG_OUT}/changelog.gz ${PKG}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kelvorin)
install(FILES ${CMAKE_SOURCE_DIR}/clients/python/kelvorin.py
        DESTINATION lib/python3/dist-packages)
install(FILES ${PKG}/60-kelvorin-usb-serial.rules DESTINATION lib/udev/rules.d)
install(FILES ${PKG}/kelvorin.service DESTINATION lib/systemd/user)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvorin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_PACKAGE_CONTACT "Kelvorin developers <kelvorin@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "lift control for EZHR17 and IM483I stepper controllers")
# CPack puts the summary first and indents each of these lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Kelvorin drives a motorised lift: one vertical axis moved by a
stepper motor whose controller (EZHR17 or IM483I family) sits on a
serial port. An operator uses its small window; client programs
(kelvorin-cmd, the Python module kelvorin, MATLAB, LabVIEW) send
command lines through a local automation socket.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, not linked: the window on a display and the text boxes' font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
