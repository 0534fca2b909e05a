#include "database/VersionBaseDatos.h"

#include <exception>
#include <string>
#include <vector>

#include "database/ClienteFirebird.h"
#include "database/EstadoDatos.h"

namespace basedatos {

namespace {

using texto::Texto;

const char kVersiones[] = "SELECT VERSION_ZELVANO FROM EMPRESA";
// One statement reads it all, so that the read costs the server one round
// trip: the shutdown mode, the stamps of EMPRESA, then every table's name
// and rows. Fields are separated by \2, tables by \1, a name from its rows
// by \3. Temporary tables hold nothing across connections and external ones
// live outside the file: neither says whether a restore brought the data
// back.
const char kRevision[] =
    "EXECUTE BLOCK RETURNS (R VARCHAR(32000)) AS "
    "DECLARE T VARCHAR(255); DECLARE N BIGINT; DECLARE F BIGINT; DECLARE V BIGINT; "
    "DECLARE A VARCHAR(255); DECLARE B VARCHAR(255); "
    "BEGIN "
    "SELECT MON$SHUTDOWN_MODE FROM MON$DATABASE INTO :N; "
    "SELECT COUNT(*), COUNT(VERSION_ZELVANO), MIN(VERSION_ZELVANO), MAX(VERSION_ZELVANO) FROM EMPRESA "
    "INTO :F, :V, :A, :B; "
    "R = N || ASCII_CHAR(2) || F || ASCII_CHAR(2) || V || ASCII_CHAR(2) || COALESCE(A, '') || ASCII_CHAR(2) || "
    "COALESCE(B, ''); "
    "FOR SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
    "AND RDB$VIEW_BLR IS NULL AND RDB$EXTERNAL_FILE IS NULL AND COALESCE(RDB$RELATION_TYPE, 0) = 0 "
    "ORDER BY RDB$RELATION_NAME INTO :T DO BEGIN "
    "EXECUTE STATEMENT 'SELECT COUNT(*) FROM \"' || REPLACE(T, '\"', '\"\"') || '\"' INTO :N; "
    "R = R || ASCII_CHAR(1) || T || ASCII_CHAR(3) || N; "
    "END "
    "SUSPEND; "
    "END";
constexpr unsigned short kDialecto = 3;
constexpr short kLargoVersion = 255;
constexpr short kLargoRevision = 32000;

const Texto kFueraDeLinea = u"La base de datos est\u00E1 cerrada (en modo de mantenimiento).";
const Texto kSinVersion = u"La base de datos no tiene la versi\u00F3n ";
const Texto kTablasDistintas = u"La base de datos no tiene las mismas tablas que la actualizada.";
const Texto kFilasDistintas = u"Faltan o sobran filas en la tabla ";

void AnadeCadena(std::string& dpb, char codigo, const std::string& valor) {
  dpb += codigo;
  dpb += static_cast<char>(valor.size() > 255 ? 255 : valor.size());
  dpb += valor.substr(0, 255);
}

Texto DeLatin1(const char* p, size_t n) {
  Texto t;
  for (size_t i = 0; i < n; ++i) t += static_cast<char16_t>(static_cast<unsigned char>(p[i]));
  return t;
}

// One read-only snapshot transaction, on a connection of its own or on one
// that the caller keeps; every value is read as text (the server converts
// it) from the first column of every row.
class Lectura {
 public:
  explicit Lectura(isc_db_handle* db) : f_(fbcliente::Cliente()), db_(*db), propia_(false) { Empieza(); }
  Lectura(const Texto& nombre, const Texto& usuario, const Texto& clave) : f_(fbcliente::Cliente()) {
    std::string dpb(1, static_cast<char>(isc_dpb_version1));
    AnadeCadena(dpb, isc_dpb_user_name, texto::ALatin1(usuario));
    AnadeCadena(dpb, isc_dpb_password, texto::ALatin1(clave));
    AnadeCadena(dpb, isc_dpb_lc_ctype, "ISO8859_1");
    const std::string base = fbcliente::NombreEnServidor(nombre);
    ISC_STATUS_ARRAY st{};
    f_.attach_database(st, static_cast<short>(base.size()), base.c_str(), &db_, static_cast<short>(dpb.size()),
                       dpb.data());
    fbcliente::Comprueba(st);
    Empieza();
  }
  ~Lectura() { Suelta(); }
  isc_db_handle* Db() { return &db_; }
  Lectura(const Lectura&) = delete;
  Lectura& operator=(const Lectura&) = delete;

