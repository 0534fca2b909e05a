#!/usr/bin/env bash
# The Windows executable's fault seam and a walk over a whole client run
# with it, under Wine.
#  1. The shipped executable reads no variable of the seam: none of their
#     names is in it, as 8-bit or as UTF-16 text; the test build
#     (Act_202103_a_202128_pruebas.exe) holds every one.
#  2. A clean run of the test build, traced, gives the run's operations;
#     then the run is repeated from the same installation with the Nth
#     operation failing (every ZELVANO_RECORRIDO_PASO_WINE-th, 3 by default:
#     each run costs about six seconds of Wine, a client run has some 170
#     operations, and every one of them would take near 20 minutes; the
#     Linux build walks every operation), each with the Windows error of one
#     of four kinds in turn. After each run, as on Linux: every file of the
#     installation is in place or in a saved copy with the same bytes,
#     success only with the copy whole, nothing outside the installation
#     changed (a Unix link in "Datos", which Wine shows as a reparse point,
#     leads there), and the run ends by itself.
source "$(dirname "$0")/comun.sh"

EXE_PRUEBAS="${ZELVANO_EXE_PRUEBAS_WIN32:-$ZELVANO_BUILD_WIN32/Act_202103_a_202128_pruebas.exe}"
VARIABLES=(ZELVANO_FALLO_EN ZELVANO_FALLO_ERROR ZELVANO_MATA_EN ZELVANO_TRAZA_OPERACIONES ZELVANO_FACTOR_PAUSAS)
[ -f "$EXE_PRUEBAS" ] || aborta "falta la compilación de pruebas $EXE_PRUEBAS"

# ---- 1. the seam is in the test build only
nombres_en() { # exe variables... -> the names found in it
  python3 - "$@" <<'PY'
import sys
datos = open(sys.argv[1], "rb").read()
for v in sys.argv[2:]:
    if v.encode("ascii") in datos or v.encode("utf-16-le") in datos:
        print(v)
PY
}
igual "variables de la costura en el ejecutable entregado" "" "$(nombres_en "$ZELVANO_EXE_WIN32" "${VARIABLES[@]}")"
igual "variables de la costura en la compilación de pruebas" "$(printf '%s\n' "${VARIABLES[@]}")" \
  "$(nombres_en "$EXE_PRUEBAS" "${VARIABLES[@]}")"

# ---- 2. the walk
PASO="${ZELVANO_RECORRIDO_PASO_WINE:-3}"
ERRORES=(denegado compartir disco_lleno ruta_larga)
FUERA="$ZELVANO_TRABAJO/fuera_de_la_instalacion"
MODELO="$TMP_PRUEBA/modelo"
MENSAJES="$TMP_PRUEBA/mensajes.txt"

instala 20.21.1.5 TERMINAL1 SERVIDOR --pindal-dat
cp "$EXE_PRUEBAS" "$APP/Update/$ASISTENTE"
mkdir -p "$FUERA"
echo "no es de la instalación" >"$FUERA/ajeno.txt"
ln -s "$FUERA" "$APP/Datos/EnlaceFuera"
rm -rf "$MODELO"
cp -a "$APP" "$MODELO"
fuera_antes="$(cd "$FUERA" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum)"
# path -> sum of every file of the installation before the run
(cd "$MODELO" && find . -path ./Datos/EnlaceFuera -prune -o -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum) \
  >"$TMP_PRUEBA/antes.txt"

export ZELVANO_FACTOR_PAUSAS=0
# One run of the test build with the environment given; prints its status.
corrida() { # etiqueta [VAR=valor...]
  local etiqueta="$1"
  shift
  rm -rf "$APP"
  cp -a "$MODELO" "$APP"
  : >"$MENSAJES"
  (
    for asignacion in "$@"; do export "${asignacion?}"; done
    arranca_asistente "$etiqueta" >/dev/null
    wine "$AYUDANTE_WIN" conduce "$ASISTENTE" "$(winepath -w "$MENSAJES")" 240 \
      >"$TMP_PRUEBA/conduce.out" 2>&1 || echo "COLGADO" >>"$MENSAJES"
  )
  espera_fin "$etiqueta" 30 || { echo "COLGADO" >>"$MENSAJES"; ayudante mata "$ASISTENTE" >/dev/null; echo colgado; }
}

traza="$TMP_PRUEBA/traza.txt"
rm -f "$traza"
estado="$(corrida limpia "ZELVANO_TRAZA_OPERACIONES=$(winepath -w "$traza")")"
igual "estado de la ejecución limpia" 0 "$estado"
grep -q "PANTALLA FINAL" "$MENSAJES" || aborta "la ejecución limpia no llegó a la pantalla final: $(cat "$MENSAJES")"
operaciones="$(wc -l <"$traza")"
[ "$operaciones" -gt 50 ] || aborta "la traza tiene solo $operaciones operaciones"
# What the archive brings, as the clean run left it (outside Temp and Datos).
(cd "$APP" && find . -path ./Temp -prune -o -path ./Datos -prune -o -type f ! -name Excepciones_Act_202128.log \
  -print0 | LC_ALL=C sort -z | xargs -0 sha256sum) >"$TMP_PRUEBA/limpia.txt"

