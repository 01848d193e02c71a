# What a release medium must hold and how each system reads it: rules of the
# release tool and its tests, over the program's own rules in rspure. Only
# the host trees build it: setup.exe never reads a medium this way.
if(NOT WIN32)
  file(GLOB _release CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
  add_library(rsrelease STATIC ${_release})
  target_compile_options(rsrelease PRIVATE ${OUR_WARNINGS} ${SAN})
  target_include_directories(rsrelease PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(rsrelease PUBLIC rspure)
  list(APPEND RS_HOST_TOOL_LIBS rsrelease)
endif()
