// Loading of the Firebird client and translation of its status vectors.
#include "database/ClienteFirebird.h"

#include <cstdarg>

#include "platform/excepciones.h"

#ifdef ZELVANO_WIN32
#include <windows.h>
#else
#include "platform/plataforma.h"
#include "platform/posix/posix_comun.h"
#endif

namespace fbcliente {

namespace {

#ifdef ZELVANO_WIN32
const texto::Texto kSinBiblioteca =
    u"No se encuentra la biblioteca cliente de Firebird (fbclient.dll).";

template <typename F>
void Carga(HMODULE modulo, const char* nombre, F& destino) {
  FARPROC p = GetProcAddress(modulo, nombre);
  if (!p) throw EIBClientError(kSinBiblioteca);
  destino = reinterpret_cast<F>(reinterpret_cast<void*>(p));
}

Funciones CargaFunciones() {
  HMODULE modulo = LoadLibraryW(L"fbclient.dll");
  if (!modulo) throw EIBClientError(kSinBiblioteca);
  Funciones f{};
  Carga(modulo, "isc_attach_database", f.attach_database);
  Carga(modulo, "isc_detach_database", f.detach_database);
  Carga(modulo, "isc_start_transaction", f.start_transaction);
  Carga(modulo, "isc_commit_retaining", f.commit_retaining);
  Carga(modulo, "isc_rollback_retaining", f.rollback_retaining);
  Carga(modulo, "isc_rollback_transaction", f.rollback_transaction);
  Carga(modulo, "isc_dsql_allocate_statement", f.dsql_allocate_statement);
  Carga(modulo, "isc_dsql_prepare", f.dsql_prepare);
  Carga(modulo, "isc_dsql_execute", f.dsql_execute);
  Carga(modulo, "isc_dsql_execute2", f.dsql_execute2);
  Carga(modulo, "isc_dsql_fetch", f.dsql_fetch);
  Carga(modulo, "isc_dsql_free_statement", f.dsql_free_statement);
  Carga(modulo, "isc_sqlcode", f.sqlcode);
  Carga(modulo, "fb_interpret", f.interpret);
  Carga(modulo, "isc_service_attach", f.service_attach);
  Carga(modulo, "isc_service_detach", f.service_detach);
  Carga(modulo, "isc_service_start", f.service_start);
  Carga(modulo, "isc_service_query", f.service_query);
  return f;
}
#else
// Tests make a chosen call fail as a lost connection would (the fault seam of
// the platform layer counts every call); the product's table is the library's.
ISC_STATUS FallaRed(ISC_STATUS* st) {
  st[0] = isc_arg_gds;
  st[1] = isc_network_error;
  st[2] = isc_arg_end;
  return st[1];
}

template <auto Real, const char* Nombre>
struct ConFallo;
template <typename... A, ISC_STATUS (*Real)(ISC_STATUS*, A...), const char* Nombre>
struct ConFallo<Real, Nombre> {
  static ISC_STATUS Llama(ISC_STATUS* st, A... a) {
    if (plataforma::OperacionInyectable(Nombre, texto::Texto())) return FallaRed(st);
    return Real(st, a...);
  }
};

constexpr char kAttach[] = "bd_attach", kDetach[] = "bd_detach", kTransaccion[] = "bd_transaccion",
               kCommit[] = "bd_commit", kRollback[] = "bd_rollback", kRollbackFin[] = "bd_rollback_fin",
               kReserva[] = "bd_reserva", kPrepara[] = "bd_prepara", kEjecuta[] = "bd_ejecuta",
               kEjecuta2[] = "bd_ejecuta2", kFila[] = "bd_fila", kLibera[] = "bd_libera", kServicio[] = "bd_servicio",
               kServicioFin[] = "bd_servicio_fin", kServicioInicia[] = "bd_servicio_inicia",
               kServicioConsulta[] = "bd_servicio_consulta";

// The one variadic entry: the data module always starts one transaction on
// one database.
ISC_STATUS InicioConFallo(ISC_STATUS* st, isc_tr_handle* tr, short n, ...) {
  va_list args;
  va_start(args, n);
  isc_db_handle* db = va_arg(args, isc_db_handle*);
  const int largo = va_arg(args, int);
  const ISC_SCHAR* tpb = va_arg(args, const ISC_SCHAR*);
  va_end(args);
  if (plataforma::OperacionInyectable(kTransaccion, texto::Texto())) return FallaRed(st);
  return isc_start_transaction(st, tr, n, db, largo, tpb);
}

Funciones CargaFunciones() {
  return Funciones{ConFallo<&isc_attach_database, kAttach>::Llama,
                   ConFallo<&isc_detach_database, kDetach>::Llama,
                   InicioConFallo,
                   ConFallo<&isc_commit_retaining, kCommit>::Llama,
                   ConFallo<&isc_rollback_retaining, kRollback>::Llama,
                   ConFallo<&isc_rollback_transaction, kRollbackFin>::Llama,
                   ConFallo<&isc_dsql_allocate_statement, kReserva>::Llama,
                   ConFallo<&isc_dsql_prepare, kPrepara>::Llama,
                   ConFallo<&isc_dsql_execute, kEjecuta>::Llama,
                   ConFallo<&isc_dsql_execute2, kEjecuta2>::Llama,
                   ConFallo<&isc_dsql_fetch, kFila>::Llama,
                   ConFallo<&isc_dsql_free_statement, kLibera>::Llama,
                   &isc_sqlcode,
                   &fb_interpret,
                   ConFallo<&isc_service_attach, kServicio>::Llama,
                   ConFallo<&isc_service_detach, kServicioFin>::Llama,
                   ConFallo<&isc_service_start, kServicioInicia>::Llama,
                   ConFallo<&isc_service_query, kServicioConsulta>::Llama};
}
#endif

}  // namespace

const Funciones& Cliente() {
  // A failed load is retried at the next use: the library may be installed
  // while the wizard waits.
  static Funciones funciones{};
  static bool cargadas = false;
  if (!cargadas) {
    funciones = CargaFunciones();
    cargadas = true;
  }
  return funciones;
}

void Comprueba(const ISC_STATUS* estado) {
  if (!(estado[0] == 1 && estado[1] != 0)) return;
  const Funciones& f = Cliente();
  const long sqlcode = f.sqlcode(estado);
  const long codigo = static_cast<long>(estado[1]);
  texto::Texto mensaje;
  const ISC_STATUS* cursor = estado;
  char linea[1024];
  while (f.interpret(linea, sizeof linea, &cursor) > 0) {
    if (!mensaje.empty()) mensaje += u'\n';
    // The server's messages come in the connection character set.
    for (const char* p = linea; *p; ++p) mensaje += static_cast<char16_t>(static_cast<unsigned char>(*p));
  }
  throw EIBInterBaseError(sqlcode, codigo, mensaje);
}

std::string RutaEnServidor(const texto::Texto& ruta) {
#ifdef ZELVANO_WIN32
  return texto::ACp1252(ruta);
#else
  return plataforma::posix::RutaPosix(ruta);
#endif
}

std::string NombreEnServidor(const texto::Texto& nombre) {
  // "server:path": the server part is a host name, the rest a path on it. A
  // text without a server part (a drive letter alone) is a local path.
  const auto dosPuntos = nombre.find(u':');
  if (dosPuntos == texto::Texto::npos || dosPuntos <= 1)
    return RutaEnServidor(nombre);
  return texto::ALatin1(nombre.substr(0, dosPuntos + 1)) + RutaEnServidor(nombre.substr(dosPuntos + 1));
}

}  // namespace fbcliente
