#!/usr/bin/env bash
# The executable under Windows' own file rules on the machine that serves
# the database (the stand-in fbclient.dll and the local Firebird server, as
# in servidor.sh):
#  - "QVD.FB" held open without sharing by another Windows process during
#    the save: the gate stops the run naming it, and nothing of the
#    installation is deleted;
#  - a run that fails after the new files are unpacked (Firebird 3.0
#    refuses the batch below 20.21.1.0) puts back, with the installation
#    holding:
#      read-only files among the program files and in "Datos", back with
#      their bytes and their attribute;
#      "galeria\PORCIONES.JPG" where the archive brings
#      "Galeria\porciones.jpg", and the earlier backups in "TEMP" where the
#      run makes "Temp": one file and one folder each, never two, and the
#      rollback finds both;
#      a path longer than 260 characters inside "Datos\CierresZ" (a folder
#      the run deletes): saved and put back;
#      a link inside "Datos" that leads out of the installation: neither
#      followed nor copied, left a link, its target untouched. Wine 8 makes
#      neither junctions (setting the reparse point fails with error 50;
#      "mklink /j" fails) nor Windows symbolic links ("mklink /d" does
#      nothing): the link is a Unix one, which Wine reports as a reparse
#      point with tag 0. A real junction is NOT tested here; which tags make
#      a link is tested on records in tests/plataforma/Enlaces_test.cpp.
source "$(dirname "$0")/comun.sh"
source "$(dirname "$0")/comun_servidor.sh"

# ---- QVD.FB held open without sharing --------------------------------------

instala_servidor 20.21.1.0
# The level procedure runs before the save: the database file may change.
guardado_bloqueado base_bloqueada "$BASE" ' \./Datos/QVD\.FB$'
igual "base_bloqueada: versión de la base de datos" 20.21.1.0 "$(version_bd)"

# ---- a rollback after the new files are unpacked ----------------------------

instala_servidor 20.21.0.9
pon_enlace_fuera
mkdir -p "$APP/galeria"
echo "foto anterior" >"$APP/galeria/PORCIONES.JPG"
mv "$APP/Temp" "$APP/TEMP"
pon_ruta_larga Datos/CierresZ
solo_lectura=(Zelvano.exe Zelvano.dll Datos/Clientes.dat "$LARGO")
pon_solo_lectura_todos "${solo_lectura[@]}"
antes="$(listado | grep -v ' \./Datos/QVD\.FB$')"

# Every name of the installation, once each whatever its case.
repetidos() { (cd "$APP" && find . | tr '[:upper:]' '[:lower:]' | LC_ALL=C sort | uniq -d); }

inicia reposicion 20.21.0.9
igual "reposicion: diálogo de error" "$ERROR_ROLLBACK" "$(dialogo "")"
# Unpacked, nothing put back yet: the archive's file took the place of the
# one of other case, and the save went into the Temp folder that was there.
igual "reposicion: nombres repetidos tras la extracción" "" "$(repetidos)"
igual "reposicion: foto extraída sobre la de otro nombre" \
  "$(sha256sum <"$ZELVANO_BUILD_WIN32/tools/rar/carga/Galeria/porciones.jpg")" \
  "$(sha256sum <"$APP/galeria/PORCIONES.JPG")"
igual "reposicion: foto guardada" "foto anterior" "$(cat "$APP/TEMP/202103_202128/Galeria/porciones.jpg" 2>/dev/null)"
no_hay "$APP/$LARGO"
igual "reposicion: ruta larga guardada" "cierre de caja" "$(cat "$APP/TEMP/202103_202128/$LARGO" 2>/dev/null)"
[ -e "$APP/TEMP/202103_202128/Datos/EnlaceFuera" ] && falla "reposicion: el enlace de Datos se siguió en la copia"
usuario pulsa-y-cierra frmDialogo Aceptar
igual "reposicion: diálogo final" "$FIN_ROLLBACK" "$(dialogo "")"
usuario pulsa frmDialogo Aceptar
igual "reposicion: estado de salida" 0 "$(espera_fin reposicion 120)"

# Every file of before in its place with its bytes (what the archive added
# stays, as after every rollback), each name once, the working folders gone.
faltan="$(LC_ALL=C comm -23 <(LC_ALL=C sort <<<"$antes") <(listado | LC_ALL=C sort))"
[ -z "$faltan" ] || falla "reposicion: no se repuso:
$faltan"
igual "reposicion: nombres repetidos tras la reposición" "" "$(repetidos)"
no_hay "$APP/TEMP/202103_202128"
no_hay "$APP/Temp_V_Ant"
for f in "${solo_lectura[@]}"; do
  contiene "reposicion: atributo de ${f:0:40}" "$(atributos "$APP/$f")" "R"
done
enlace_fuera_intacto reposicion

termina_prueba
