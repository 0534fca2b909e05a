# Libraries of the core on Windows. fbclient.dll is loaded at run time.
find_path(IBASE_INCLUDE NAMES ibase.h PATHS /usr/include/firebird /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
# Only the declarations of ibase.h are used; the functions come from LoadLibrary.
target_include_directories(zelvano_nucleo SYSTEM PUBLIC ${CMAKE_BINARY_DIR}/ibase)
file(COPY ${IBASE_INCLUDE}/ibase.h DESTINATION ${CMAKE_BINARY_DIR}/ibase)
target_link_libraries(zelvano_nucleo PUBLIC comctl32 gdi32 user32 shell32 advapi32 version winmm msimg32 ole32 uuid)
# The new version's archive is a resource of the executable itself (a
# resource inside a static library is not pulled in); the rar tool defines
# its object library at the end of the configuration.
# The test build carries the same archive.
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL
  target_link_libraries Act_202103_a_202128 PRIVATE $<TARGET_NAME_IF_EXISTS:zelvano_datos_nuevos>)
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL
  target_link_libraries Act_202103_a_202128_pruebas PRIVATE $<TARGET_NAME_IF_EXISTS:zelvano_datos_nuevos>)
