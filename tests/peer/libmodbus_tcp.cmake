# vorel-cli over TCP against the libmodbus RTU slave, its line bridged to TCP by socat.
if(TARGET libmodbus_slave)
  add_test(NAME peer.libmodbus_tcp
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/libmodbus_tcp_check.sh $<TARGET_FILE:vorel-cli>
                   $<TARGET_FILE:libmodbus_slave>)
  set_tests_properties(peer.libmodbus_tcp PROPERTIES TIMEOUT 120)
else()
  vorel_missing_peer_check(peer.libmodbus_tcp "libmodbus (libmodbus-dev) and socat")
endif()
