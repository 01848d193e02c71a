# Stand-in binding library for the integration tests: same name, same
# ordinal 1; fails as often as the test asks, recording every call.
# Also the small program the external-installer tests start and wait for,
# and one that runs single engine operations in a process of their own.
if(RS_WIN32)
  add_library(engine_standin_pnpbind SHARED
    ${CMAKE_CURRENT_LIST_DIR}/engine_standin_pnpbind/standin.cpp
    ${CMAKE_SOURCE_DIR}/pnpbind/pnpbind.def)
  set_target_properties(engine_standin_pnpbind PROPERTIES
    PREFIX "" OUTPUT_NAME pnpbind
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testbin
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testbin
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/engine_standin_implib)
  target_compile_options(engine_standin_pnpbind PRIVATE ${OUR_WARNINGS})
  target_include_directories(engine_standin_pnpbind PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(engine_standin_pnpbind PRIVATE advapi32 kernel32)

  add_executable(engine_waitprobe WIN32 ${CMAKE_CURRENT_LIST_DIR}/engine_waitprobe/waitprobe.cpp)
  set_target_properties(engine_waitprobe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testbin)
  target_compile_options(engine_waitprobe PRIVATE ${OUR_WARNINGS})

  # Single engine operations in a process of their own.
  add_executable(engine_probe WIN32 ${CMAKE_CURRENT_LIST_DIR}/engine_probe/probe.cpp)
  set_target_properties(engine_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testbin)
  target_compile_options(engine_probe PRIVATE ${OUR_WARNINGS})
  target_link_libraries(engine_probe PRIVATE rscore)

  # The sample medium's driver package for the staging tests.
  configure_file(${CMAKE_SOURCE_DIR}/tools/medium/Setup/drivers/winxp/orvex.inf
                 ${CMAKE_BINARY_DIR}/testbin/sample-medium/Drivers/winxp/orvex.inf COPYONLY)
endif()
