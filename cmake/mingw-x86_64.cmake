# Cross toolchain: 64-bit Windows executables, only for the bench where the kernel runs no
# 32-bit programs. The product itself is always the i686 build.
set(KORVANE_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
