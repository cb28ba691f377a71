# mbpoll (a Modbus master nobody here wrote) reads and writes vorel-sim's registers.
find_program(MBPOLL_PROGRAM mbpoll)
if(MBPOLL_PROGRAM)
  add_test(NAME peer.mbpoll_sim
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/mbpoll_check.sh $<TARGET_FILE:vorel-sim>)
  set_tests_properties(peer.mbpoll_sim PROPERTIES TIMEOUT 120)
else()
  vorel_missing_peer_check(peer.mbpoll_sim "mbpoll")
endif()
