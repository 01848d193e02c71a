# The helper's command line and exit code: plain logic, host-tested.
list(APPEND RS_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/pnpbind_rules.cpp ${CMAKE_CURRENT_LIST_DIR}/removal_rules.cpp)

# The library and its helper throw nothing and catch nothing: built without
# exceptions, they carry no unwinder.
set(PNPBIND_LEAN -fno-exceptions -fno-rtti)

if(RS_WIN32)
  # Import library by ordinal, so setup.exe names no entry by name.
  set(PNPBIND_DEF ${CMAKE_CURRENT_LIST_DIR}/pnpbind.def)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/libpnpbind_import.a
    COMMAND i686-w64-mingw32-dlltool -d ${PNPBIND_DEF} -l ${CMAKE_BINARY_DIR}/libpnpbind_import.a -D pnpbind.dll
    DEPENDS ${PNPBIND_DEF})
  add_custom_target(pnpbind_implib DEPENDS ${CMAKE_BINARY_DIR}/libpnpbind_import.a)
  add_library(pnpbind_import STATIC IMPORTED GLOBAL)
  set_target_properties(pnpbind_import PROPERTIES IMPORTED_LOCATION ${CMAKE_BINARY_DIR}/libpnpbind_import.a)
  add_dependencies(pnpbind_import pnpbind_implib)

  add_library(pnpbind SHARED
    ${CMAKE_CURRENT_LIST_DIR}/pnpbind.cpp
    ${CMAKE_CURRENT_LIST_DIR}/newdev_call.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pnpbind_rules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/removal.cpp
    ${CMAKE_CURRENT_LIST_DIR}/removal_rules.cpp
    ${RS_LEAN_RUNTIME}
    ${PNPBIND_DEF})
  set_target_properties(pnpbind PROPERTIES PREFIX "" OUTPUT_NAME pnpbind RS_OLDEST_API ON)
  target_compile_options(pnpbind PRIVATE ${OUR_WARNINGS} ${PNPBIND_LEAN})
  target_include_directories(pnpbind PRIVATE ${CMAKE_SOURCE_DIR})
endif()

if(RS_WIN64)
  # The 64-bit helper that ships beside setup.exe and pnpbind.dll:
  # BUILD_ROOT/win64/pnpbind64.exe. A window-less program, so nothing flashes.
  add_executable(pnpbind64 WIN32
    ${CMAKE_CURRENT_LIST_DIR}/helper64.cpp
    ${CMAKE_CURRENT_LIST_DIR}/newdev_call.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pnpbind_rules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/removal.cpp
    ${CMAKE_CURRENT_LIST_DIR}/removal_rules.cpp
    ${RS_LEAN_RUNTIME})
  set_target_properties(pnpbind64 PROPERTIES OUTPUT_NAME pnpbind64 RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  target_compile_options(pnpbind64 PRIVATE ${OUR_WARNINGS} ${PNPBIND_LEAN})
  target_link_options(pnpbind64 PRIVATE -s)  # shipped as built here
  target_include_directories(pnpbind64 PRIVATE ${CMAKE_SOURCE_DIR})
endif()
