# Libraries of the core on Linux.
find_library(FBCLIENT_LIB NAMES fbclient REQUIRED)
find_path(IBASE_INCLUDE NAMES ibase.h PATH_SUFFIXES firebird REQUIRED)
target_include_directories(zelvano_nucleo PUBLIC ${IBASE_INCLUDE})
target_link_libraries(zelvano_nucleo PUBLIC ${FBCLIENT_LIB} pthread)
if(TARGET zelvano_datos_nuevos)
  target_link_libraries(zelvano_nucleo PUBLIC zelvano_datos_nuevos)
  # The platform layer reads the linked archive only when it is there.
  target_compile_definitions(zelvano_nucleo PRIVATE ZELVANO_CON_DATOS_NUEVOS=1)
endif()
