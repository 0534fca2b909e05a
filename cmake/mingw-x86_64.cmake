# The test build for machines whose kernel runs no 32-bit programs.
set(ZELVANO_MINGW x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-comun.cmake)
