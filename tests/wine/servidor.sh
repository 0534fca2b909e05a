#!/usr/bin/env bash
# The Windows executable as the machine that serves the database, on the
# local Firebird server: the wizard loads fbclient.dll as on a shop's server
# and the test library (tools/fbclient_wine) hands every call to the Linux
# client. The application folder is C:\Zelvano\; the data folder is stored
# in the configuration as the Linux path of its "Datos", so that the server
# opens the same file the wizard saves, copies and puts back through Wine.
#  - 20.21.1.0: a complete update: the database steps of that version in
#    order, the backup's and the restore's lines, the new stamp read back
#    from the database, pictures of the main window during the database
#    phase. This machine's name is stored in upper case, the server's in
#    lower case: Windows takes them for one machine, and so does the wizard;
#  - 20.21.0.9: Firebird 3.0 refuses the batch below 20.21.1.0 at its
#    second step (a write to a system table): the log ends with that step,
#    the user sees the rollback's two dialogs, and "Datos" comes back with
#    the database file as it was, readable at its old version.
source "$(dirname "$0")/comun.sh"
source "$(dirname "$0")/comun_servidor.sh"

SELLO="PONER NUEVA VERSION EN TABLA EMPRESA"
FINAL="ACTUALIZACIÓN FINALIZADA CORRECTAMENTE."

# Labels of the database steps of a 20.21.1.0 installation, in run order.
ETIQUETAS_1010="ALTER PROCEDURE PROC_MP_PREC_COMPR_INI_ULT
ALTER PROCEDURE SEL_STOCK_VENTAS
MODIFICAR FORMAS DE PAGO C
MODIFICAR FORMAS DE PAGO H
MODIFICAR FORMAS DE PAGO B
MODIFICAR FORMAS DE PAGO W
$SELLO"

# ---- a complete update -----------------------------------------------------

