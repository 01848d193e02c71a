# The product build: win32 threads variant, whose runtime imports nothing that
# Windows XP and older lack (the posix one needs GetTickCount64 and more).
set(RS_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
