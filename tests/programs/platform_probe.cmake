# A probe that prints what the program would detect: DetectPlatform, the
# system language and code page, the display language and every table text
# after ToControlText. It carries setup.exe's own manifest, so Windows (and
# Wine) report the same version to it as to setup.exe.
if(RS_WIN32)
  add_executable(platform_probe ${CMAKE_CURRENT_LIST_DIR}/platform_probe/probe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/platform_probe/probe.rc)
  target_compile_options(platform_probe PRIVATE ${OUR_WARNINGS})
  target_link_libraries(platform_probe PRIVATE rscore)
  set_target_properties(platform_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testbin)
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/platform_probe/probe.rc PROPERTIES
    OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/assets/setup.manifest)
endif()