actualizacion_completa() {
  instala_servidor 20.21.1.0 "${SERVIDOR^^}"
  inicia completa 20.21.1.0

  # Pictures of the main window while the wizard works on the database:
  # once the stamp is in (the backup runs) and once the restore writes.
  local memo copia=0 restauracion=0
  local fin=$((SECONDS + 600))
  while [ "$SECONDS" -lt "$fin" ] && [ "$restauracion" -eq 0 ] && [ ! -s "$TMP_PRUEBA/estado-completa" ] &&
    ! ayudante existe-ventana frm_Final >/dev/null; do
    memo="$(texto_de fV MemoBackup 2>/dev/null)" || memo=""
    if [ "$copia" -eq 0 ] && grep -q "^gbak:" <<<"$memo"; then
      copia=1
      captura servidor-ventana_principal-copia fV
    elif [ "$copia" -eq 1 ] && grep -q "^gbak:opened file" <<<"$memo"; then
      restauracion=1
      captura servidor-ventana_principal-restauracion fV
    fi
    sleep 0.2
  done
  [ "$copia" -eq 1 ] || falla "no se vio la copia de seguridad en el registro de la ventana"
  [ "$restauracion" -eq 1 ] || falla "no se vio la restauración en el registro de la ventana"
  [ -s "$TMP_PRUEBA/estado-completa" ] &&
    aborta "el asistente terminó (estado $(cat "$TMP_PRUEBA/estado-completa")) sin mostrar la pantalla final"

  usuario espera-ventana frm_Final 600
  igual "barra de progreso al abrirse la pantalla final" "20000 0 20000" "$(ayudante barra fV PB7)"
  usuario marca frm_Final "He Leído y Entendido"
  usuario pulsa frm_Final Aceptar
  acepta_dialogo "Suscríbase a nuestro Canal YouTube" ""
  local estado
  estado="$(espera_fin completa 120)" || aborta "el asistente no terminó tras la pantalla final"
  igual "estado de salida del asistente" 0 "$estado"

  local lineas
  lineas="$(lineas_log)" || { falla "fichero de registro: $lineas"; return; }
  cp "$APP/Excepciones_Act_202128.log" "$ZELVANO_ARTEFACTOS/servidor-completa.log"
  igual "primera línea del registro" "Ejecutando función Guarda_Datos()" "$(head -1 <<<"$lineas")"
  igual "antepenúltima línea del registro" "$FINAL" "$(tail -3 <<<"$lineas" | head -1)"

  # The steps of this version, one after the other, and no other step of
  # the database in the whole log.
  local primera desde
  primera="$(head -1 <<<"$ETIQUETAS_1010")"
  desde="$(grep -n -x -F "$primera" <<<"$lineas" | head -1 | cut -d: -f1)"
  [ -n "$desde" ] || { falla "falta «$primera» en el registro"; return; }
  igual "pasos de la base de datos" "$ETIQUETAS_1010" "$(tail -n +"$desde" <<<"$lineas" | head -7)"
  igual "veces que se sella la versión" 1 "$(grep -c -x -F "$SELLO" <<<"$lineas")"
  grep -q "^(RDB\$FIELD_NAME\|^ALTER PROCEDURE PROC_ENVASADO\|^CREATE DOMAIN" <<<"$lineas" &&
    falla "el registro lleva pasos de lotes anteriores a 20.21.1.0"

  # Right after the stamp: the backup's lines, then the restore's, with no
  # line of the wizard's own among them and no error of either service.
  # (Each ends when its service stops: its last lines may be left unread.)
  local servicio ultima
  servicio="$(tail -n +"$((desde + 7))" <<<"$lineas" | sed '/^Eliminado Pindal.dat$/,$d')"
  ultima="$(grep -n '^gbak:' <<<"$servicio" | tail -1 | cut -d: -f1)"
  servicio="$(head -n "${ultima:-0}" <<<"$servicio")"
  local ajenas
  ajenas="$(grep -v -E '^(gbak:.*)?$' <<<"$servicio" | head -3)"
  [ -z "$ajenas" ] || falla "líneas ajenas a los servicios entre la copia y la restauración: $ajenas"
  local errores
  errores="$(grep -E '^gbak: *ERROR:' <<<"$servicio" | head -3)"
  [ -z "$errores" ] || falla "errores de los servicios en el registro: $errores"
  contiene "primera línea de la copia" "$(head -1 <<<"$servicio")" "gbak:readied database $BASE for backup"
  local n_restauracion copia restauracion
  n_restauracion="$(grep -n -m1 -F "gbak:opened file $DATOS/QVD.FBK" <<<"$servicio" | cut -d: -f1)"
  [ -n "$n_restauracion" ] || { falla "la restauración no abrió $DATOS/QVD.FBK"; return; }
  copia="$(head -n "$((n_restauracion - 1))" <<<"$servicio")"
  restauracion="$(tail -n +"$n_restauracion" <<<"$servicio")"
  contiene "copia de seguridad" "$copia" "gbak:creating file $DATOS/QVD.FBK"
  # The restore writes a new file beside the database; it takes the
  # database's name only once it has been checked whole.
  contiene "restauración" "$restauracion" "gbak:created database $DATOS/QVD_NUEVA.FB"
  grep -q '^gbak:restoring' <<<"$copia" && falla "líneas de la restauración antes de la copia"
  grep -q '^gbak:.*writing' <<<"$restauracion" && falla "líneas de la copia tras la restauración"
  echo "líneas de la copia: $(grep -c . <<<"$copia"), de la restauración: $(grep -c . <<<"$restauracion")"
  [ "$(grep -c '^gbak:.*writing' <<<"$copia")" -gt 100 ] || falla "la copia escribió pocos objetos"
  [ "$(grep -c '^gbak:restoring' <<<"$restauracion")" -gt 100 ] || falla "la restauración repuso pocos objetos"

  hay_fichero "$DATOS/QVD.FBK"
  hay_fichero "$BASE"
  no_hay "$DATOS/QVD_NUEVA.FB"
  igual "versión en la base de datos" "20.21.2.8" "$(version_bd)"
  igual "forma de pago W" "A Cliente, Vales/Tarjetas Empresa" "$(consulta NOMBRE "FORMAS_PAGO WHERE CODIGO = 'W'")"
}

