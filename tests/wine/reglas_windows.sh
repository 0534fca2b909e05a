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
antes="$(listado)"
bloquea_fichero 'C:\Zelvano\Datos\Caja.dat'
conduce_ejecucion bloqueado
suelta_fichero
guardado_detenido bloqueado "$LEIDOS" 'C:\Zelvano\Datos\Caja.dat'
despues="$(listado | grep -v '/Temp/Diario_202128\.ini$')"
[ "$antes" == "$despues" ] || falla "bloqueado: la instalación cambió:
$(diff <(echo "$antes") <(echo "$despues"))"

# ---- read-only files, a link out of the installation, a long path
instala 20.21.1.5 TERMINAL1 SERVIDOR --pindal-dat
FUERA="$ZELVANO_TRABAJO/fuera_reglas"
mkdir -p "$FUERA"
echo "no es de la instalación" >"$FUERA/ajeno.txt"
ln -s "$FUERA" "$APP/Datos/EnlaceFuera"
largo="$APP/Datos/$(printf 'Carpeta_con_nombre_largo_%02d/' 1 2 3 4 5 6 7 8 9 10)Cierre.txt"
mkdir -p "$(dirname "$largo")"
echo "cierre de caja" >"$largo"
echo "versión anterior" >"$APP/Update/update.dat"
solo_lectura=(Zelvano.exe Zelvano.dll Pindal.dat Datos/Clientes.dat Update/update.dat)
for f in "${solo_lectura[@]}"; do
  pon_solo_lectura "$APP/$f"
  contiene "atributo de $f antes" "$(atributos "$APP/$f")" "R"
done
antes="$(listado)"
fuera_antes="$(sha256sum "$FUERA/ajeno.txt")"
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
  igual "ruta larga guardada" "cierre de caja" "$(cat "$copia/${largo#"$APP"/}" 2>/dev/null)"
  [ -e "$copia/Datos/EnlaceFuera" ] && falla "el enlace de Datos se siguió en la copia"
  grep -q "Enlace no copiado (no se sigue): C:\\\\Zelvano\\\\Datos\\\\EnlaceFuera" <<<"$(lineas_log)" ||
    falla "el registro no dice que el enlace de Datos no se copió"
else
  # The only acceptable stop is the gate naming the long path.
  contiene "reglas: aviso" "$t" "Carpeta_con_nombre_largo_10"
  contiene "reglas: aviso" "$t" "No se ha borrado ni cambiado nada de la instalación."
fi
igual "fichero fuera de la instalación" "$fuera_antes" "$(sha256sum "$FUERA/ajeno.txt")"
[ -L "$APP/Datos/EnlaceFuera" ] || falla "el enlace de Datos ya no está"

termina_prueba
