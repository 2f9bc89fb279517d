# The Debian package: `cpack -G DEB` in the build folder (scripts/package)
# makes zorvane-change-hotkey_<version>_amd64.deb of what `cmake --install`
# installs, under /usr, with its libraries from dpkg-shlibdeps.
include(GNUInstallDirs)
set(ZORVANE_PACKAGE zorvane-change-hotkey)

# Debian keeps a package's copyright and changelog beside its other documents,
# and its manual pages and changelog compressed without a timestamp.
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/${ZORVANE_PACKAGE})
foreach(pair "changelog.gz|data/debian/changelog" "zorvane-change-hotkey.1.gz|data/zorvane-change-hotkey.1"
             "zorvane-keyboard-service.8.gz|data/zorvane-keyboard-service.8")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 output)
  list(GET pair 1 input)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/package/${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/package
    COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/${input} > ${PROJECT_BINARY_DIR}/package/${output}
    DEPENDS ${PROJECT_SOURCE_DIR}/${input} VERBATIM)
  list(APPEND compressed ${PROJECT_BINARY_DIR}/package/${output})
endforeach()
add_custom_target(package_documents ALL DEPENDS ${compressed})
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright ${PROJECT_BINARY_DIR}/package/changelog.gz
        DESTINATION ${docdir})
install(FILES ${PROJECT_BINARY_DIR}/package/zorvane-change-hotkey.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_BINARY_DIR}/package/zorvane-keyboard-service.8.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${ZORVANE_PACKAGE})
set(CPACK_PACKAGE_VERSION ${ZORVANE_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Zorvane <packages@zorvane.com>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "reach an application's shortcut through a chord of your own
Ten slots each pair a system-wide trigger chord with a target of one to
three keys. When the trigger is pressed in any application, the program
types the target keys, so that the focused application receives its own
shortcut, with no key left down and no input method disturbed.

It lives in the notification area, keeps its settings in
~/.config/zorvane-change-hotkey/set.ini, and its interface is in Chinese.
Triggers work in every window in an X11 session and on sway; on GNOME and
KDE under Wayland, only in X11 (Xwayland) windows.

The package also holds zorvane-keyboard-service, a system service that reads
every keyboard and passes its keys on through one virtual keyboard, for
triggers below the desktop. It is installed, not enabled.")
# The keyboard service's maintainer scripts: it is stopped before removal and
# forgotten on purge; it is never enabled here.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/data/debian/postinst
  ${PROJECT_SOURCE_DIR}/data/debian/prerm
  ${PROJECT_SOURCE_DIR}/data/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# A Wayland desktop without Xwayland shows the window through Qt's Wayland support.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)
