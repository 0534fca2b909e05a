#!/usr/bin/env bash
# The executable under Windows' own file rules, on a client machine:
#  - a file of "Datos" held open without sharing by another process (as the
#    Firebird server holds its database): the save cannot copy it, the save
#    gate stops the run naming it, and nothing of the installation changes;
#  - read-only files among the program files, in "Datos" and in "Update":
#    saved with their attribute, deleted where the run deletes them,
#    overwritten by the extraction, and the run ends well;
#  - a link inside "Datos" that leads out of the installation (Wine 8 makes
#    no junctions: FSCTL_SET_REPARSE_POINT is refused and
#    CreateSymbolicLinkW does nothing, so a Unix link stands for it; Wine
#    shows it as a reparse point without a tag): not followed by the copy,
#    the folder it leads to untouched;
#  - a path longer than 260 characters inside "Datos": saved with its bytes,
#    or the gate stops naming it, never skipped in silence.
# A program file that can be read but not deleted is tests/wine/bloqueo.sh.
source "$(dirname "$0")/comun.sh"

# ---- a file of Datos held open without sharing
instala 20.21.1.5 TERMINAL1 SERVIDOR
echo "datos del día" >"$APP/Datos/Caja.dat"
guardado_bloqueado bloqueado "$APP/Datos/Caja.dat"

# ---- read-only files, a link out of the installation, a long path
instala 20.21.1.5 TERMINAL1 SERVIDOR --pindal-dat
pon_enlace_fuera
pon_ruta_larga Datos
echo "versión anterior" >"$APP/Update/update.dat"
pon_solo_lectura_todos Zelvano.exe Zelvano.dll Pindal.dat Datos/Clientes.dat Update/update.dat
antes="$(listado)"
conduce_ejecucion reglas
t="$LEIDOS"
if grep -q "PANTALLA FINAL" <<<"$t"; then
  copia="$APP/Temp/202103_202128"
  for f in Zelvano.exe Zelvano.dll Pindal.dat Datos/Clientes.dat; do
    igual "copia de $f" "$(grep "  \./$f\$" <<<"$antes" | cut -c1-64)" "$(sha256sum "$copia/$f" | cut -c1-64)"
    contiene "atributo de la copia de $f" "$(atributos "$copia/$f")" "R"
  done
  no_hay "$APP/Zelvano.exe"
  no_hay "$APP/Pindal.dat"
  igual "Update\\update.dat extraído" "$(sha256sum "$ZELVANO_BUILD_WIN32/tools/rar/carga/Update/update.dat" | cut -c1-64)" \
    "$(sha256sum "$APP/Update/update.dat" | cut -c1-64)"
  igual "ruta larga guardada" "cierre de caja" "$(cat "$copia/$LARGO" 2>/dev/null)"
  [ -e "$copia/Datos/EnlaceFuera" ] && falla "el enlace de Datos se siguió en la copia"
  grep -q "Enlace no copiado (no se sigue): C:\\\\Zelvano\\\\Datos\\\\EnlaceFuera" <<<"$(lineas_log)" ||
    falla "el registro no dice que el enlace de Datos no se copió"
else
  # The only acceptable stop is the gate naming the long path.
  contiene "reglas: aviso" "$t" "Carpeta_con_nombre_largo_10"
  contiene "reglas: aviso" "$t" "No se ha borrado ni cambiado nada de la instalación."
fi
enlace_fuera_intacto reglas

termina_prueba
