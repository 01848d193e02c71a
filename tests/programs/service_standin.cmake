# Stand-in "SCardSvr" service program for the smart card service tests.
if(RS_WIN32)
  add_executable(scard_standin ${CMAKE_CURRENT_LIST_DIR}/service_standin/scard_standin.cpp)
  target_compile_options(scard_standin PRIVATE ${OUR_WARNINGS})
  target_link_libraries(scard_standin PRIVATE advapi32 kernel32)
  set_target_properties(scard_standin PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testbin)
endif()
