// Counting the other attachments of the product database, and waiting for
// the server to let go of its file.
#include "database/Conexiones.h"

#include <ibase.h>

#include <exception>
#include <string>

#include "database/ClienteFirebird.h"
#include "database/EstadoDatos.h"
#include "database/ModuloDatos.h"
#include "platform/excepciones.h"
#include "platform/plataforma.h"

namespace basedatos {

namespace {

// The server's own housekeeping (garbage collector, cache writer) shows as
// attachments with a system flag on the versions that have the column; the
// older ones do not show it at all.
const char kConColumnaSistema[] =
    "SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'MON$ATTACHMENTS' "
    "AND RDB$FIELD_NAME = 'MON$SYSTEM_FLAG'";
const char kOtras[] = "SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION";
const char kNoSistema[] = " AND MON$SYSTEM_FLAG = 0";
// Every client library sends the name of its program at attach; the
// attachment of a backup or restore the server runs for itself has none,
// or (where the server runs it in-process) no network protocol either.
const char kSoloServicios[] = " AND (MON$REMOTE_PROCESS IS NULL OR MON$REMOTE_PROTOCOL IS NULL)";

// Both the wait and its end name what still holds the database.
const Texto kSigueAbierta = u"La base de datos sigue abierta (";
const Texto kEsperandoCierreFin =
    u"): esperando a que se cierren Zelvano y Corvisto en todos los terminales para reponerla...";
const Texto kCerrada = u"La base de datos ya no tiene otras conexiones: se repone.";
const Texto kSigueAbiertaFin = u"): no se repone.";
const Texto kSinServidorReponer =
    u"No se ha podido conectar con el servidor de la base de datos: nadie la tiene abierta a trav\u00E9s de \u00E9l; "
    u"se repone.";

// Putting the file back: the technician may need a few minutes to close the
// programs on every terminal.
constexpr LimitesEspera kEsperaReponer{3 * 60, 0, 1000, 10};

bool Fallo(const ISC_STATUS* st) { return st[0] == 1 && st[1] != 0; }

// The link to the server, not the database, failed.
bool SinEnlace(ISC_STATUS codigo) {
  return codigo == isc_network_error || codigo == isc_net_read_err || codigo == isc_net_write_err ||
         codigo == isc_conn_lost || codigo == isc_lost_db_connection || codigo == isc_net_connect_err ||
         codigo == isc_net_connect_listen_err;
}

// The server keeps the file to itself (a restore in progress, a shutdown).
bool Reservada(ISC_STATUS codigo) {
  return codigo == isc_shutdown || codigo == isc_shutdown_timeout || codigo == isc_lock_timeout ||
         codigo == isc_deadlock;
}

// The one number a COUNT returns, in a transaction of its own: the server
// takes its monitoring snapshot once per transaction.
int64_t Cuenta(isc_db_handle* db, const std::string& consulta) {
  const fbcliente::Funciones& f = fbcliente::Cliente();
  static const char kTpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed, isc_tpb_rec_version,
                              isc_tpb_nowait};
  ISC_STATUS_ARRAY st{};
  isc_tr_handle tr = 0;
  isc_stmt_handle sentencia = 0;
  f.start_transaction(st, &tr, 1, db, static_cast<unsigned short>(sizeof kTpb), kTpb);
  fbcliente::Comprueba(st);
  alignas(XSQLDA) char memoria[XSQLDA_LENGTH(1)] = {};
  XSQLDA* salida = reinterpret_cast<XSQLDA*>(memoria);
  salida->version = SQLDA_VERSION1;
  salida->sqln = 1;
  salida->sqld = 1;
  ISC_INT64 valor = 0;
  short nulo = 0;
  salida->sqlvar[0].sqltype = SQL_INT64 + 1;
  salida->sqlvar[0].sqllen = sizeof valor;
  salida->sqlvar[0].sqldata = reinterpret_cast<char*>(&valor);
  salida->sqlvar[0].sqlind = &nulo;
  f.dsql_allocate_statement(st, db, &sentencia);
  if (!Fallo(st)) f.dsql_prepare(st, &tr, &sentencia, 0, consulta.c_str(), 3, nullptr);
  if (!Fallo(st)) f.dsql_execute2(st, &tr, &sentencia, 1, nullptr, salida);
  ISC_STATUS_ARRAY libre{};
  if (sentencia) f.dsql_free_statement(libre, &sentencia, DSQL_drop);  // result ignored: read-only
  f.rollback_transaction(libre, &tr);                                  // result ignored: read-only
  fbcliente::Comprueba(st);
  return nulo ? 0 : valor;
}

// Who has it: the count, or the server itself when it holds the file shut.
Texto QuienLaUsa(int conexiones) {
  return conexiones > 0 ? ConexionesQueQuedan(conexiones) : Texto(u"el servidor la est\u00E1 usando");
}

}  // namespace

int CuentaConexiones(isc_db_handle* db, Quien quien) {
  std::string consulta = kOtras;
  if (Cuenta(db, kConColumnaSistema) > 0) consulta += kNoSistema;
  if (quien == Quien::Servicios) consulta += kSoloServicios;
  return static_cast<int>(Cuenta(db, consulta));
}

