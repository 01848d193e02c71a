# Every .rc file here is compiled into setup.exe (resources found by name).
file(GLOB RS_SETUP_RESOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.rc)
