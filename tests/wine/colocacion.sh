#!/usr/bin/env bash
# The windows on small screens and at every usual text scale: the main
# window, the notice, the final screen and the wide maintenance dialog,
# shown by the wizard's own code through the gallery tool on a Wine desktop
# of 800 x 600 or 1024 x 768 with its taskbar, at 96, 120 and 144 pixels per
# inch. Each window lies whole inside the work area (the screen less the
# taskbar) and shows every caption whole.
source "$(dirname "$0")/comun.sh"

GALERIA="$ZELVANO_BUILD_WIN32/tools/galeria_dialogos/galeria_dialogos.exe"
[ -f "$GALERIA" ] || aborta "falta $GALERIA"

# A desktop named "shell" is Wine's desktop with a taskbar; the settings
# are read when the prefix's processes start, so the Wine server of the
# prefix ends before and after they change.
pantalla() { # ancho alto ppp
  local reg="$TMP_PRUEBA/pantalla.reg"
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="shell"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' "\"shell\"=\"${1}x${2}\"" '' \
    '[HKEY_CURRENT_USER\Control Panel\Desktop]' "\"LogPixels\"=dword:$(printf '%08x' "$3")" '' \
    '[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts]' \
    "\"LogPixels\"=dword:$(printf '%08x' "$3")" >"$reg"
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1 || aborta "no se pudo configurar la pantalla $*"
  wineserver -w >/dev/null 2>&1
}

# The window whole inside the work area, and the work area shorter than the
# screen: the taskbar is there.
dentro() { # ventana alto-pantalla qué
  local g x y w h ax ay aw ah
  g="$(ayudante geometria "$1")" || { falla "$3: no hay ventana $1"; return; }
  read -r x y w h ax ay aw ah < <(tr -d '\r' <<<"$g" |
    sed -E 's/^ventana=(-?[0-9]+),(-?[0-9]+) ([0-9]+)x([0-9]+) .* area=(-?[0-9]+),(-?[0-9]+) ([0-9]+)x([0-9]+)$/\1 \2 \3 \4 \5 \6 \7 \8/')
  [ "${ah:-0}" -gt 0 ] 2>/dev/null || { falla "$3: geometría ilegible: $g"; return; }
  [ "$ah" -lt "$2" ] || falla "$3: el área de trabajo ($aw x $ah) no deja sitio a la barra de tareas"
  if [ "$x" -lt "$ax" ] || [ "$y" -lt "$ay" ] || [ $((x + w)) -gt $((ax + aw)) ] || [ $((y + h)) -gt $((ay + ah)) ]; then
    falla "$3: $1 en $x,$y ${w}x$h se sale del área de trabajo $ax,$ay ${aw}x$ah"
  fi
}

galeria() { # etiqueta argumentos...
  local etiqueta="$1"
  shift
  rm -f "$TMP_PRUEBA/estado-$etiqueta"
  (
    wine "$GALERIA" "$@" >/dev/null 2>&1
    echo $? >"$TMP_PRUEBA/estado-$etiqueta"
  ) &
}
# The Wine desktop, taskbar included.
escritorio() { # nombre ancho alto
  import -display "$DISPLAY" -window root -crop "${2}x${3}+0+0" +repage "$ZELVANO_ARTEFACTOS/$1.png" 2>/dev/null ||
    falla "captura $1 no se pudo guardar"
}
termina_galeria() { # etiqueta
  local estado
  estado="$(espera_fin "$1" 30)" || aborta "$1: la galería no terminó"
  igual "$1: estado de salida" 0 "$estado"
}

for caso in "800 600 96" "800 600 120" "800 600 144" "1024 768 144"; do
  read -r ancho alto ppp <<<"$caso"
  nombre="${ancho}x${alto}-${ppp}ppp"
  pantalla "$ancho" "$alto" "$ppp"
  paginas="$(anota_paginas)"

  galeria "$nombre-aviso" aviso
  usuario espera-ventana frmAviso 60
  dentro fV "$alto" "$nombre: ventana principal"
  textos_enteros fV "$nombre: ventana principal" MemoBackup
  dentro frmAviso "$alto" "$nombre: aviso"
  textos_enteros frmAviso "$nombre: aviso"
  escritorio "colocacion-$nombre-aviso" "$ancho" "$alto"
  usuario marca frmAviso "He Leído y Entendido"
  usuario pulsa-y-cierra frmAviso "» Siguiente"
  termina_galeria "$nombre-aviso"

  galeria "$nombre-final" final
  usuario espera-ventana frm_Final 60
  dentro frm_Final "$alto" "$nombre: pantalla final"
  textos_enteros frm_Final "$nombre: pantalla final"
  escritorio "colocacion-$nombre-final" "$ancho" "$alto"
  usuario marca frm_Final "He Leído y Entendido"
  usuario pulsa frm_Final Aceptar
  usuario espera-ventana frmDialogo 30
  dentro frmDialogo "$alto" "$nombre: invitación al canal"
  textos_enteros frmDialogo "$nombre: invitación al canal"
  usuario tecla frmDialogo Intro 30
  termina_galeria "$nombre-final"
done

termina_prueba
