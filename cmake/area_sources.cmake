# rs_area_sources(DIR): files named *_rules.cpp hold logic without Windows
# and are built for the host tests too; every other .cpp of the area is the
# Windows side of setup.exe.
macro(rs_area_sources dir)
  file(GLOB _pure CONFIGURE_DEPENDS ${dir}/*_rules.cpp)
  file(GLOB _all CONFIGURE_DEPENDS ${dir}/*.cpp)
  set(_win ${_all})
  if(_pure)
    list(REMOVE_ITEM _win ${_pure})
  endif()
  list(APPEND RS_PURE_SOURCES ${_pure})
  list(APPEND RS_WIN_SOURCES ${_win})
endmacro()
