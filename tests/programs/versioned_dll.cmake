# Stand-ins for a system DLL of file version 5.0.0.0, 6.0.0.0 or 7.0.0.0.
if(RS_WIN32)
  foreach(major 5 6 7)
    add_library(versioned_dll_${major} SHARED ${CMAKE_CURRENT_LIST_DIR}/versioned_dll/versioned.rc
      ${CMAKE_CURRENT_LIST_DIR}/versioned_dll/versioned.cpp)
    target_compile_definitions(versioned_dll_${major} PRIVATE RS_MAJOR=${major})
    set_target_properties(versioned_dll_${major} PROPERTIES PREFIX "" OUTPUT_NAME versioned-${major}
      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testbin)
  endforeach()
endif()
