rs_area_sources(${CMAKE_CURRENT_LIST_DIR})
