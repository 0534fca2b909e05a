// Minimal DSQL over libfbclient for the fixture and the tests.
#include "tools/basedatos/ConexionPrueba.h"

#include <ibase.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <stdexcept>

namespace soporte_bd {

const char* const kUsuario = "SYSDBA";
const char* const kClave = "Zv2128";

namespace {

std::string Latin1AUtf8(const char* p, size_t n) {
  std::string r;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(p[i]);
    if (c < 0x80) {
      r += static_cast<char>(c);
    } else {
      r += static_cast<char>(0xC0 | (c >> 6));
      r += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return r;
}

std::string Utf8ALatin1(const std::string& s) {
  std::string r;
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if ((c & 0xE0) == 0xC0 && i + 1 < s.size()) {
      r += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3F));
      ++i;
    } else {
      r += static_cast<char>(c);
    }
  }
  return r;
}

void Comprueba(const ISC_STATUS* st, const std::string& contexto) {
  if (!(st[0] == 1 && st[1])) return;
  std::string mensaje = contexto;
  char linea[1024];
  const ISC_STATUS* p = st;
  while (fb_interpret(linea, sizeof linea, &p) > 0) mensaje += std::string("\n") + linea;
  throw std::runtime_error(mensaje);
}

std::string Dpb() {
  std::string dpb(1, static_cast<char>(isc_dpb_version1));
  auto anade = [&](char codigo, const std::string& v) {
    dpb += codigo;
    dpb += static_cast<char>(v.size());
    dpb += v;
  };
  anade(isc_dpb_user_name, kUsuario);
  anade(isc_dpb_password, kClave);
  anade(isc_dpb_lc_ctype, "ISO8859_1");
  return dpb;
}

std::string Decimal(ISC_INT64 v, int escala) {
  std::string signo = v < 0 ? "-" : "";
  unsigned long long a = v < 0 ? static_cast<unsigned long long>(-(v + 1)) + 1 : static_cast<unsigned long long>(v);
  std::string digitos = std::to_string(a);
  if (escala >= 0) return signo + digitos + std::string(static_cast<size_t>(escala), '0');
  const size_t dec = static_cast<size_t>(-escala);
  if (digitos.size() <= dec) digitos = std::string(dec - digitos.size() + 1, '0') + digitos;
  return signo + digitos.substr(0, digitos.size() - dec) + "." + digitos.substr(digitos.size() - dec);
}

std::string TextoColumna(const XSQLVAR& v) {
  const int tipo = v.sqltype & ~1;
  const char* d = v.sqldata;
  switch (tipo) {
    case SQL_TEXT: return Latin1AUtf8(d, static_cast<size_t>(v.sqllen));
    case SQL_VARYING: {
      short n;
      std::memcpy(&n, d, sizeof n);
      return Latin1AUtf8(d + 2, static_cast<size_t>(n));
    }
    case SQL_SHORT: { short x; std::memcpy(&x, d, sizeof x); return Decimal(x, v.sqlscale); }
    case SQL_LONG: { ISC_LONG x; std::memcpy(&x, d, sizeof x); return Decimal(x, v.sqlscale); }
    case SQL_INT64: { ISC_INT64 x; std::memcpy(&x, d, sizeof x); return Decimal(x, v.sqlscale); }
    case SQL_DOUBLE: { double x; std::memcpy(&x, d, sizeof x); return std::to_string(x); }
    case SQL_FLOAT: { float x; std::memcpy(&x, d, sizeof x); return std::to_string(x); }
    case SQL_TYPE_DATE: {
      struct tm t{};
      isc_decode_sql_date(reinterpret_cast<const ISC_DATE*>(d), &t);
      char b[48];
      std::snprintf(b, sizeof b, "%04d-%02d-%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
      return b;
    }
    case SQL_BOOLEAN: return *d ? "TRUE" : "FALSE";
    default: return "?";
  }
}

}  // namespace

std::string NombreLoopback(const std::string& ruta) { return "127.0.0.1:" + ruta; }

ConexionPrueba::ConexionPrueba(const std::string& ruta) : db_(nullptr) {
  ISC_STATUS_ARRAY st{};
  isc_db_handle db = 0;
  const std::string nombre = NombreLoopback(ruta);
  const std::string dpb = Dpb();
  isc_attach_database(st, static_cast<short>(nombre.size()), nombre.c_str(), &db,
                      static_cast<short>(dpb.size()), dpb.data());
  Comprueba(st, "attach " + nombre);
  db_ = reinterpret_cast<void*>(static_cast<uintptr_t>(db));
}

ConexionPrueba::~ConexionPrueba() {
  ISC_STATUS_ARRAY st{};
  isc_db_handle db = static_cast<isc_db_handle>(reinterpret_cast<uintptr_t>(db_));
  if (db) isc_detach_database(st, &db);
}

void ConexionPrueba::Ejecuta(const std::string& sql) { Consulta(sql); }

