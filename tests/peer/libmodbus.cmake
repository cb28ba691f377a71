# vorel-cli read and write against a libmodbus RTU slave over a socat pseudo-terminal pair.
find_package(PkgConfig)
if(PkgConfig_FOUND)
  pkg_check_modules(LIBMODBUS IMPORTED_TARGET libmodbus)
endif()
find_program(SOCAT_PROGRAM socat)
if(LIBMODBUS_FOUND AND SOCAT_PROGRAM)
  add_executable(libmodbus_slave ${CMAKE_CURRENT_LIST_DIR}/libmodbus_slave.cpp)
  target_link_libraries(libmodbus_slave PRIVATE PkgConfig::LIBMODBUS)
  add_test(NAME peer.libmodbus
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/libmodbus_check.sh $<TARGET_FILE:vorel-cli>
                   $<TARGET_FILE:libmodbus_slave>)
  set_tests_properties(peer.libmodbus PROPERTIES TIMEOUT 120)
else()
  vorel_missing_peer_check(peer.libmodbus "libmodbus (libmodbus-dev) and socat")
endif()