Ocupacion MiraOcupacion(const Texto& nombre, const Texto& usuario, const Texto& clave, Quien quien) {
  Ocupacion o;
  try {
    const fbcliente::Funciones& f = fbcliente::Cliente();
    const std::string dpb = BufferDpb({{u"user_name", usuario}, {u"password", clave}, {u"lc_ctype", u"ISO8859_1"}});
    const std::string base = fbcliente::NombreEnServidor(nombre);
    ISC_STATUS_ARRAY st{};
    isc_db_handle db = 0;
    f.attach_database(st, static_cast<short>(base.size()), base.c_str(), &db, static_cast<short>(dpb.size()),
                      dpb.data());
    if (Fallo(st)) {
      // A file the server cannot open at all (gone, or no database) is not
      // held by it: putting a saved copy in its place harms nobody.
      o.estado = SinEnlace(st[1]) ? Ocupacion::Estado::SinServidor
                 : Reservada(st[1])  ? Ocupacion::Estado::EnUso
                                     : Ocupacion::Estado::Libre;
      return o;
    }
    try {
      o.conexiones = CuentaConexiones(&db, quien);
      o.estado = o.conexiones ? Ocupacion::Estado::EnUso : Ocupacion::Estado::Libre;
    } catch (const EIBInterBaseError& e) {
      // Attached but not counted: nothing says the others are gone.
      o.estado = SinEnlace(e.IBErrorCode()) ? Ocupacion::Estado::SinServidor : Ocupacion::Estado::EnUso;
    }
    // Once more when it failed: left open, this attachment would be counted
    // by the next look.
    for (int i = 0; i < 2 && db; ++i) {
      ISC_STATUS_ARRAY libre{};
      f.detach_database(libre, &db);  // result ignored: nothing was written
      if (!Fallo(libre)) break;
    }
  } catch (const std::exception&) {
    o.estado = Ocupacion::Estado::SinServidor;  // no client library
  }
  return o;
}

FinEspera EsperaBaseDatosLibre(const Texto& nombre, const Texto& usuario, const Texto& clave, Quien quien,
                               const LimitesEspera& limites, const std::function<void()>& bombea,
                               const std::function<void(int conexiones)>& enUso) {
  const int64_t frecuencia = plataforma::FrecuenciaRendimiento();
  const int64_t inicio = plataforma::ContadorRendimiento();
  auto Segundos = [&](int64_t desde) { return (plataforma::ContadorRendimiento() - desde) / frecuencia; };
  int64_t libreDesde = inicio;
  int sinServidor = 0;
  // Bounded by the clock and, where pauses are shortened, by the number of
  // rounds the full pauses would have taken.
  const int64_t rondas = limites.maximoSegundos * 1000 / limites.pausaMilisegundos;
  for (int64_t ronda = 0;; ++ronda) {
    const Ocupacion o = MiraOcupacion(nombre, usuario, clave, quien);
    switch (o.estado) {
      case Ocupacion::Estado::SinServidor:
        if (++sinServidor >= limites.intentosSinServidor) return FinEspera::SinServidor;
        break;
      case Ocupacion::Estado::EnUso:
        sinServidor = 0;
        libreDesde = plataforma::ContadorRendimiento();
        if (enUso) enUso(o.conexiones);
        break;
      case Ocupacion::Estado::Libre:
        sinServidor = 0;
        if (Segundos(libreDesde) >= limites.libreSegundos) return FinEspera::Libre;
        break;
    }
    if (Segundos(inicio) >= limites.maximoSegundos || ronda >= rondas) return FinEspera::SigueEnUso;
    plataforma::Duerme(limites.pausaMilisegundos);
    if (bombea) bombea();
  }
}

bool EsperaQueSeCierreLaBaseDatos(const Texto& nombre, const Texto& usuario, const Texto& clave,
                                  const std::function<void(const Texto&)>& registra,
                                  const std::function<void()>& bombea) {
  int ultimas = -1;
  const FinEspera fin = EsperaBaseDatosLibre(nombre, usuario, clave, Quien::Todas, kEsperaReponer, bombea,
                                             [&](int conexiones) {
                                               if (conexiones == ultimas) return;
                                               ultimas = conexiones;
                                               registra(kSigueAbierta + QuienLaUsa(conexiones) +
                                                        kEsperandoCierreFin);
                                             });
  switch (fin) {
    case FinEspera::Libre:
      if (ultimas >= 0) registra(kCerrada);
      return true;
    case FinEspera::SinServidor:
      registra(kSinServidorReponer);
      return true;
    case FinEspera::SigueEnUso:
      break;
  }
  registra(kSigueAbierta + QuienLaUsa(ultimas < 0 ? 0 : ultimas) + kSigueAbiertaFin);
  return false;
}

Texto ConexionesQueQuedan(int conexiones) {
  if (conexiones == 1) return u"queda 1 conexi\u00F3n";
  return u"quedan " + texto::FormatoEntero(conexiones) + u" conexiones";
}

Texto AvisoOtrasConexiones(int conexiones) {
  return u"La base de datos est\u00E1 abierta en otros equipos o programas: " + ConexionesQueQuedan(conexiones) +
         u".\nCierre Zelvano y Corvisto en todos los terminales";
}

}  // namespace basedatos

int TMDatos::ConexionesAjenas() {
  Abre();
  return basedatos::CuentaConexiones(&estado_->db, basedatos::Quien::Todas);
}
