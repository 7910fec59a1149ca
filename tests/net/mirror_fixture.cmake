# tamari_add_mirror_fixture(name): CTest fixture `name` that starts the loopback
# mirrors of tools/testservers/mirror_servers.py for the tests that require it, on
# free addresses of 127.0.0.20-49, so that parallel tests never share a server.
find_program(TAMARI_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
set(TAMARI_MIRROR_FIRST 20 CACHE STRING "first 127.0.0.x address of the test mirrors")
set(TAMARI_MIRROR_LAST 49 CACHE STRING "last 127.0.0.x address of the test mirrors")
set(TAMARI_MIRROR_TIME_LIMIT 1800 CACHE STRING "seconds after which a test mirror stops by itself")

function(tamari_add_mirror_fixture name)
  set(script ${TAMARI_SYSTEM_PYTHON} ${CMAKE_SOURCE_DIR}/tools/testservers/mirror_servers.py)
  set(state ${CMAKE_CURRENT_BINARY_DIR}/${name})
  add_test(NAME ${name}_start COMMAND ${script} start --state ${state} --first ${TAMARI_MIRROR_FIRST}
           --last ${TAMARI_MIRROR_LAST} --time-limit ${TAMARI_MIRROR_TIME_LIMIT})
  add_test(NAME ${name}_stop COMMAND ${script} stop --state ${state})
  set_tests_properties(${name}_start PROPERTIES FIXTURES_SETUP ${name} LABELS mirror TIMEOUT 120)
  set_tests_properties(${name}_stop PROPERTIES FIXTURES_CLEANUP ${name} LABELS mirror TIMEOUT 60)
endfunction()

# tamari_use_mirror_fixture(test fixture [TZ]): the test needs the fixture's servers,
# which it finds through TAMARI_MIRROR_STATE; it runs in Tokyo time (UTC+9 all
# year) unless another zone is named, so that conversions to local time show.
function(tamari_use_mirror_fixture test fixture)
  set(zone Asia/Tokyo)
  if(ARGC GREATER 2)
    set(zone ${ARGV2})
  endif()
  set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED ${fixture}
    ENVIRONMENT "TAMARI_MIRROR_STATE=Z:${CMAKE_CURRENT_BINARY_DIR}/${fixture};TZ=${zone}")
endfunction()
