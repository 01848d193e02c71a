rs_area_sources(${CMAKE_CURRENT_LIST_DIR})
# The text tables are plain data: the host tests check them too.
list(REMOVE_ITEM RS_WIN_SOURCES ${CMAKE_CURRENT_LIST_DIR}/texts.cpp)
list(APPEND RS_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/texts.cpp)
