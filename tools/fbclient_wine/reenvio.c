/* The fbclient.dll of the Wine tests: the wizard's Windows executable loads
 * it as it would load the real client on a shop's server, and every call
 * goes on to Debian's i386 client library, which talks to the local server.
 * Test tool only, never shipped.
 *
 * Compiled with plain `gcc -m32` (or -m64), not winegcc: under _WIN32 ibase.h would
 * declare the Linux library's functions __stdcall. The .spec file gives the
 * exports their Windows conventions (stdcall; isc_start_transaction cdecl
 * with variable arguments), so the functions here take them too. */
#include <ibase.h>
#include <stdarg.h>
#include <stddef.h>

/* Nothing is converted on the way: both sides must agree on these sizes.
 * The 64-bit variant serves the 64-bit test build of the wizard (on a
 * kernel that runs no 32-bit programs): there the Linux and the Windows
 * layouts agree too (status words of 8 bytes, handles of 4). */
#if defined(__x86_64__)
_Static_assert(sizeof(ISC_STATUS) == 8, "ISC_STATUS de 8 bytes");
_Static_assert(sizeof(ISC_LONG) == 4, "ISC_LONG de 4 bytes");
_Static_assert(sizeof(isc_db_handle) == 4, "manejadores de 4 bytes");
_Static_assert(sizeof(void*) == 8, "biblioteca de 64 bits");
_Static_assert(sizeof(XSQLVAR) == 160 && offsetof(XSQLVAR, sqldata) == 8 && offsetof(XSQLVAR, sqlind) == 16,
               "XSQLVAR como en Windows");
_Static_assert(sizeof(XSQLDA) == 184 && offsetof(XSQLDA, sqldabc) == 12 && offsetof(XSQLDA, sqlvar) == 24,
               "XSQLDA como en Windows");
/* The Windows x64 convention, whatever the .spec says: the caller is
 * Windows code, the callee the System V Linux library. */
#define WINAPI_REENVIO __attribute__((ms_abi))
#define CDECL_REENVIO __attribute__((ms_abi))
#define LISTA_VARIABLE __builtin_ms_va_list
#define INICIA_LISTA __builtin_ms_va_start
#define TERMINA_LISTA __builtin_ms_va_end
#else
_Static_assert(sizeof(ISC_STATUS) == 4, "ISC_STATUS de 4 bytes");
_Static_assert(sizeof(ISC_LONG) == 4, "ISC_LONG de 4 bytes");
_Static_assert(sizeof(isc_db_handle) == 4, "manejadores de 4 bytes");
_Static_assert(sizeof(void*) == 4, "biblioteca de 32 bits");
/* Statement descriptors as the Windows build lays them out. */
_Static_assert(sizeof(XSQLVAR) == 152 && offsetof(XSQLVAR, sqldata) == 8 && offsetof(XSQLVAR, sqlind) == 12,
               "XSQLVAR como en Windows");
_Static_assert(sizeof(XSQLDA) == 172 && offsetof(XSQLDA, sqldabc) == 12 && offsetof(XSQLDA, sqlvar) == 20,
               "XSQLDA como en Windows");

/* A Windows caller guarantees a stack aligned to 4 bytes only; the i386
 * Linux library is compiled for 16. */
#define WINAPI_REENVIO __attribute__((stdcall, force_align_arg_pointer))
#define CDECL_REENVIO __attribute__((cdecl, force_align_arg_pointer))
#define LISTA_VARIABLE va_list
#define INICIA_LISTA va_start
#define TERMINA_LISTA va_end
#endif

WINAPI_REENVIO ISC_STATUS reenvia_attach_database(ISC_STATUS* st, short largo, const ISC_SCHAR* nombre,
                                                  isc_db_handle* db, short largo_dpb, const ISC_SCHAR* dpb) {
  return isc_attach_database(st, largo, nombre, db, largo_dpb, dpb);
}

WINAPI_REENVIO ISC_STATUS reenvia_detach_database(ISC_STATUS* st, isc_db_handle* db) {
  return isc_detach_database(st, db);
}

/* Firebird 3.0's ibase.h declares no transaction block: one per database,
 * as isc_start_multiple reads it. */
typedef struct {
  isc_db_handle* db;
  ISC_LONG largo_tpb;
  const ISC_SCHAR* tpb;
} BloqueTransaccion;
_Static_assert(sizeof(BloqueTransaccion) == 3 * sizeof(void*), "bloque de transacción de tres palabras");

enum { kMaxBasesTransaccion = 16 };

/* The triples (database, parameter length, parameters) come as variable
 * arguments: they are gathered into blocks for isc_start_multiple. */
