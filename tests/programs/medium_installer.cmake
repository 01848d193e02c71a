# Stand-ins for the platform installers of the sample medium (XP64.exe,
# Vista32.exe, Vista64.exe): one program under three names that records that
# it ran, and where, in a marker file in its current directory.
if(RS_WIN32)
  foreach(name XP64 Vista32 Vista64)
    add_executable(medium_installer_${name} WIN32 ${CMAKE_CURRENT_LIST_DIR}/medium_installer/installer.cpp)
    target_compile_options(medium_installer_${name} PRIVATE ${OUR_WARNINGS})
    set_target_properties(medium_installer_${name} PROPERTIES OUTPUT_NAME ${name}
      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testbin/medium)
  endforeach()
endif()
