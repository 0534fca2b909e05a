# Libraries of the core on Linux.
find_library(FBCLIENT_LIB NAMES fbclient REQUIRED)
find_path(IBASE_INCLUDE NAMES ibase.h PATH_SUFFIXES firebird REQUIRED)
target_include_directories(zelvano_nucleo PUBLIC ${IBASE_INCLUDE})
target_link_libraries(zelvano_nucleo PUBLIC ${FBCLIENT_LIB} pthread)
# The archive library may be defined at the end of the configuration (the
# rar tool defers it), so the decision waits for generation time. The
# platform layer reads the linked archive only when it is there.
target_link_libraries(zelvano_nucleo PUBLIC $<TARGET_NAME_IF_EXISTS:zelvano_datos_nuevos>)
target_compile_definitions(zelvano_nucleo PRIVATE $<$<TARGET_EXISTS:zelvano_datos_nuevos>:ZELVANO_CON_DATOS_NUEVOS=1>)
