rs_area_sources(${CMAKE_CURRENT_LIST_DIR})
# The toolkit's resources, linked into setup.exe and the Wine tests.
set(RS_TOOLKIT_RESOURCES ${CMAKE_CURRENT_LIST_DIR}/toolkit.rc)