CDECL_REENVIO ISC_STATUS reenvia_start_transaction(ISC_STATUS* st, isc_tr_handle* tr, short cuantas, ...) {
  BloqueTransaccion bloques[kMaxBasesTransaccion];
  if (cuantas < 0 || cuantas > kMaxBasesTransaccion) {
    st[0] = isc_arg_gds;
    st[1] = isc_bad_teb_form;
    st[2] = isc_arg_end;
    return st[1];
  }
  LISTA_VARIABLE argumentos;
  INICIA_LISTA(argumentos, cuantas);
  for (short i = 0; i < cuantas; ++i) {
    bloques[i].db = va_arg(argumentos, isc_db_handle*);
    bloques[i].largo_tpb = (short)va_arg(argumentos, int);
    bloques[i].tpb = va_arg(argumentos, const ISC_SCHAR*);
  }
  TERMINA_LISTA(argumentos);
  return isc_start_multiple(st, tr, cuantas, bloques);
}

WINAPI_REENVIO ISC_STATUS reenvia_commit_retaining(ISC_STATUS* st, isc_tr_handle* tr) {
  return isc_commit_retaining(st, tr);
}

WINAPI_REENVIO ISC_STATUS reenvia_rollback_retaining(ISC_STATUS* st, isc_tr_handle* tr) {
  return isc_rollback_retaining(st, tr);
}

WINAPI_REENVIO ISC_STATUS reenvia_rollback_transaction(ISC_STATUS* st, isc_tr_handle* tr) {
  return isc_rollback_transaction(st, tr);
}

WINAPI_REENVIO ISC_STATUS reenvia_dsql_allocate_statement(ISC_STATUS* st, isc_db_handle* db,
                                                          isc_stmt_handle* sentencia) {
  return isc_dsql_allocate_statement(st, db, sentencia);
}

WINAPI_REENVIO ISC_STATUS reenvia_dsql_prepare(ISC_STATUS* st, isc_tr_handle* tr, isc_stmt_handle* sentencia,
                                               unsigned short largo, const ISC_SCHAR* texto,
                                               unsigned short dialecto, XSQLDA* descriptor) {
  return isc_dsql_prepare(st, tr, sentencia, largo, texto, dialecto, descriptor);
}

WINAPI_REENVIO ISC_STATUS reenvia_dsql_execute(ISC_STATUS* st, isc_tr_handle* tr, isc_stmt_handle* sentencia,
                                               unsigned short version, const XSQLDA* descriptor) {
  return isc_dsql_execute(st, tr, sentencia, version, descriptor);
}

WINAPI_REENVIO ISC_STATUS reenvia_dsql_execute2(ISC_STATUS* st, isc_tr_handle* tr, isc_stmt_handle* sentencia,
                                                unsigned short version, const XSQLDA* entrada,
                                                const XSQLDA* salida) {
  return isc_dsql_execute2(st, tr, sentencia, version, entrada, salida);
}

WINAPI_REENVIO ISC_STATUS reenvia_dsql_fetch(ISC_STATUS* st, isc_stmt_handle* sentencia, unsigned short version,
                                             const XSQLDA* salida) {
  return isc_dsql_fetch(st, sentencia, version, salida);
}

WINAPI_REENVIO ISC_STATUS reenvia_dsql_free_statement(ISC_STATUS* st, isc_stmt_handle* sentencia,
                                                      unsigned short opcion) {
  return isc_dsql_free_statement(st, sentencia, opcion);
}

WINAPI_REENVIO ISC_LONG reenvia_sqlcode(const ISC_STATUS* st) { return isc_sqlcode(st); }

WINAPI_REENVIO ISC_LONG reenvia_interpret(ISC_SCHAR* linea, unsigned int largo, const ISC_STATUS** cursor) {
  return fb_interpret(linea, largo, cursor);
}

WINAPI_REENVIO ISC_STATUS reenvia_service_attach(ISC_STATUS* st, unsigned short largo, const ISC_SCHAR* servicio,
                                                 isc_svc_handle* svc, unsigned short largo_spb,
                                                 const ISC_SCHAR* spb) {
  return isc_service_attach(st, largo, servicio, svc, largo_spb, spb);
}

WINAPI_REENVIO ISC_STATUS reenvia_service_detach(ISC_STATUS* st, isc_svc_handle* svc) {
  return isc_service_detach(st, svc);
}

WINAPI_REENVIO ISC_STATUS reenvia_service_start(ISC_STATUS* st, isc_svc_handle* svc, isc_resv_handle* reservado,
                                                unsigned short largo, const ISC_SCHAR* peticion) {
  return isc_service_start(st, svc, reservado, largo, peticion);
}

WINAPI_REENVIO ISC_STATUS reenvia_service_query(ISC_STATUS* st, isc_svc_handle* svc, isc_resv_handle* reservado,
                                                unsigned short largo_envio, const ISC_SCHAR* envio,
                                                unsigned short largo_pide, const ISC_SCHAR* pide,
                                                unsigned short largo_respuesta, ISC_SCHAR* respuesta) {
  return isc_service_query(st, svc, reservado, largo_envio, envio, largo_pide, pide, largo_respuesta, respuesta);
}