std::vector<Fila> ConexionPrueba::Consulta(const std::string& sql) {
  ISC_STATUS_ARRAY st{};
  isc_db_handle db = static_cast<isc_db_handle>(reinterpret_cast<uintptr_t>(db_));
  isc_tr_handle tr = 0;
  static const char kTpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                              isc_tpb_rec_version, isc_tpb_nowait};
  isc_start_transaction(st, &tr, 1, &db, static_cast<unsigned short>(sizeof kTpb), kTpb);
  Comprueba(st, "start");
  isc_stmt_handle stmt = 0;
  std::vector<Fila> filas;
  try {
    isc_dsql_allocate_statement(st, &db, &stmt);
    Comprueba(st, "allocate");
    std::unique_ptr<char[]> bufSalida(new char[XSQLDA_LENGTH(64)]());
    XSQLDA* salida = reinterpret_cast<XSQLDA*>(bufSalida.get());
    salida->version = SQLDA_VERSION1;
    salida->sqln = 64;
    const std::string texto = Utf8ALatin1(sql);
    isc_dsql_prepare(st, &tr, &stmt, 0, texto.c_str(), 3, salida);
    Comprueba(st, "prepare: " + sql);
    std::vector<std::vector<char>> datos(static_cast<size_t>(salida->sqld));
    std::vector<short> nulos(static_cast<size_t>(salida->sqld));
    for (int i = 0; i < salida->sqld; ++i) {
      XSQLVAR& v = salida->sqlvar[i];
      datos[static_cast<size_t>(i)].resize(static_cast<size_t>(v.sqllen) + 8);
      v.sqldata = datos[static_cast<size_t>(i)].data();
      v.sqlind = &nulos[static_cast<size_t>(i)];
    }
    // Executable procedures return their single row at execute time.
    char tipoInfo[] = {isc_info_sql_stmt_type};
    char info[16] = {};
    isc_dsql_sql_info(st, &stmt, sizeof tipoInfo, tipoInfo, sizeof info, info);
    Comprueba(st, "info");
    const int tipo = info[0] == isc_info_sql_stmt_type ? isc_vax_integer(info + 3, static_cast<short>(isc_vax_integer(info + 1, 2))) : 0;
    auto leeFila = [&] {
      Fila f;
      for (int i = 0; i < salida->sqld; ++i) {
        const XSQLVAR& v = salida->sqlvar[i];
        if ((v.sqltype & 1) && *v.sqlind < 0) f.push_back(std::nullopt);
        else f.push_back(TextoColumna(v));
      }
      filas.push_back(f);
    };
    if (tipo == isc_info_sql_stmt_exec_procedure && salida->sqld > 0) {
      isc_dsql_execute2(st, &tr, &stmt, 1, nullptr, salida);
      Comprueba(st, "execute: " + sql);
      leeFila();
    } else {
      isc_dsql_execute(st, &tr, &stmt, 1, nullptr);
      Comprueba(st, "execute: " + sql);
      if (salida->sqld > 0) {
        for (;;) {
          const ISC_STATUS r = isc_dsql_fetch(st, &stmt, 1, salida);
          if (r == 100) break;
          Comprueba(st, "fetch: " + sql);
          leeFila();
        }
      }
    }
    isc_dsql_free_statement(st, &stmt, DSQL_drop);
    isc_commit_transaction(st, &tr);
    Comprueba(st, "commit: " + sql);
  } catch (...) {
    ISC_STATUS_ARRAY st2{};
    if (stmt) isc_dsql_free_statement(st2, &stmt, DSQL_drop);
    isc_rollback_transaction(st2, &tr);
    throw;
  }
  return filas;
}

std::string ConexionPrueba::Valor(const std::string& sql) {
  const auto filas = Consulta(sql);
  if (filas.empty() || filas[0].empty()) return "";
  return filas[0][0] ? *filas[0][0] : "NULL";
}

void ConexionPrueba::CreaBase(const std::string& ruta, int tamanoPagina) {
  ISC_STATUS_ARRAY st{};
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  const std::string sql = "CREATE DATABASE '" + NombreLoopback(ruta) + "' USER '" + kUsuario + "' PASSWORD '" +
                          kClave + "' PAGE_SIZE " + std::to_string(tamanoPagina) + " DEFAULT CHARACTER SET ISO8859_1";
  isc_dsql_execute_immediate(st, &db, &tr, 0, sql.c_str(), 3, nullptr);
  Comprueba(st, sql);
  isc_detach_database(st, &db);
  // Test databases need no flush after every commit: asynchronous writes
  // keep the fixture fast.
  std::string dpb = Dpb();
  dpb += static_cast<char>(isc_dpb_force_write);
  dpb += static_cast<char>(1);
  dpb += static_cast<char>(0);
  const std::string nombre = NombreLoopback(ruta);
  isc_attach_database(st, static_cast<short>(nombre.size()), nombre.c_str(), &db,
                      static_cast<short>(dpb.size()), dpb.data());
  Comprueba(st, "forced writes");
  isc_detach_database(st, &db);
}

void ConexionPrueba::BorraBase(const std::string& ruta) {
  ISC_STATUS_ARRAY st{};
  isc_db_handle db = 0;
  const std::string nombre = NombreLoopback(ruta);
  const std::string dpb = Dpb();
  isc_attach_database(st, static_cast<short>(nombre.size()), nombre.c_str(), &db,
                      static_cast<short>(dpb.size()), dpb.data());
  if (st[0] == 1 && st[1]) return;
  isc_drop_database(st, &db);
}

}  // namespace soporte_bd
