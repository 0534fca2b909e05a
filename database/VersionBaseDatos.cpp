#include "database/VersionBaseDatos.h"

#include <exception>
#include <string>
#include <vector>

#include "database/ClienteFirebird.h"

#ifdef ZELVANO_WIN32
#include <windows.h>
#endif

namespace basedatos {

namespace {

const char kConsulta[] = "SELECT VERSION_ZELVANO FROM EMPRESA";
constexpr unsigned short kDialecto = 3;

using Fetch = decltype(&::isc_dsql_fetch);

// Only this reader fetches rows: a client library without the function
// (an older or a stand-in one) still serves every other step of the wizard.
Fetch FuncionFetch() {
#ifdef ZELVANO_WIN32
  HMODULE modulo = GetModuleHandleW(L"fbclient.dll");
  if (!modulo) return nullptr;
  return reinterpret_cast<Fetch>(reinterpret_cast<void*>(GetProcAddress(modulo, "isc_dsql_fetch")));
#else
  return &::isc_dsql_fetch;
#endif
}

bool Fallo(const ISC_STATUS* st) { return st[0] == 1 && st[1] != 0; }

void AnadeCadena(std::string& dpb, char codigo, const std::string& valor) {
  dpb += codigo;
  dpb += static_cast<char>(valor.size() > 255 ? 255 : valor.size());
  dpb += valor.substr(0, 255);
}

texto::Texto DeLatin1(const char* p, size_t n) {
  texto::Texto t;
  for (size_t i = 0; i < n; ++i) t += static_cast<char16_t>(static_cast<unsigned char>(p[i]));
  return t;
}

}  // namespace

bool LeeVersion(const texto::Texto& nombre, const texto::Texto& usuario, const texto::Texto& clave,
                texto::Texto& version) {
  try {
    const fbcliente::Funciones& f = fbcliente::Cliente();
    const Fetch fetch = FuncionFetch();
    if (!fetch) return false;
    ISC_STATUS_ARRAY st{};
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    isc_stmt_handle sentencia = 0;

    std::string dpb(1, static_cast<char>(isc_dpb_version1));
    AnadeCadena(dpb, isc_dpb_user_name, texto::ALatin1(usuario));
    AnadeCadena(dpb, isc_dpb_password, texto::ALatin1(clave));
    AnadeCadena(dpb, isc_dpb_lc_ctype, "ISO8859_1");
    const std::string base = fbcliente::NombreEnServidor(nombre);
    f.attach_database(st, static_cast<short>(base.size()), base.c_str(), &db, static_cast<short>(dpb.size()),
                      dpb.data());
    if (Fallo(st)) return false;

    bool leida = false;
    static const char kTpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed, isc_tpb_rec_version,
                                isc_tpb_nowait};
    f.start_transaction(st, &tr, 1, &db, static_cast<unsigned short>(sizeof kTpb), kTpb);
    if (!Fallo(st)) {
      std::vector<char> descriptor(XSQLDA_LENGTH(1));
      XSQLDA* salida = reinterpret_cast<XSQLDA*>(descriptor.data());
      salida->version = SQLDA_VERSION1;
      salida->sqln = 1;
      f.dsql_allocate_statement(st, &db, &sentencia);
      if (!Fallo(st)) f.dsql_prepare(st, &tr, &sentencia, 0, kConsulta, kDialecto, salida);
      XSQLVAR& campo = salida->sqlvar[0];
      const short tipo = static_cast<short>(campo.sqltype & ~1);
      if (!Fallo(st) && salida->sqld == 1 && (tipo == SQL_VARYING || tipo == SQL_TEXT)) {
        std::vector<char> datos(static_cast<size_t>(campo.sqllen) + 2);
        short nulo = 0;
        campo.sqldata = datos.data();
        campo.sqlind = &nulo;
        f.dsql_execute(st, &tr, &sentencia, kDialecto, nullptr);
        if (!Fallo(st) && fetch(st, &sentencia, kDialecto, salida) == 0 && !Fallo(st)) {
          if (nulo < 0) {
            version.clear();
          } else if (tipo == SQL_VARYING) {
            const unsigned short largo = *reinterpret_cast<unsigned short*>(datos.data());
            version = DeLatin1(datos.data() + 2, largo);
          } else {
            std::string t(datos.data(), static_cast<size_t>(campo.sqllen));
            while (!t.empty() && t.back() == ' ') t.pop_back();
            version = DeLatin1(t.data(), t.size());
          }
          leida = true;
        }
      }
      ISC_STATUS_ARRAY libre{};
      if (sentencia) f.dsql_free_statement(libre, &sentencia, DSQL_drop);
      f.rollback_transaction(libre, &tr);
    }
    ISC_STATUS_ARRAY libre{};
    f.detach_database(libre, &db);
    return leida;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace basedatos
