#!/usr/bin/env bash
# A whole update of a client machine under Wine, twice: once with the
# browser installed where the PDF association expects it and the user
# pressing the channel button before acknowledging the final screen, once
# without the browser and the user first forgetting to tick the box. After
# each run: the new files from the embedded archive, the old ones saved,
# the log file, the registry values, the PDF association and exit status 0.
# The client's local copy of the database is saved, then removed. Last, a
# configuration that names this computer as the server under another local
# name: the wizard refuses it and changes nothing.
source "$(dirname "$0")/comun.sh"

CARGA="$ZELVANO_BUILD_WIN32/tools/rar/carga"
NAVEGADOR_WIN='C:\Program Files (x86)\Google\Chrome\Application\chrome.exe'
RECURSOS="$ZELVANO_FUENTES/tests/wine/recursos.py"

# The sum of one file as listed by `listado` ("" when absent).
suma() { sed -n "s|^\([0-9a-f]\{64\}\)  \./$2\$|\1|p" <<<"$1"; }

# The user's run: notice, main window, start, final screen. $1: "canal" to
# press the channel button first, otherwise "Aceptar" is first pressed with
# the box unticked. $2: prefix of the screenshots.
ejecuta() {
  local modo="$1" fotos="$2"
  arranca_asistente "$modo"
  usuario espera-ventana frmAviso 120
  captura "$fotos-aviso" frmAviso
  usuario marca frmAviso "He Leído y Entendido"
  usuario pulsa-y-cierra frmAviso "» Siguiente"

  igual "carpeta de la aplicación mostrada" "$APP_WIN" "$(texto_de fV RutaTPV)"
  igual "versión mostrada" "20.21.1.5" "$(texto_de fV Version)"
  igual "equipo local mostrado" "TERMINAL1" "$(texto_de fV NombrePC)"
  igual "servidor mostrado" "SERVIDOR" "$(texto_de fV NombreServidor)"
  igual "carpeta de datos mostrada" "$RUTA_DATOS_WIN" "$(texto_de fV RutaDatos)"
  captura "$fotos-ventana_principal" fV

  usuario pulsa fV "Iniciar Actualización"
  # The bar must be seen moving while the run works.
  local primera="" lectura movida=0
  local fin=$((SECONDS + 300))
  while [ "$SECONDS" -lt "$fin" ] && [ ! -s "$TMP_PRUEBA/estado-$modo" ] &&
    ! ayudante existe-ventana frm_Final >/dev/null; do
    if lectura="$(ayudante barra fV PB7)"; then
      lectura="${lectura%% *}"
      if [ -z "$primera" ]; then
        primera="$lectura"
      elif [ "$lectura" -gt "$primera" ] && [ "$movida" -eq 0 ]; then
        movida=1
        captura "$fotos-durante" fV
      fi
    fi
    sleep 0.3
  done
  [ "$movida" -eq 1 ] || falla "no se vio avanzar la barra de progreso durante la actualización"
  [ -s "$TMP_PRUEBA/estado-$modo" ] &&
    aborta "el asistente terminó (estado $(cat "$TMP_PRUEBA/estado-$modo")) sin mostrar la pantalla final"

  usuario espera-ventana frm_Final 300
  igual "barra de progreso al abrirse la pantalla final" "20000 0 20000" "$(ayudante barra fV PB7)"
  # Its headlines blink: a second picture half a period later.
  captura "$fotos-pantalla_final" frm_Final
  sleep 0.25
  captura "$fotos-pantalla_final-b" frm_Final

  if [ "$modo" = canal ]; then
    usuario pulsa frm_Final "Suscríbase a nuestro Canal YouTube"
    acepta_dialogo "Suscríbase a nuestro Canal YouTube para estar informado de Nuevos Video Tutoriales." "$fotos-dialogo-77"
    ayudante existe-ventana frm_Final >/dev/null || falla "la pantalla final se cerró tras el botón del canal"
    usuario marca frm_Final "He Leído y Entendido"
    usuario pulsa frm_Final Aceptar
  else
    usuario pulsa frm_Final Aceptar
    acepta_dialogo "Debe marcar que ha leído la notificación." "$fotos-dialogo-33"
    ayudante existe-ventana frm_Final >/dev/null || falla "la pantalla final se cerró sin marcar la casilla"
    usuario marca frm_Final "He Leído y Entendido"
    usuario pulsa frm_Final Aceptar
    acepta_dialogo "Suscríbase a nuestro Canal YouTube para estar informado de Nuevos Video Tutoriales." "$fotos-dialogo-77"
  fi
  local estado
  estado="$(espera_fin "$modo" 120)" || aborta "el asistente no terminó tras la pantalla final"
  igual "estado de salida del asistente" 0 "$estado"
  ayudante existe-ventana frmDialogo >/dev/null && falla "queda un diálogo abierto al terminar"
}

