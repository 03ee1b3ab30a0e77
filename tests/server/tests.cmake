# The service's tests start the built orvetta-server (and a throw-away PostgreSQL cluster) and
# talk to it over HTTP with cpp-httplib's client.
target_link_libraries(${name} PRIVATE orvetta_server_core PkgConfig::HTTPLIB)
target_compile_definitions(${name} PRIVATE
  ORVETTA_SERVER_PROGRAM="$<TARGET_FILE:orvetta-server>")
add_dependencies(${name} orvetta-server)
