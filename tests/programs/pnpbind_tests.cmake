# Test pieces for the binding library:
#   testbin/realbind/           the real pnpbind.dll (win32) and pnpbind64.exe
#                               (win64), in a folder of their own: testbin's
#                               pnpbind.dll is the engine tests' stand-in
#   testbin/newdev-standin/x86/newdev.dll, .../x64/newdev.dll
#                               the stand-in platform driver-update library,
#                               with rsnewdevdep.dll, a library it imports
# run-win-tests.sh merges win64/testbin into the test folder.
set(_pnpbind_src ${CMAKE_SOURCE_DIR}/tests/programs/pnpbind_newdev/newdev_standin.cpp)

if(RS_WIN32 OR RS_WIN64)
  if(RS_WIN32)
    set(_standin_dir ${CMAKE_BINARY_DIR}/testbin/newdev-standin/x86)
  else()
    set(_standin_dir ${CMAKE_BINARY_DIR}/testbin/newdev-standin/x64)
  endif()
  add_library(pnpbind_newdev_dep SHARED ${CMAKE_CURRENT_LIST_DIR}/pnpbind_newdev/newdev_dep.cpp)
  set_target_properties(pnpbind_newdev_dep PROPERTIES PREFIX "" OUTPUT_NAME rsnewdevdep
    RUNTIME_OUTPUT_DIRECTORY ${_standin_dir} LIBRARY_OUTPUT_DIRECTORY ${_standin_dir})
  target_compile_options(pnpbind_newdev_dep PRIVATE ${OUR_WARNINGS})

  add_library(pnpbind_newdev_standin SHARED ${_pnpbind_src})
  set_target_properties(pnpbind_newdev_standin PROPERTIES PREFIX "" OUTPUT_NAME newdev
    RUNTIME_OUTPUT_DIRECTORY ${_standin_dir} LIBRARY_OUTPUT_DIRECTORY ${_standin_dir})
  target_compile_options(pnpbind_newdev_standin PRIVATE ${OUR_WARNINGS})
  target_include_directories(pnpbind_newdev_standin PRIVATE ${CMAKE_SOURCE_DIR})
  # The platform's export is undecorated in the 32-bit build too.
  target_link_options(pnpbind_newdev_standin PRIVATE -Wl,--kill-at)
  target_link_libraries(pnpbind_newdev_standin PRIVATE pnpbind_newdev_dep advapi32)
endif()

# The real product piece copied into testbin/realbind.
function(pnpbind_copy_to_realbind target file)
  set(_out ${CMAKE_BINARY_DIR}/testbin/realbind/${file})
  add_custom_command(OUTPUT ${_out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/testbin/realbind
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${_out}
    DEPENDS ${target})
  add_custom_target(${target}_realbind ALL DEPENDS ${_out})
endfunction()

if(RS_WIN32)
  pnpbind_copy_to_realbind(pnpbind pnpbind.dll)
endif()
if(RS_WIN64)
  pnpbind_copy_to_realbind(pnpbind64 pnpbind64.exe)
endif()