# Files of the new version: every file of the archive's content, byte for
# byte, in its place.
comprueba_ficheros_nuevos() {
  local f rel
  while IFS= read -r -d '' f; do
    rel="${f#"$CARGA"/}"
    if [ ! -f "$APP/$rel" ]; then
      falla "no se extrajo $rel"
    elif ! cmp -s "$f" "$APP/$rel"; then
      falla "$rel extraído no es igual al del archivo"
    fi
  done < <(find "$CARGA" -type f -print0)
  for f in "Galeria/Familias/Domicilio.jpg" "Update/update.dat" "Update/nzw.dll" "Update/notificaciones.dat"; do
    hay_fichero "$APP/$f"
  done
  local bdd
  for bdd in Vacia Tex-Mex "Pub Discoteca" "Taberna Meson" Marisqueria "Bar Restaurante" Pizzeria; do
    hay_fichero "$APP/BDD Predefinidas/$bdd/QVD.FBK"
  done
  igual "FileVersion de Zelvano_Start.exe" "20.21.2.8" "$(python3 "$RECURSOS" --version "$APP/Zelvano_Start.exe")"
  no_hay "$APP/Zelvano.exe"
  no_hay "$APP/Pindal.dat"
  no_hay "$APP/Datos_Nuevos.rar"
  no_hay "$APP/Temp_V_Ant"
  hay_fichero "$APP/rar.exe"
}

# The installation as it was, saved in Temp\202103_202128: the four program
# files, the configuration files and the folders Datos and BDD Predefinidas.
comprueba_copia() {
  local antes="$1" copia="$APP/Temp/202103_202128"
  [ -d "$copia" ] || { falla "no existe Temp\\202103_202128"; return; }
  local f
  for f in Zelvano_Start.exe Zelvano.exe Zelvano.dll Corvisto.exe Pindal.dll Pindal.dat; do
    local s
    s="$(suma "$antes" "$f")"
    [ -n "$s" ] || continue
    if [ ! -f "$copia/$f" ]; then
      falla "no se guardó $f"
    else
      igual "copia guardada de $f" "$s" "$(sha256sum "$copia/$f" | cut -d' ' -f1)"
    fi
  done
  igual "versión guardada de Zelvano_Start.exe" "20.21.1.5" "$(python3 "$RECURSOS" --version "$copia/Zelvano_Start.exe")"
  local guardado
  guardado="$(cd "$copia" && find Datos "BDD Predefinidas" -type f -print0 2>/dev/null | LC_ALL=C sort -z | xargs -0 -r sha256sum | sed 's|  |  ./|')"
  igual "Datos y BDD Predefinidas guardados" \
    "$(grep -E '  \./(Datos|BDD Predefinidas)/' <<<"$antes")" "$guardado"
  # The copies of the earlier update were kept in Temp_V_Ant during the run
  # only: after a good run the Temp folder holds this update's copy and the
  # run's closed journal with the manifest of that copy; the lock file went
  # with the process that held it.
  igual "contenido de Temp tras la actualización" $'202103_202128\nDiario_202128.ini\nManifiesto_202128.txt' \
    "$(LC_ALL=C ls -A "$APP/Temp")"
}

