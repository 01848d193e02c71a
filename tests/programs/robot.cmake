# The robot: a console program of the end-to-end tests that runs in the same
# prefix and desktop as setup.exe, finds its windows, reads their texts and
# positions, types, clicks and answers message boxes, and prints UTF-8 lines.
if(RS_WIN32)
  add_executable(robot ${CMAKE_CURRENT_LIST_DIR}/robot/robot.cpp ${CMAKE_CURRENT_LIST_DIR}/robot/watch.cpp)
  target_include_directories(robot PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(robot PRIVATE ${OUR_WARNINGS})
  target_link_libraries(robot PRIVATE shell32 psapi gdi32 user32 kernel32)
  set_target_properties(robot PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testbin)
endif()
