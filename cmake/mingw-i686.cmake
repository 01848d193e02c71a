# Debian's mingw-w64 cross compiler for 32-bit Windows. The posix threads
# variant by default: the tests and test programs (GoogleTest needs
# std::mutex); the product build picks win32.
if(NOT RS_MINGW_THREADS)
  set(RS_MINGW_THREADS posix)
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-${RS_MINGW_THREADS})
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-${RS_MINGW_THREADS})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_DLLTOOL i686-w64-mingw32-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
