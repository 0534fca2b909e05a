# The direction of dependence between the product's folders, checked on the
# sources: each folder includes only the folders below it. The run driver and
# the main window (shell/) sit on top; the save and rollback (staging/), the
# screens (screens/) and the database (database/) report through the narrow
# Informe of system/ and never reach the window. Two files of screens/ are
# the window's own operations and so include it:
#   screens/UnidadDialogo.cpp      TfV::MuestraDialogo, the main window's one
#                                  message dialog, centred on it, recording
#                                  the active form in its run context
#   screens/ControlExcepciones.cpp TfV::ControlExcepciones, the handler the
#                                  window installs: writes its log, ends the
#                                  program
# Run as: cmake -DRAIZ=<sources> -P cmake/dependencias.cmake
set(prohibidos_staging shell screens)
set(prohibidos_database shell screens staging)
set(prohibidos_screens shell staging)
set(prohibidos_system shell screens staging database)
set(excepciones screens/UnidadDialogo.cpp screens/ControlExcepciones.cpp)

set(faltas "")
foreach(carpeta staging database screens system)
  file(GLOB_RECURSE fuentes RELATIVE ${RAIZ} ${RAIZ}/${carpeta}/*.cpp ${RAIZ}/${carpeta}/*.h)
  foreach(fuente IN LISTS fuentes)
    file(STRINGS ${RAIZ}/${fuente} incluidos REGEX "^[ \t]*#[ \t]*include[ \t]+\"[^/\"]+/")
    foreach(linea IN LISTS incluidos)
      string(REGEX REPLACE "^[^\"]*\"([^/\"]+)/.*$" "\\1" incluida "${linea}")
      list(FIND prohibidos_${carpeta} ${incluida} prohibida)
      list(FIND excepciones ${fuente} exceptuada)
      if(prohibida GREATER -1 AND NOT (incluida STREQUAL "shell" AND exceptuada GREATER -1))
        string(APPEND faltas "\n  ${fuente}: ${linea}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(faltas)
  message(FATAL_ERROR "Includes against the direction of dependence:${faltas}")
endif()