# The checks of one run, in Python: the sums before, after and of the clean
# run, and what the user was told.
comprueba() { # n tipo estado
  python3 - "$APP" "$TMP_PRUEBA/antes.txt" "$TMP_PRUEBA/limpia.txt" "$MENSAJES" "$3" <<'PY'
import hashlib, os, sys
app, antes_f, limpia_f, mensajes_f, estado = sys.argv[1:]
def lee(f):
    r = {}
    for l in open(f, encoding="utf-8"):
        s, _, p = l.rstrip("\n").partition("  ")
        r[p[2:]] = s
    return r
antes, limpia = lee(antes_f), lee(limpia_f)
ahora = {}
for raiz, dirs, fichs in os.walk(app):
    for f in fichs:
        p = os.path.join(raiz, f)
        if os.path.islink(p):
            continue
        ahora[os.path.relpath(p, app)] = hashlib.sha256(open(p, "rb").read()).hexdigest()
    dirs[:] = [d for d in dirs if not os.path.islink(os.path.join(raiz, d))]
def origen(r):
    if r.startswith("Temp/Conservada_"):
        partes = r.split("/", 2)
        if len(partes) < 3: return r
        r = "Temp/" + partes[2]
        if r.startswith("Temp/Temp_V_Ant/"): return "Temp/" + r[len("Temp/Temp_V_Ant/"):]
    if r.startswith("Temp/202103_202128/"): return r[len("Temp/202103_202128/"):]
    if r.startswith("Temp_V_Ant/"): return "Temp/" + r[len("Temp_V_Ant/"):]
    return r
hallados = {(origen(r), s) for r, s in ahora.items()}
mensajes = open(mensajes_f, encoding="utf-8").read()
exito = "PANTALLA FINAL" in mensajes
fallos = []
if "COLGADO" in mensajes or estado != "0":
    fallos.append("no terminó por sí solo con estado 0 (estado %s)" % estado)
for r, s in antes.items():
    if exito and r.startswith("Temp/"): continue
    if (r, s) not in hallados: fallos.append("perdido: " + r)
if exito:
    guardados = ("Datos/", "BDD Predefinidas/")
    for r, s in antes.items():
        if r.startswith(guardados) or r in ("Zelvano_Start.exe", "Zelvano.exe", "Zelvano.dll", "Corvisto.exe",
                                            "Pindal.dat", "Pindal.dll"):
            if ahora.get("Temp/202103_202128/" + r) != s: fallos.append("copia incompleta tras el éxito: " + r)
    for r, s in limpia.items():
        if ahora.get(r) != s: fallos.append("no extraído tras el éxito: " + r)
    print("exito")
elif "Se han restaurado todos sus Datos Anteriores." in mensajes:
    for r, s in antes.items():
        if not r.startswith("Temp") and ahora.get(r) != s: fallos.append("no repuesto: " + r)
    print("repuesto")
elif "No se han podido restaurar todos sus Datos Anteriores." in mensajes:
    print("incompleto")
else:
    for r, s in antes.items():
        if ahora.get(r) != s: fallos.append("cambiado sin avisar de una reposición: " + r)
    print("detenido")
for f in fallos[:10]: print("FALLO " + f)
PY
}

declare -A cuenta=([exito]=0 [repuesto]=0 [detenido]=0 [incompleto]=0)
inyectados=0
i=0
for ((n = 1; n <= operaciones; n += PASO)); do
  tipo="$(sed -n "${n}p" "$traza" | cut -d' ' -f2)"
  error="${ERRORES[$((i % ${#ERRORES[@]}))]}"
  i=$((i + 1))
  estado="$(corrida "n$n" "ZELVANO_FALLO_EN=$n" "ZELVANO_FALLO_ERROR=$error")"
  inyectados=$((inyectados + 1))
  resultado="$(comprueba "$n" "$tipo" "$estado")"
  clase="$(head -1 <<<"$resultado")"
  cuenta[$clase]=$((${cuenta[$clase]:-0} + 1))
  while IFS= read -r l; do
    [[ "$l" == FALLO* ]] && falla "operación $n ($tipo, $error): ${l#FALLO }"
  done <<<"$resultado"
  fuera_ahora="$(cd "$FUERA" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum)"
  [ "$fuera_antes" == "$fuera_ahora" ] || falla "operación $n ($tipo): cambió algo fuera de la instalación"
done
echo "[ recorrido wine ] cliente: $operaciones operaciones en la ejecución, $inyectados fallos inyectados (paso $PASO):" \
  "${cuenta[exito]} terminaron bien, ${cuenta[repuesto]} se repusieron, ${cuenta[detenido]} se detuvieron sin cambios," \
  "${cuenta[incompleto]} avisaron de una reposición incompleta"

termina_prueba
