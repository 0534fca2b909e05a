#!/usr/bin/env bash
# The failure path under Wine, two ways in:
#  - "Zelvano.exe" held open as a running program holds it (others may read
#    it, so the save copies it, but nobody may delete it): the save step
#    shows "Zelvano está en ejecución." and starts the rollback itself,
#    without writing the log file;
#  - a database server machine without the Firebird client library (Wine
#    has none): the first database step raises, the run driver writes the
#    log file with the elapsed seconds and starts the rollback.
# Either way the user sees the rollback's two dialogs and the wizard ends
# with status 0. Both failures come before anything is deleted or unpacked,
# and the rollback removes both working folders and puts the earlier Temp
# content back, so the installation must come back file for file as it was,
# the log file aside; the registry is not touched.
source "$(dirname "$0")/comun.sh"

# One failing run. $1 case name; $2 this machine's name (equal to the
# server's: the database server); $3 "bloqueo" to lock the program first;
# $4 the text of the first dialog ("" when the rollback's comes first).
caso() {
  local nombre="$1" equipo="$2" bloqueo="$3" primero="$4"
  instala 20.21.1.5 "$equipo" SERVIDOR
  local antes registro_antes
  antes="$(listado)"
  registro_antes="$(wine reg query "$CLAVE_PRODUCTO" /s 2>&1 | tr -d '\r')"
  pid_bloqueo=""
  [ "$bloqueo" = bloqueo ] && bloquea_fichero 'C:\Zelvano\Zelvano.exe' lectura

  arranca_asistente "$nombre"
  usuario espera-ventana frmAviso 120
  usuario marca frmAviso "He Leído y Entendido"
  usuario pulsa-y-cierra frmAviso "» Siguiente"
  usuario pulsa fV "Iniciar Actualización"

  if [ -n "$primero" ]; then
    igual "$nombre: primer diálogo" "$primero" "$(dialogo "$nombre-dialogo-73")"
    usuario pulsa-y-cierra frmDialogo Aceptar
  fi
  igual "$nombre: diálogo de error" "$ERROR_ROLLBACK" "$(dialogo "$nombre-dialogo-33")"
  usuario pulsa-y-cierra frmDialogo Aceptar
  igual "$nombre: diálogo final" "$FIN_ROLLBACK" "$(dialogo "$nombre-dialogo-73-final")"
  captura "$nombre-ventana_principal-reponer" fV
  usuario pulsa frmDialogo Aceptar
  local estado
  estado="$(espera_fin "$nombre" 120)" || aborta "$nombre: el asistente no terminó tras la restauración"
  igual "$nombre: estado de salida tras la restauración" 0 "$estado"
  [ -z "$pid_bloqueo" ] || suelta_fichero

  # The run's journal stays in Temp, closed, with the manifest of the copy it
  # saved and the lock file a live run holds: the next start must not take
  # this run for an interrupted one.
  local despues
  despues="$(listado | grep -v -E '/Temp/(Diario_202128\.(ini|bloqueo)|Manifiesto_202128\.txt)$')"
  [ "$antes" == "$despues" ] ||
    falla "$nombre: la instalación restaurada difiere de la de antes:
$(diff <(echo "$antes") <(echo "$despues"))"
  igual "$nombre: clave del producto tras la restauración" "$registro_antes" \
    "$(wine reg query "$CLAVE_PRODUCTO" /s 2>&1 | tr -d '\r')"
}

caso bloqueo TERMINAL1 bloqueo $'\nZelvano está en ejecución.'
no_hay "$APP/Excepciones_Act_202128.log"

caso servidor SERVIDOR "" ""
if lineas="$(lineas_log)"; then
  igual "servidor: primera línea del registro" "Ejecutando función Guarda_Datos()" "$(head -1 <<<"$lineas")"
  n="$(wc -l <<<"$lineas")"
  igual "servidor: penúltima línea del registro" "Procesos Realizados: $((n - 2))" "$(tail -2 <<<"$lineas" | head -1)"
  tiempo="$(tail -1 <<<"$lineas")"
  [[ "$tiempo" =~ ^Tiempo\ de\ procesos:\ [0-9]+\.[0-9]{6}\ seg\.$ ]] || falla "servidor: última línea del registro: «$tiempo»"
  # The database is the save step's first use of the server: no program
  # file has been copied yet.
  grep -q "^Copiando Zelvano_Start.exe a " <<<"$lineas" &&
    falla "servidor: se copiaron programas antes del fallo de la base de datos"
else
  falla "servidor: fichero de registro: $lineas"
fi

termina_prueba
