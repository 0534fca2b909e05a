# Payload of the new version: the folder laid out by genera_carga, packed by
# empaqueta into Datos_Nuevos.rar, then made available to the wizard:
#   - Linux: library zelvano_datos_nuevos with the byte array declared in
#     resources/datos_nuevos.h;
#   - Windows: object library zelvano_datos_nuevos with the resource
#     RCDATA "DATOS_NUEVOS", language 3082 (link it into the executable
#     itself: a resource inside a static library is not pulled in).
# Zelvano_Start.exe comes from ZELVANO_START_PE when set (a file, or the name
# of a target building a Windows program with version 20.21.2.8, such as
# programa_falso), else it is a minimal PE with the version resource
# 20.21.2.8 made by genera_carga.

set(ZELVANO_START_PE "" CACHE STRING "Zelvano_Start.exe for the payload: a file or a target name (optional)")
set(ZELVANO_RAR_CARGA_RAR ${CMAKE_CURRENT_BINARY_DIR}/Datos_Nuevos.rar)
set(ZELVANO_RAR_CARGA_RAR ${ZELVANO_RAR_CARGA_RAR} CACHE INTERNAL "")
set(ZELVANO_RAR_DIR_BIN ${CMAKE_CURRENT_BINARY_DIR} CACHE INTERNAL "")
set(ZELVANO_RAR_DIR_FUENTES ${CMAKE_CURRENT_SOURCE_DIR} CACHE INTERNAL "")

if(CMAKE_CROSSCOMPILING)
  # The packer runs on the build machine: build the host tools apart.
  include(ExternalProject)
  set(anfitrion ${CMAKE_CURRENT_BINARY_DIR}/anfitrion)
  ExternalProject_Add(rar_herramientas_anfitrion
    SOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR}
    BINARY_DIR ${anfitrion}
    CMAKE_ARGS -DZELVANO_RAR_SOLO_HERRAMIENTAS=ON -DCMAKE_BUILD_TYPE=Release
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${anfitrion}/empaqueta ${anfitrion}/genera_carga)
  set(ZELVANO_RAR_EMPAQUETA ${anfitrion}/empaqueta CACHE INTERNAL "")
  set(ZELVANO_RAR_GENERA ${anfitrion}/genera_carga CACHE INTERNAL "")
  set(ZELVANO_RAR_DEPENDE_HERRAMIENTAS rar_herramientas_anfitrion CACHE INTERNAL "")
else()
  set(ZELVANO_RAR_EMPAQUETA $<TARGET_FILE:empaqueta> CACHE INTERNAL "")
  set(ZELVANO_RAR_GENERA $<TARGET_FILE:genera_carga> CACHE INTERNAL "")
  set(ZELVANO_RAR_DEPENDE_HERRAMIENTAS "empaqueta;genera_carga" CACHE INTERNAL "")
endif()

function(zelvano_rar_define_carga)
  set(bin ${ZELVANO_RAR_DIR_BIN})
  set(rar ${ZELVANO_RAR_CARGA_RAR})
  set(start_pe "")
  set(depende_pe "")
  if(ZELVANO_START_PE AND TARGET ${ZELVANO_START_PE})
    set(start_pe --start-pe $<TARGET_FILE:${ZELVANO_START_PE}>)
    set(depende_pe ${ZELVANO_START_PE})
  elseif(ZELVANO_START_PE)
    set(start_pe --start-pe ${ZELVANO_START_PE})
    set(depende_pe ${ZELVANO_START_PE})
  endif()
  file(GLOB fuentes_carga ${ZELVANO_RAR_DIR_FUENTES}/*.cpp ${ZELVANO_RAR_DIR_FUENTES}/*.h
       ${ZELVANO_RAR_DIR_FUENTES}/../../staging/rar/*.cpp ${ZELVANO_RAR_DIR_FUENTES}/../../staging/rar/*.h)
  add_custom_command(OUTPUT ${rar}
    COMMAND ${ZELVANO_RAR_GENERA} ${bin}/carga ${start_pe}
    COMMAND ${ZELVANO_RAR_EMPAQUETA} --sin-encadenar --fecha 2021-07-12 --atributos Update=11
            ${rar} ${bin}/carga
    DEPENDS ${ZELVANO_RAR_DEPENDE_HERRAMIENTAS} ${depende_pe} ${fuentes_carga}
    COMMENT "Generando Datos_Nuevos.rar"
    VERBATIM)
  add_custom_target(datos_nuevos_rar ALL DEPENDS ${rar})

  if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
    file(WRITE ${bin}/datos_nuevos.rc.tmp
      "// Generated: the new version's archive as resource DATOS_NUEVOS.\n"
      "LANGUAGE 10, 3\n"
      "DATOS_NUEVOS RCDATA \"${rar}\"\n")
    file(COPY_FILE ${bin}/datos_nuevos.rc.tmp ${bin}/datos_nuevos.rc ONLY_IF_DIFFERENT)
    add_library(zelvano_datos_nuevos OBJECT ${bin}/datos_nuevos.rc)
    set_source_files_properties(${bin}/datos_nuevos.rc PROPERTIES OBJECT_DEPENDS ${rar})
  else()
    add_custom_command(OUTPUT ${bin}/datos_nuevos.cpp
      COMMAND $<TARGET_FILE:a_fuente> ${rar} ${bin}/datos_nuevos.cpp datos_nuevos
      DEPENDS a_fuente ${rar}
      VERBATIM)
    add_library(zelvano_datos_nuevos STATIC ${bin}/datos_nuevos.cpp)
  endif()
  add_dependencies(zelvano_datos_nuevos datos_nuevos_rar)
  target_include_directories(zelvano_datos_nuevos INTERFACE ${ZELVANO_RAR_DIR_FUENTES}/../..)
endfunction()

if(CMAKE_SOURCE_DIR STREQUAL CMAKE_CURRENT_SOURCE_DIR)
  zelvano_rar_define_carga()
else()
  # A target named in ZELVANO_START_PE may be defined after this folder;
  # decide at the end of the top-level configuration.
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL zelvano_rar_define_carga)
endif()
