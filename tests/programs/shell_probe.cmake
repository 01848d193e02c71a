# Runs the utility installation or one shortcut creation in a process of
# its own, so that a test can choose the Windows version it runs under.
if(RS_WIN32)
  add_executable(shell_probe
    ${CMAKE_CURRENT_LIST_DIR}/shell_probe/shell_probe.cpp
    ${CMAKE_SOURCE_DIR}/shell/shortcut.cpp ${CMAKE_SOURCE_DIR}/shell/shortcut_rules.cpp
    ${CMAKE_SOURCE_DIR}/shell/utilities.cpp ${CMAKE_SOURCE_DIR}/shell/utilities_rules.cpp
    ${CMAKE_SOURCE_DIR}/app/platform.cpp ${CMAKE_SOURCE_DIR}/app/platform_rules.cpp
    ${CMAKE_SOURCE_DIR}/app/language.cpp ${CMAKE_SOURCE_DIR}/app/language_rules.cpp
    ${CMAKE_SOURCE_DIR}/install/file_deploy.cpp ${CMAKE_SOURCE_DIR}/install/copy_table_rules.cpp
    ${CMAKE_SOURCE_DIR}/install/registry_io.cpp ${CMAKE_SOURCE_DIR}/install/program_files.cpp
    ${CMAKE_SOURCE_DIR}/install/program_files_rules.cpp
    ${CMAKE_SOURCE_DIR}/app/texts.cpp ${CMAKE_SOURCE_DIR}/base/system_api.cpp
    ${CMAKE_SOURCE_DIR}/app/run_context.cpp ${CMAKE_SOURCE_DIR}/app/switches_rules.cpp
    ${CMAKE_SOURCE_DIR}/app/outcome_rules.cpp
    ${CMAKE_SOURCE_DIR}/base/run_log.cpp ${CMAKE_SOURCE_DIR}/base/run_log_rules.cpp)
  target_compile_options(shell_probe PRIVATE ${OUR_WARNINGS})
  target_link_libraries(shell_probe PRIVATE ole32 oleaut32 uuid shell32 user32 advapi32 kernel32)
  set_target_properties(shell_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testbin)
endif()
