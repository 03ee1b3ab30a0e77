# The Linux platform's tests run under Xvfb (the XTEST poster, the active-window watch) and with
# umockdev's preload library (udev and hidraw in a testbed); see run-tests.
pkg_check_modules(UMOCKDEV REQUIRED IMPORTED_TARGET umockdev-1.0)
target_link_libraries(${name} PRIVATE PkgConfig::UMOCKDEV)
set(test_launcher ${CMAKE_CURRENT_SOURCE_DIR}/platform/linux/run-tests)
if(TARGET orvetta-tool)
  add_dependencies(${name} orvetta-tool)  # the devices and record verbs run in the testbed
endif()
# umockdev's GLib headers name a member "signals", a word the precompiled Qt headers define.
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/platform/linux/hid_testbed_helpers.cpp
  PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
