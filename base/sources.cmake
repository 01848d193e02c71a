# The run-time entries of shell32, ole32 and setupapi (the program and its
# tests). lean_runtime.cpp is not listed: only the shipped programs take it.
list(APPEND RS_WIN_SOURCES ${CMAKE_CURRENT_LIST_DIR}/system_api.cpp ${CMAKE_CURRENT_LIST_DIR}/run_log.cpp)
# Logic without Windows, host-tested.
list(APPEND RS_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/run_log_rules.cpp)
