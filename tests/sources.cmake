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
