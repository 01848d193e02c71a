# Every .rc file here is compiled into setup.exe (resources found by name).
file(GLOB RS_SETUP_RESOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.rc)
# The resource compiler reports no dependencies: each script is rebuilt
# whenever a file it may include (the text, pictures, icon, manifest) changes.
file(GLOB _asset_inputs CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.txt ${CMAKE_CURRENT_LIST_DIR}/*.bmp
     ${CMAKE_CURRENT_LIST_DIR}/*.ico ${CMAKE_CURRENT_LIST_DIR}/*.manifest)
set_source_files_properties(${RS_SETUP_RESOURCES} PROPERTIES OBJECT_DEPENDS "${_asset_inputs}")
# RS_AGREEMENT_TEXT: the agreement text that ships, in place of the
# placeholder license.txt. The resource is then compiled from a copy of
# license.rc in the build tree that names it, after tools/check-agreement.sh
# has passed the text: the build runs the check again whenever the text or
# the check changes, however it was configured.
set(RS_AGREEMENT_TEXT "" CACHE FILEPATH "Agreement text for setup.exe; empty: assets/license.txt")
if(RS_AGREEMENT_TEXT)
  if(NOT IS_ABSOLUTE "${RS_AGREEMENT_TEXT}" OR NOT EXISTS "${RS_AGREEMENT_TEXT}" OR RS_AGREEMENT_TEXT MATCHES "[\"\\\\]")
    message(FATAL_ERROR "RS_AGREEMENT_TEXT: ${RS_AGREEMENT_TEXT} is not an absolute path of a file without quotes or backslashes")
  endif()
  list(REMOVE_ITEM RS_SETUP_RESOURCES ${CMAKE_CURRENT_LIST_DIR}/license.rc)
  set(_agreement_rc ${CMAKE_BINARY_DIR}/agreement/license.rc)
  file(CONFIGURE OUTPUT ${_agreement_rc} CONTENT "LICENSETEXT RCDATA \"${RS_AGREEMENT_TEXT}\"\n")
  set(_checked ${CMAKE_BINARY_DIR}/agreement/checked)
  add_custom_command(OUTPUT ${_checked}
    COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check-agreement.sh ${RS_AGREEMENT_TEXT}
    COMMAND ${CMAKE_COMMAND} -E touch ${_checked}
    DEPENDS ${RS_AGREEMENT_TEXT} ${CMAKE_SOURCE_DIR}/tools/check-agreement.sh VERBATIM)
  # A target of its own, which setup.exe waits for (CMakeLists.txt): the
  # check comes before anything of setup.exe is compiled.
  add_custom_target(agreement_check DEPENDS ${_checked})
  set_source_files_properties(${_agreement_rc} PROPERTIES OBJECT_DEPENDS "${RS_AGREEMENT_TEXT};${_checked}")
  list(APPEND RS_SETUP_RESOURCES ${_agreement_rc})
endif()
