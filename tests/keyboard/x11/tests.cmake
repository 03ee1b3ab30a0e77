# The keyboard panel as an X window on Xvfb, typed at through XTEST; see run-tests.
target_sources(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/platform/linux/x11_client_helpers.cpp)
set(test_launcher ${CMAKE_CURRENT_SOURCE_DIR}/keyboard/x11/run-tests)