comprueba_log() {
  local lineas
  lineas="$(lineas_log)" || { falla "fichero de registro: $lineas"; return; }
  local n
  n="$(wc -l <<<"$lineas")"
  igual "primera línea del registro" "Ejecutando función Guarda_Datos()" "$(head -1 <<<"$lineas")"
  igual "antepenúltima línea del registro" "ACTUALIZACIÓN FINALIZADA CORRECTAMENTE." "$(tail -3 <<<"$lineas" | head -1)"
  # The counter is the number of log changes before it, with the Spanish
  # thousands separator.
  local cuenta
  cuenta="$(python3 -c 'import sys; print(f"{int(sys.argv[1]):,}".replace(",", "."))' $((n - 2)))"
  igual "penúltima línea del registro" "Procesos Realizados: $cuenta" "$(tail -2 <<<"$lineas" | head -1)"
  local tiempo
  tiempo="$(tail -1 <<<"$lineas")"
  [[ "$tiempo" =~ ^Tiempo\ de\ procesos:\ Tiempo:\ 00:[0-5][0-9]:[0-5][0-9]$ ]] ||
    falla "última línea del registro: «$tiempo»"
  contiene "registro" "$lineas" $'Eliminado Pindal.dat\nEliminado C:\\Zelvano\\Temp_V_Ant'
  contiene "registro" "$lineas" "Extrayendo Datos_Nuevos.rar comprimidos"
  contiene "registro" "$lineas" "Punto de Restauración: C:\\Zelvano\\Datos\\3.NBK borrado."
  contiene "registro" "$lineas" 'Eliminado \Datos\QVD.FB'
}

