# Ends a program of the toolkit with its forms alive, the two ways the setup
# program can (tests/win/toolkit_program_end_test.cpp).
if(RS_WIN32)
  add_executable(program_end ${CMAKE_CURRENT_LIST_DIR}/program_end/program_end.cpp)
  target_compile_options(program_end PRIVATE ${OUR_WARNINGS})
  target_link_libraries(program_end PRIVATE rscore)
  set_target_properties(program_end PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testbin)
endif()
