# Host programs of the tools (the Windows trees build none of them).
if(NOT WIN32)
  # medium_layout: lays out and checks an installation medium
  # (tools/make-medium.sh), over the release medium's rules in rsrelease.
  set(_medium ${CMAKE_CURRENT_LIST_DIR}/medium_layout)
  set(RS_MEDIUM_SOURCES ${_medium}/medium_layout.cpp ${_medium}/disc_image.cpp ${_medium}/file_writes.cpp
      ${_medium}/output_folder.cpp ${_medium}/record.cpp ${_medium}/sha256.cpp ${_medium}/source_tree.cpp
      ${_medium}/inf_check.cpp ${_medium}/windows_names.cpp ${_medium}/catalog_check.cpp ${_medium}/file_digest.cpp
      ${_medium}/catalog_writer.cpp)
  # Catalogs: their members' hashes, and the generator's, by libcrypto.
  find_package(OpenSSL REQUIRED COMPONENTS Crypto)
  # The record digests every file of a medium twice a run: optimised even
  # in the debug tree.
  set_source_files_properties(${_medium}/sha256.cpp PROPERTIES COMPILE_OPTIONS -O2)
  # The tests' build: sanitizers, like everything host_tests links.
  add_library(rsmedium STATIC ${RS_MEDIUM_SOURCES})
  target_compile_options(rsmedium PRIVATE ${OUR_WARNINGS} ${SAN})
  target_include_directories(rsmedium PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(rsmedium PUBLIC rsrelease OpenSSL::Crypto)
  add_executable(medium_layout_san ${_medium}/main.cpp)
  target_compile_options(medium_layout_san PRIVATE ${OUR_WARNINGS} ${SAN})
  target_link_options(medium_layout_san PRIVATE ${SAN})
  target_link_libraries(medium_layout_san PRIVATE rsmedium)
  list(APPEND RS_HOST_TOOL_LIBS rsmedium)
  # The command vendors run (make-medium.sh): a plain optimised program with
  # its own build of the rules (release_medium/ and the program's), which
  # runs wherever a program runs, under an LD_PRELOAD too (a sanitizer's
  # runtime refuses to start there).
  if(NOT RS_FUZZ)
    get_target_property(_release_sources rsrelease SOURCES)
    add_executable(medium_layout ${_medium}/main.cpp ${RS_MEDIUM_SOURCES} ${_release_sources} ${RS_PURE_SOURCES})
    target_compile_options(medium_layout PRIVATE ${OUR_WARNINGS} -O2)
    target_include_directories(medium_layout PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(medium_layout PRIVATE OpenSSL::Crypto)
    # make_catalog: the catalog generator (tools/make-catalog.sh), built alike.
    add_executable(make_catalog ${_medium}/make_catalog.cpp ${RS_MEDIUM_SOURCES} ${_release_sources} ${RS_PURE_SOURCES})
    target_compile_options(make_catalog PRIVATE ${OUR_WARNINGS} -O2)
    target_include_directories(make_catalog PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(make_catalog PRIVATE OpenSSL::Crypto)
  endif()
endif()
