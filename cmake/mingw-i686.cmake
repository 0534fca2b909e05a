# The shipped build: a 32-bit Windows program.
set(ZELVANO_MINGW i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-comun.cmake)
