#!/usr/bin/env bash
# The Firebird 3.0 server of the tests and the demo: only on loopback, run as
# root (so it opens the database files that the tests create as root), SYSDBA
# password set to the one the wizard carries. Idempotent.
#   firebird.sh arranca   install check, password, start, wait for the port
#   firebird.sh para      stop the server this script started
set -euo pipefail

CONF=/etc/firebird/3.0/firebird.conf
SEGURIDAD=/var/lib/firebird/3.0/system/security3.fdb
CLAVE=Zv2128
PUERTO=3050
PIDFILE=/run/zelvano-firebird.pid

comprueba_instalacion() {
  if [ ! -x /usr/sbin/firebird ] || ! command -v isql-fb >/dev/null; then
    echo "Falta firebird3.0-server: apt-get install firebird3.0-server firebird-dev" >&2
    exit 1
  fi
}

puerto_abierto() {
  (exec 3<>/dev/tcp/127.0.0.1/$PUERTO) 2>/dev/null
}

configura() {
  # Only loopback may reach the server.
  if grep -qE '^\s*RemoteBindAddress' "$CONF"; then
    sed -i -E 's/^\s*RemoteBindAddress.*/RemoteBindAddress = 127.0.0.1/' "$CONF"
  else
    echo 'RemoteBindAddress = 127.0.0.1' >> "$CONF"
  fi
}

# 0: the server takes our password; 1: it refuses it; 2: no answer.
acepta_clave() {
  local sonda="/tmp/zelvano-fb-sonda-$$.fdb" salida rc=2
  rm -f "$sonda"
  salida="$(echo "create database '127.0.0.1:$sonda' user 'SYSDBA' password '$CLAVE'; drop database; quit;" |
            isql-fb -q 2>&1)" && rc=0
  if [ "$rc" -ne 0 ] && grep -qi "user name and password" <<<"$salida"; then rc=1; fi
  rm -f "$sonda"
  return "$rc"
}

fija_clave() {
  # Embedded access to the security database, done while no server holds it.
  echo "create or alter user SYSDBA password '$CLAVE'; commit;" |
    isql-fb -q -user SYSDBA "$SEGURIDAD" >/dev/null
}

para_paquete() {
  # A packaged instance (started by the init script) would hold the port.
  if command -v service >/dev/null 2>&1; then
    service firebird3.0 stop >/dev/null 2>&1 || true
  fi
}

arranca() {
  comprueba_instalacion
  if puerto_abierto; then
    # Running already: it is ours when it takes our password. A server that
    # is busy is asked again rather than stopped under other users' feet.
    local estado=2
    for _ in $(seq 1 10); do
      estado=0
      acepta_clave || estado=$?
      [ "$estado" -eq 2 ] || break
      sleep 1
    done
    case "$estado" in
      0) echo "Firebird ya está en marcha en 127.0.0.1:$PUERTO"; return 0 ;;
      1) para ;;
      *) echo "Firebird no responde en 127.0.0.1:$PUERTO" >&2; exit 1 ;;
    esac
  fi
  para_paquete
  configura
  fija_clave
  mkdir -p /tmp/firebird
  /usr/sbin/fbguard -pidfile "$PIDFILE" -daemon -forever
  for _ in $(seq 1 100); do
    if puerto_abierto; then
      echo "Firebird en marcha en 127.0.0.1:$PUERTO"
      return 0
    fi
    sleep 0.1
  done
  echo "Firebird no responde en el puerto $PUERTO" >&2
  exit 1
}

para() {
  if [ -f "$PIDFILE" ]; then
    # The guardian stops its server when it is told to end.
    kill "$(cat "$PIDFILE")" 2>/dev/null || true
    rm -f "$PIDFILE"
  fi
  # Attachments still open delay the server's shutdown.
  for _ in $(seq 1 300); do
    puerto_abierto || return 0
    sleep 0.1
  done
  echo "Firebird sigue en marcha en el puerto $PUERTO" >&2
  return 1
}

case "${1:-}" in
  arranca) arranca ;;
  para) para ;;
  *) echo "uso: $0 arranca|para" >&2; exit 2 ;;
esac
