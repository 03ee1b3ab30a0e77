# What `make install` and the Debian package put where.

option(ORVETTA_INSTALL_AUTOSTART "Start Orvetta at every login for every user" OFF)

# udev reads rules from /usr/lib/udev/rules.d (packages) and /etc/udev/rules.d (local installs);
# a rule under /usr/local is never read.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(default_udev_rules_dir "lib/udev/rules.d")
else()
  set(default_udev_rules_dir "/etc/udev/rules.d")
endif()
set(ORVETTA_UDEV_RULES_DIR "${default_udev_rules_dir}" CACHE STRING "Where the udev rule goes")

foreach(program orvetta orvetta-tool)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT orvetta)
  endif()
endforeach()

set(linux_resources ${CMAKE_SOURCE_DIR}/resources/linux)
install(FILES ${linux_resources}/orvetta.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT orvetta)
install(FILES ${CMAKE_SOURCE_DIR}/resources/orvetta-menubar.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME orvetta.svg
  COMPONENT orvetta)
# The autostart entry that a user copies to ~/.config/autostart. (The icons and the built-in
# policy are compiled into the program.)
install(FILES ${linux_resources}/orvetta-autostart.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/orvetta COMPONENT orvetta)
# The rule as configured: it runs the orvetta-tool installed here.
install(FILES ${CMAKE_BINARY_DIR}/generated/70-orvetta.rules
  DESTINATION ${ORVETTA_UDEV_RULES_DIR} COMPONENT orvetta)
install(FILES ${CMAKE_BINARY_DIR}/generated/70-orvetta.rules
  DESTINATION ${CMAKE_INSTALL_DATADIR}/orvetta COMPONENT orvetta)
if(ORVETTA_INSTALL_AUTOSTART)
  install(FILES ${linux_resources}/orvetta-autostart.desktop
    DESTINATION ${CMAKE_INSTALL_SYSCONFDIR}/xdg/autostart RENAME orvetta.desktop
    COMPONENT orvetta)
endif()
# The user guide that Help and the permission alerts open (ORVETTA_HELP_URL points at it unless a
# web page is configured).
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${linux_resources}/guide.html
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvetta COMPONENT orvetta)

# orvetta-server, the service: the program, its systemd unit and an example policy.
if(TARGET orvetta-server)
  set(server_resources ${CMAKE_SOURCE_DIR}/resources/server)
  install(TARGETS orvetta-server RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT server)
  configure_file(${server_resources}/orvetta-server.service.in
    ${CMAKE_BINARY_DIR}/orvetta-server.service @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/orvetta-server.service
    DESTINATION lib/systemd/system COMPONENT server)
  install(FILES ${server_resources}/policy.json
    DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/orvetta-server COMPONENT server)
  install(FILES ${server_resources}/policy.json
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvetta-server RENAME policy.example.json
    COMPONENT server)
endif()

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "orvetta")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "marrowfen")
set(CPACK_PACKAGE_CONTACT "marrowfen <support@orvetta.example>")
# Each package's description begins with its summary line (so there is no common summary).
set(CPACK_DEBIAN_ORVETTA_DESCRIPTION "USB touch displays as touch, pen and eraser input
Orvetta turns a USB touch display that reports touches with the HID digitizer protocol into\
 touch, pen and eraser input for the whole desktop, with an on-screen keyboard, settings profiles\
 per application and a compatibility check. It lives in the system tray.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RELEASE "${ORVETTA_BUILD}")
# Two packages: orvetta (the application) and orvetta-server (the service).
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL orvetta server)
set(CPACK_DEBIAN_ORVETTA_PACKAGE_NAME "orvetta")
set(CPACK_DEBIAN_ORVETTA_PACKAGE_SECTION "utils")
# The platform plugins show the windows; udev applies the rule.
set(CPACK_DEBIAN_ORVETTA_PACKAGE_DEPENDS "qt6-qpa-plugins, udev")
set(CPACK_DEBIAN_ORVETTA_PACKAGE_CONTROL_EXTRA
  "${linux_resources}/debian/postinst;${linux_resources}/debian/postrm")
set(CPACK_DEBIAN_SERVER_PACKAGE_NAME "orvetta-server")
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION "net")
set(CPACK_DEBIAN_SERVER_DESCRIPTION "Orvetta service: compatibility reports and app policy
orvetta-server collects the compatibility reports of a fleet's touch displays, shows which\
 display models work, and hands out the app policy (messages, minimum version, update link)\
 to the fleet's Orvetta installations. It keeps its data in SQLite, or in PostgreSQL shared by\
 several servers.")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA
  "${server_resources}/debian/postinst;${server_resources}/debian/prerm;${server_resources}/debian/postrm;${server_resources}/debian/conffiles")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