  std::vector<Texto> Filas(const std::string& consulta, short largoValor) {
    isc_stmt_handle sentencia = 0;
    ISC_STATUS_ARRAY st{};
    f_.dsql_allocate_statement(st, &db_, &sentencia);
    fbcliente::Comprueba(st);
    struct Libera {
      const fbcliente::Funciones& f;
      isc_stmt_handle& s;
      ~Libera() {
        ISC_STATUS_ARRAY libre{};
        if (s) f.dsql_free_statement(libre, &s, DSQL_drop);  // result ignored: the connection goes next
      }
    } libera{f_, sentencia};
    alignas(XSQLDA) char memoria[XSQLDA_LENGTH(1)] = {};
    XSQLDA* salida = reinterpret_cast<XSQLDA*>(memoria);
    salida->version = SQLDA_VERSION1;
    salida->sqln = 1;
    f_.dsql_prepare(st, &tr_, &sentencia, 0, consulta.c_str(), kDialecto, salida);
    fbcliente::Comprueba(st);
    std::vector<char> valor(2 + static_cast<size_t>(largoValor));
    short nulo = 0;
    salida->sqld = 1;
    salida->sqlvar[0].sqltype = SQL_VARYING + 1;
    salida->sqlvar[0].sqllen = largoValor;
    salida->sqlvar[0].sqldata = valor.data();
    salida->sqlvar[0].sqlind = &nulo;
    f_.dsql_execute(st, &tr_, &sentencia, kDialecto, nullptr);
    fbcliente::Comprueba(st);
    std::vector<Texto> filas;
    for (;;) {
      const ISC_STATUS r = f_.dsql_fetch(st, &sentencia, kDialecto, salida);
      if (r == 100) break;
      fbcliente::Comprueba(st);
      const unsigned largo = static_cast<unsigned char>(valor[0]) | (static_cast<unsigned char>(valor[1]) << 8);
      Texto t = nulo < 0 ? Texto() : DeLatin1(valor.data() + 2, largo < valor.size() - 2 ? largo : valor.size() - 2);
      while (!t.empty() && t.back() == u' ') t.pop_back();
      filas.push_back(std::move(t));
    }
    return filas;
  }

 private:
  void Empieza() {
    static const char kTpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_concurrency, isc_tpb_nowait};
    ISC_STATUS_ARRAY st{};
    f_.start_transaction(st, &tr_, 1, &db_, static_cast<unsigned short>(sizeof kTpb), kTpb);
    if (st[0] == 1 && st[1] != 0) Suelta();
    fbcliente::Comprueba(st);
  }
  void Suelta() {
    ISC_STATUS_ARRAY libre{};
    if (tr_) f_.rollback_transaction(libre, &tr_);       // result ignored: nothing was written
    if (db_ && propia_) f_.detach_database(libre, &db_);  // result ignored: the handle goes either way
    tr_ = 0;
    db_ = 0;
  }

  const fbcliente::Funciones& f_;
  isc_db_handle db_ = 0;
  isc_tr_handle tr_ = 0;
  bool propia_ = true;  // the connection is this object's, and goes with it
};

std::vector<Texto> Parte(const Texto& t, char16_t separador) {
  std::vector<Texto> partes(1);
  for (char16_t c : t) {
    if (c == separador) partes.emplace_back();
    else partes.back() += c;
  }
  return partes;
}

uint64_t Numero(const Texto& t) {
  uint64_t n = 0;
  for (char16_t c : t)
    if (c >= u'0' && c <= u'9') n = n * 10 + static_cast<uint64_t>(c - u'0');
  return n;
}

}  // namespace

bool LeeVersion(const Texto& nombre, const Texto& usuario, const Texto& clave, Texto& version) {
  try {
    Lectura lectura(nombre, usuario, clave);
    const std::vector<Texto> versiones = lectura.Filas(kVersiones, kLargoVersion);
    if (versiones.empty()) return false;
    version = versiones.front();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

namespace {

Revision Lee(Lectura& lectura) {
  const std::vector<Texto> resultado = lectura.Filas(kRevision, kLargoRevision);
  Revision r;
  if (resultado.size() != 1) return r;
  const std::vector<Texto> tablas = Parte(resultado.front(), u'\1');
  const std::vector<Texto> campos = Parte(tablas.front(), u'\2');
  if (campos.size() != 5) return r;
  r.enLinea = campos[0] == u"0";
  r.filasEmpresa = Numero(campos[1]);
  r.versiones = Numero(campos[2]);
  r.versionMinima = campos[3];
  r.versionMaxima = campos[4];
  for (size_t i = 1; i < tablas.size(); ++i) {
    const std::vector<Texto> tabla = Parte(tablas[i], u'\3');
    r.filas.emplace_back(tabla.front(), tabla.size() == 2 ? Numero(tabla[1]) : 0);
  }
  return r;
}

}  // namespace

Revision Revisa(const Texto& nombre, const Texto& usuario, const Texto& clave, int* otrasConexiones) {
  Lectura lectura(nombre, usuario, clave);
  Revision r = Lee(lectura);
  if (otrasConexiones) *otrasConexiones = CuentaConexiones(lectura.Db(), Quien::Todas);
  return r;
}

Revision Revisa(isc_db_handle* db) {
  Lectura lectura(db);
  return Lee(lectura);
}

Texto Diferencia(const Revision& leida, const Revision& referencia, const Texto& version) {
  if (!leida.enLinea) return kFueraDeLinea;
  // Every row carries the stamp; a table without rows can only be the
  // migrated one's.
  const bool sellada = leida.filasEmpresa == 0
                           ? referencia.filasEmpresa == 0
                           : leida.versiones == leida.filasEmpresa && leida.versionMinima == version &&
                                 leida.versionMaxima == version;
  if (!sellada) return kSinVersion + version + u".";
  if (leida.filas.size() != referencia.filas.size()) return kTablasDistintas;
  for (size_t i = 0; i < leida.filas.size(); ++i) {
    if (leida.filas[i].first != referencia.filas[i].first) return kTablasDistintas;
    if (leida.filas[i].second != referencia.filas[i].second) return kFilasDistintas + leida.filas[i].first + u".";
  }
  return Texto();
}

}  // namespace basedatos