# ---- a failure inside a batch ---------------------------------------------

fallo_en_lote() {
  instala_servidor 20.21.0.9
  igual "dominio antes de la actualización" 0 "$(dominios D_DEC_0_NN_5DEC)"
  local antes
  antes="$(listado_datos | grep -v ' \./QVD\.FB$')"
  inicia fallo 20.21.0.9

  igual "fallo: diálogo de error" "$ERROR_ROLLBACK" "$(dialogo servidor-dialogo-33)"
  # Nothing is put back before the user has read it: the database file
  # saved before the database phase, and the one the batch changed.
  local guardada cambiada
  guardada="$(sha256sum <"$APP/Temp/202103_202128/Datos/QVD.FB" | cut -d' ' -f1)"
  cambiada="$(sha256sum <"$BASE" | cut -d' ' -f1)"
  [ "$guardada" != "$cambiada" ] || falla "el lote no llegó a cambiar la base de datos antes del fallo"
  captura servidor-ventana_principal-reponer fV
  usuario pulsa-y-cierra frmDialogo Aceptar
  igual "fallo: diálogo final" "$FIN_ROLLBACK" "$(dialogo servidor-dialogo-73-final)"
  usuario pulsa frmDialogo Aceptar
  local estado
  estado="$(espera_fin fallo 120)" || aborta "el asistente no terminó tras la restauración"
  igual "estado de salida tras la restauración" 0 "$estado"

  local lineas
  lineas="$(lineas_log)" || { falla "fichero de registro: $lineas"; return; }
  cp "$APP/Excepciones_Act_202128.log" "$ZELVANO_ARTEFACTOS/servidor-fallo.log"
  # The step the server refused is the last before the summary; the one
  # before it ran and was committed.
  igual "paso fallido" "(RDB\$FIELD_NAME = 'UNIDAD_MINIMA')" "$(tail -3 <<<"$lineas" | head -1)"
  igual "paso anterior al fallido" "CREATE DOMAIN D_DEC_0_NN_5DEC AS NUMERIC(18,5) DEFAULT 0 NOT NULL" \
    "$(tail -4 <<<"$lineas" | head -1)"
  igual "penúltima línea del registro" "Procesos Realizados: $(($(wc -l <<<"$lineas") - 2))" \
    "$(tail -2 <<<"$lineas" | head -1)"
  local tiempo
  tiempo="$(tail -1 <<<"$lineas")"
  [[ "$tiempo" =~ ^Tiempo\ de\ procesos:\ [0-9]+\.[0-9]{6}\ seg\.$ ]] || falla "última línea del registro: «$tiempo»"
  grep -q -x -F "$SELLO" <<<"$lineas" && falla "se selló la versión tras el fallo"

  # "Datos" as it was, with the saved database file back byte for byte:
  # what the batch committed went with the file it was written to.
  igual "base de datos repuesta" "$guardada" "$(sha256sum <"$BASE" | cut -d' ' -f1)"
  local despues
  despues="$(listado_datos | grep -v ' \./QVD\.FB$')"
  [ "$antes" == "$despues" ] || falla "Datos restaurado difiere del de antes:
$(diff <(echo "$antes") <(echo "$despues"))"
  igual "versión de la base de datos repuesta" "20.21.0.9" "$(version_bd)"
  igual "dominio tras la restauración" 0 "$(dominios D_DEC_0_NN_5DEC)"
}

actualizacion_completa
fallo_en_lote

termina_prueba
