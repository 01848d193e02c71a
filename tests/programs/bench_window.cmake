# The benchmark's yardstick: the smallest Win32 program of the same toolchain
# and link options that shows an empty window of the setup window's size.
if(RS_WIN32)
  add_executable(bench_window WIN32 ${CMAKE_CURRENT_LIST_DIR}/bench_window/bench_window.cpp)
  target_compile_options(bench_window PRIVATE ${OUR_WARNINGS})
  set_target_properties(bench_window PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testbin)
endif()
