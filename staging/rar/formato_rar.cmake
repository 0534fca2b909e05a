# The version 4 archive format the wizard reads to know what the extraction
# will write (block headers, stored names, checksums). One library shared by
# the wizard and by the tools that pack and unpack the payload, so the two
# sides can never disagree on the layout. Included by the wizard's build and
# by the tools' own host build in cross builds.
if(NOT TARGET zelvano_formato_rar)
  get_filename_component(_zelvano_formato_raiz ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
  add_library(zelvano_formato_rar STATIC
    ${CMAKE_CURRENT_LIST_DIR}/cabeceras.cpp
    ${CMAKE_CURRENT_LIST_DIR}/crc32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/nombres.cpp)
  target_include_directories(zelvano_formato_rar PUBLIC ${_zelvano_formato_raiz})
  target_compile_features(zelvano_formato_rar PUBLIC cxx_std_17)
  # The packer checksums every payload at build time; keep it fast in debug trees.
  target_compile_options(zelvano_formato_rar PRIVATE -O2)
endif()