comprueba_registro() {
  local v
  v="$(valores_clave "$CLAVE_PRODUCTO")"
  igual "Application Install Patch" "$APP_WIN" "$(valor_en "$v" "Application Install Patch")"
  igual "Application Name File" "Zelvano_Start.exe" "$(valor_en "$v" "Application Name File")"
  igual "Application Version" "2021.28" "$(valor_en "$v" "Application Version")"
  igual "Application Version File" "20.21.2.8" "$(valor_en "$v" "Application Version File")"
  igual "BDD Install Patch" "${APP_WIN}Datos\\" "$(valor_en "$v" "BDD Install Patch")"
  igual "BDD SQL Comments" "SQL FireBird WI-V2.5.9.27139 SuperServer" "$(valor_en "$v" "BDD SQL Comments")"
  igual "DLL Requerids" "Zelvano.dll; Firibllu.dll; libeay32.dll; ssleay32.dll" "$(valor_en "$v" "DLL Requerids")"
  igual "TeleComandas Application Name" "Corvisto.exe" "$(valor_en "$v" "TeleComandas Application Name")"
  contiene "E-Mail Contact" "$(valor_en "$v" "E-Mail Contact")" "@"
  local actualiza web
  actualiza="$(valor_en "$v" "Update")"
  [[ "$actualiza" == http*://*/descargas.htm ]] || falla "Update: «$actualiza»"
  web="$(valor_en "$v" "Web")"
  [[ "$web" == http*://* ]] || falla "Web: «$web»"
  igual "valor ajeno de la clave" "se queda" "$(valor_en "$v" "Valor Ajeno")"
  # Twelve values of the wizard and the one it must leave alone.
  igual "valores de la clave del producto" 13 "$(grep -c '    REG_' <<<"$v")"
  existe_clave "$CLAVE_PRODUCTO\\Corvisto TeleComandas Application Name" &&
    falla "la subclave «Corvisto TeleComandas Application Name» sigue ahí"
}

comprueba_pdf() { # con|sin  pdf_antes
  if [ "$1" = con ]; then
    existe_clave "$CLAVE_FILEEXTS_PDF" && falla "la elección del usuario para .pdf sigue ahí"
    igual "HKCR\\.pdf" "pdffile" "$(valor_registro 'HKCR\.pdf' '')"
    existe_clave 'HKCR\pdffile' || falla "falta HKCR\\pdffile"
    igual "icono de pdffile" "$NAVEGADOR_WIN,0" "$(valor_registro 'HKCR\pdffile\DefaultIcon' '')"
    igual "orden de apertura de pdffile" "$NAVEGADOR_WIN \"%1\"" \
      "$(valor_registro 'HKCR\pdffile\shell\open\command' '')"
  else
    igual "elección del usuario para .pdf" "AcroExch.Document" "$(valor_registro "$CLAVE_FILEEXTS_PDF\\UserChoice" Progid)"
    igual "HKCR\\.pdf sin navegador" "$2" "$(valor_registro 'HKCR\.pdf' '')"
    existe_clave 'HKCR\pdffile\shell\open\command' && falla "se creó pdffile sin navegador"
  fi
}

# One complete update; $1 "con" or "sin" the browser, $2 the user's way
# through the final screen, then options of the generator.
pasada() {
  local navegador="$1" modo="$2"
  shift 2
  instala 20.21.1.5 TERMINAL1 SERVIDOR "$@"
  # A terminal's stale local copy of the database.
  printf 'copia local' >"$APP/Datos/QVD.FB"
  # A clip that really plays, so that the pictures show the animation.
  local video="$APP/Galeria/Videos/Mantenimiento.avi"
  [ -f "$video" ] && python3 "$ZELVANO_FUENTES/tests/wine/clip.py" "$video"
  wine reg add "$CLAVE_PRODUCTO" /v "Valor Ajeno" /d "se queda" /f >/dev/null 2>&1
  wine reg add "$CLAVE_PRODUCTO\\Corvisto TeleComandas Application Name\\Dentro" /v x /d y /f >/dev/null 2>&1
  wine reg add "$CLAVE_FILEEXTS_PDF\\UserChoice" /v Progid /d AcroExch.Document /f >/dev/null 2>&1
  wine reg delete 'HKCR\pdffile' /f >/dev/null 2>&1
  rm -rf "$C/Program Files (x86)/Google"
  if [ "$navegador" = con ]; then
    mkdir -p "$(dirname "$NAVEGADOR")"
    cp "$ZELVANO_RAR_EXE" "$NAVEGADOR"
  fi
  local pdf_antes
  pdf_antes="$(valor_registro 'HKCR\.pdf' '')"
  local paginas
  paginas="$(anota_paginas)"
  local antes
  antes="$(listado)"
  [ -d "$APP/Temp" ] && [ -n "$(ls -A "$APP/Temp")" ] || falla "la instalación generada no trae Temp de una actualización anterior"

  ejecuta "$modo" "$navegador-navegador"

  comprueba_ficheros_nuevos
  comprueba_copia "$antes"
  comprueba_log
  no_hay "$APP/Datos/QVD.FB"
  comprueba_registro
  comprueba_pdf "$navegador" "$pdf_antes"
  local abiertas
  abiertas="$(tr -d '\r' <"$paginas")"
  igual "páginas abiertas" 1 "$(grep -c . <<<"$abiertas")"
  contiene "página del canal" "$abiertas" "sub_confirmation=1"
}

# The configuration names this computer as the server, in lower case (the
# name Windows gives it, as Windows compares names), and the terminal
# TERMINAL1 as this machine: a run would take the server for a client and
# delete its database. "Iniciar Actualización" tells what to correct and the
# wizard ends with nothing changed.
configuracion_contradictoria() {
  local equipo
  equipo="$(wine cmd /c 'echo %COMPUTERNAME%' 2>/dev/null | tr -d '\r')"
  [ -n "$equipo" ] && [ "$equipo" != "%COMPUTERNAME%" ] || { falla "no se pudo leer el nombre del equipo"; return; }
  instala 20.21.1.5 TERMINAL1 "${equipo,,}"
  printf 'base de datos en uso' >"$APP/Datos/QVD.FB"
  local antes
  antes="$(listado)"
  arranca_asistente contradictoria
  usuario espera-ventana frmAviso 120
  usuario marca frmAviso "He Leído y Entendido"
  usuario pulsa-y-cierra frmAviso "» Siguiente"
  usuario pulsa fV "Iniciar Actualización"
  local t
  t="$(dialogo contradictoria-dialogo-33)"
  contiene "diálogo" "$t" "La configuración de Zelvano se contradice"
  contiene "diálogo" "$t" $'\nNombre de EQUIPO SERVIDOR: '"${equipo,,}"$'\nNombre de EQUIPO LOCAL: TERMINAL1\n'
  contiene "diálogo" "$t" "Nombre de este equipo en Windows: $equipo"$'\n'
  usuario pulsa-y-cierra frmDialogo Aceptar
  local estado
  estado="$(espera_fin contradictoria 120)" || aborta "el asistente no terminó tras la negativa"
  igual "estado de salida tras la negativa" 0 "$estado"
  igual "instalación tras la negativa" "$antes" "$(listado)"
  no_hay "$APP/Excepciones_Act_202128.log"
}

# With the maintenance clip: the channel dialog plays it.
pasada con canal --clip
pasada sin aceptar
configuracion_contradictoria

termina_prueba
