# Test files are picked up by folder: host/ (unit), win/ (under Wine), e2e/.
file(GLOB RS_HOST_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/host/*.cpp)
file(GLOB RS_WIN_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/win/*.cpp)
file(GLOB RS_E2E_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/e2e/*.cpp)
# Helper programs of the tests (stand-ins, probes, the robot) live in
# tests/programs/<name>.cmake, each adding its own targets.
file(GLOB RS_TEST_PROGRAMS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/programs/*.cmake)
foreach(p ${RS_TEST_PROGRAMS})
  include(${p})
endforeach()
# The fuzz target over the INF reader and the medium's path rules: only in
# the clang tree of tools/build.sh (RS_FUZZ).
if(RS_FUZZ)
  add_executable(inf_fuzz ${CMAKE_CURRENT_LIST_DIR}/fuzz/inf_fuzz.cpp)
  target_compile_options(inf_fuzz PRIVATE ${OUR_WARNINGS} ${SAN})
  target_link_options(inf_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(inf_fuzz PRIVATE rsmedium)
endif()
