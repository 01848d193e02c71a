# Host programs of the tools (the Windows trees build none of them).
if(NOT WIN32)
  # medium_layout: lays out and checks an installation medium
  # (tools/make-medium.sh), over the release medium's rules in rsrelease.
  add_library(rsmedium STATIC ${CMAKE_CURRENT_LIST_DIR}/medium_layout/medium_layout.cpp
              ${CMAKE_CURRENT_LIST_DIR}/medium_layout/disc_image.cpp
              ${CMAKE_CURRENT_LIST_DIR}/medium_layout/file_writes.cpp
              ${CMAKE_CURRENT_LIST_DIR}/medium_layout/output_folder.cpp
              ${CMAKE_CURRENT_LIST_DIR}/medium_layout/record.cpp
              ${CMAKE_CURRENT_LIST_DIR}/medium_layout/sha256.cpp
              ${CMAKE_CURRENT_LIST_DIR}/medium_layout/source_tree.cpp)
  target_compile_options(rsmedium PRIVATE ${OUR_WARNINGS} ${SAN})
  target_include_directories(rsmedium PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(rsmedium PUBLIC rsrelease)
  target_sources(rsmedium PRIVATE ${CMAKE_CURRENT_LIST_DIR}/medium_layout/inf_check.cpp)
  target_sources(rsmedium PRIVATE ${CMAKE_CURRENT_LIST_DIR}/medium_layout/windows_names.cpp)
  # The record digests every file of a medium twice a run: optimised even
  # in the debug tree.
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/medium_layout/sha256.cpp PROPERTIES COMPILE_OPTIONS -O2)
  add_executable(medium_layout ${CMAKE_CURRENT_LIST_DIR}/medium_layout/main.cpp)
  target_compile_options(medium_layout PRIVATE ${OUR_WARNINGS} ${SAN})
  target_link_options(medium_layout PRIVATE ${SAN})
  target_link_libraries(medium_layout PRIVATE rsmedium)
  list(APPEND RS_HOST_TOOL_LIBS rsmedium)
endif()
