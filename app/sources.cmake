list(APPEND RS_PURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/texts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/platform_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/language_rules.cpp)
list(APPEND RS_WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/platform.cpp
  ${CMAKE_CURRENT_LIST_DIR}/language.cpp)
