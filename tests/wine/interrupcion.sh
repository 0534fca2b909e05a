#!/usr/bin/env bash
# A client run ended from outside while the new files are being unpacked, as
# the task manager or a power cut would end it: the programs are already
# deleted and the new ones not yet there. The next start finds the journal
# before anything else, names what it found and when, and on "Si" puts the
# installation back from the saved copy: every file of the installation
# before the run is back with its bytes, and the working folders are gone.
source "$(dirname "$0")/comun.sh"

DIARIO="$APP/Temp/Diario_202128.ini"

instala 20.21.1.5 TERMINAL1 SERVIDOR
antes="$(listado)"

# The helper stands in for the extraction tool and never finishes.
cp "$ZELVANO_AYUDANTE" "$APP/rar.exe"
marca="$TMP_PRUEBA/extrayendo"
rm -f "$marca"
ZELVANO_MARCA_EXTRACCION="$(winepath -w "$marca")"
export ZELVANO_MARCA_EXTRACCION

arranca_asistente muerto
usuario espera-ventana frmAviso 120
usuario marca frmAviso "He Leído y Entendido"
usuario pulsa-y-cierra frmAviso "» Siguiente"
usuario pulsa fV "Iniciar Actualización"
fin=$((SECONDS + 300))
until [ -e "$marca" ]; do
  [ -s "$TMP_PRUEBA/estado-muerto" ] && aborta "el asistente terminó antes de extraer: $(cat "$TMP_PRUEBA/estado-muerto")"
  [ "$SECONDS" -lt "$fin" ] || aborta "el asistente no llegó a la extracción"
  sleep 0.2
done
captura interrupcion-extrayendo fV
usuario mata "$ASISTENTE"
ayudante mata rar.exe >/dev/null || true
espera_fin muerto 60 >/dev/null || aborta "el asistente sigue vivo tras terminarlo"
unset ZELVANO_MARCA_EXTRACCION

no_hay "$APP/Zelvano_Start.exe"
contiene "diario tras la interrupción" "$(tr -d '\r' <"$DIARIO")" "Etapa=InstalacionCambiada"
cp "$ZELVANO_RAR_EXE" "$APP/rar.exe"

# The next start: the offer comes first, before the notice screen.
arranca_asistente recupera
oferta="$(dialogo interrupcion-oferta)"
contiene "oferta" "$oferta" "Se ha encontrado una actualización que no terminó."
contiene "oferta" "$oferta" "sobre la versión 20.21.1.5 de Zelvano y se interrumpió mientras se cambiaban los ficheros del programa"
contiene "oferta" "$oferta" "¿Desea dejar la instalación como estaba antes de la actualización?"
usuario pulsa-y-cierra frmDialogo Si
acepta_dialogo "Se procederá a deshacer todos los Procesos realizados." ""
acepta_dialogo "Se han restaurado todos sus Datos Anteriores." interrupcion-restaurado
estado="$(espera_fin recupera 120)" || aborta "el asistente no terminó tras la restauración"
igual "estado de salida tras la restauración" 0 "$estado"

# Every folder and file of before, with its bytes (new ones may be left, as
# after any rollback).
perdidos="$(comm -23 <(LC_ALL=C sort <<<"$antes") <(listado | LC_ALL=C sort))"
igual "ficheros que faltan o difieren tras la restauración" "" "$perdidos"
no_hay "$APP/Temp_V_Ant"
no_hay "$APP/Temp/202103_202128"
contiene "diario tras la restauración" "$(tr -d '\r' <"$DIARIO")" "Cerrado=1"

termina_prueba
