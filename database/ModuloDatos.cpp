// The data module: connection, transaction and statement object over the
// Firebird client. The services live in Servicios.cpp.
#include "database/ModuloDatos.h"

#include <clocale>
#include <exception>

#include "database/ClienteFirebird.h"
#include "database/EstadoDatos.h"
#include "database/Parametros.h"
#include "platform/excepciones.h"
#include "platform/ui.h"
#include "system/Cifrado.h"
#include "system/Constantes.h"
#include "system/Informe.h"

TMDatos* MDatos = nullptr;

namespace {

const Texto kNoConectada = u"La base de datos no est\u00E1 abierta.";
const Texto kSinTransaccion = u"La transacci\u00F3n no est\u00E1 activa.";
const Texto kUsuarioSistema = u"SYSDBA";

// Names of the attach parameters as the login handlers see them.
const Texto kUserName = u"user_name";
const Texto kLcCtype = u"lc_ctype";

Informe* (*g_informeDeLaEjecucion)() = nullptr;

Informe* InformeDeLaEjecucion() { return g_informeDeLaEjecucion ? g_informeDeLaEjecucion() : nullptr; }

// A fact of the run as its Informe gives it now; empty without one.
Texto Dato(Texto DatosEjecucion::*campo) {
  Informe* informe = InformeDeLaEjecucion();
  return informe ? informe->Datos().*campo : Texto();
}

TMDatos::Entorno EntornoDeLaEjecucion() {
  TMDatos::Entorno e;
  // Every line of the database phase is followed by a call that waits on
  // the server (a statement, a service's next line): the line, the counter
  // and the bar are on the screen before it.
  e.Registra = [](const Texto& linea) {
    if (Informe* informe = InformeDeLaEjecucion()) informe->Registra(linea);
    ui::aplicacion::PintaAhora();
  };
  e.Bombea = [] { ui::aplicacion::ProcesaMensajes(); };
  e.Usuario = [] { return Dato(&DatosEjecucion::usuarioBaseDatos); };
  e.Clave = [] { return Dato(&DatosEjecucion::claveBaseDatos); };
  e.RutaDatos = [] { return Dato(&DatosEjecucion::rutaDatos); };
  e.NombrePC = [] { return Dato(&DatosEjecucion::nombrePC); };
  return e;
}

// The dpb item of each parameter name a login handler may set.
bool CodigoDpb(const Texto& nombre, char& codigo) {
  struct Par {
    const char16_t* nombre;
    char codigo;
  };
  static const Par kPares[] = {
      {u"user_name", isc_dpb_user_name},         {u"password", isc_dpb_password},
      {u"lc_ctype", isc_dpb_lc_ctype},           {u"sql_role_name", isc_dpb_sql_role_name},
      {u"sql_dialect", isc_dpb_sql_dialect},
  };
  for (const Par& p : kPares)
    if (nombre == p.nombre) {
      codigo = p.codigo;
      return true;
    }
  return false;
}

void AnadeCadena(std::string& buffer, char codigo, const std::string& valor) {
  buffer += codigo;
  buffer += static_cast<char>(valor.size() > 255 ? 255 : valor.size());
  buffer += valor.substr(0, 255);
}

}  // namespace

void FijaParametro(ParametrosLogin& parametros, const Texto& nombre, const Texto& valor) {
  for (auto& p : parametros)
    if (p.first == nombre) {
      p.second = valor;
      return;
    }
  parametros.emplace_back(nombre, valor);
}

std::string BufferDpb(const ParametrosLogin& parametros) {
  std::string dpb(1, static_cast<char>(isc_dpb_version1));
  for (const auto& p : parametros) {
    char codigo = 0;
    // A name the client does not know cannot be sent; it is left out.
    if (CodigoDpb(p.first, codigo)) AnadeCadena(dpb, codigo, texto::ALatin1(p.second));
  }
  return dpb;
}

TMDatos::TMDatos() : estado_(std::make_unique<Estado>()) {
  // DataModuleCreate: character classification of a Spanish locale.
  if (!std::setlocale(LC_CTYPE, "Spanish") && !std::setlocale(LC_CTYPE, "es_ES.UTF-8"))
    std::setlocale(LC_CTYPE, "es_ES.ISO-8859-1");
  estado_->entorno = EntornoDeLaEjecucion();
  estado_->presetConexion = {{kUserName, kUsuarioSistema}, {kLcCtype, u"ISO8859_1"}};
  estado_->presetCopia = {{kUserName, kUsuarioSistema}, {u"password", u"563402"}};
}

TMDatos::~TMDatos() {
  // The process ends on every path; a module torn down by a test still lets
  // the server go.
  try {
    Cierra();
  } catch (...) {
  }
}

void TMDatos::SetEntorno(Entorno entorno) {
  Entorno base = EntornoDeLaEjecucion();
  if (!entorno.Registra) entorno.Registra = base.Registra;
  if (!entorno.Bombea) entorno.Bombea = base.Bombea;
  if (!entorno.Usuario) entorno.Usuario = base.Usuario;
  if (!entorno.Clave) entorno.Clave = base.Clave;
  if (!entorno.RutaDatos) entorno.RutaDatos = base.RutaDatos;
  if (!entorno.NombrePC) entorno.NombrePC = base.NombrePC;
  estado_->entorno = std::move(entorno);
}

void TMDatos::FijaInformeDeLaEjecucion(Informe* (*informe)()) { g_informeDeLaEjecucion = informe; }

void TMDatos::SetNombreBaseDatos(const Texto& nombre) { estado_->nombreBaseDatos = nombre; }
const Texto& TMDatos::NombreBaseDatos() const { return estado_->nombreBaseDatos; }
void TMDatos::SetServidorCopia(const Texto& servidor) { estado_->servidorCopia = servidor; }
void TMDatos::SetFicheroCopia(const Texto& fichero) { estado_->baseDatosCopia = fichero; }
const Texto& TMDatos::FicheroCopia() const { return estado_->baseDatosCopia; }
void TMDatos::SetServidorRestaurar(const Texto& servidor) { estado_->servidorRestaurar = servidor; }
void TMDatos::AnadeFicheroRestaurar(const Texto& fichero) {
  estado_->basesDatosRestaurar.push_back(fichero);
}

const ParametrosLogin& TMDatos::ParametrosConexion() const { return estado_->parametrosConexion; }
const ParametrosLogin& TMDatos::ParametrosCopia() const { return estado_->parametrosCopia; }
const ParametrosLogin& TMDatos::ParametrosRestaurar() const { return estado_->parametrosRestaurar; }
int TMDatos::LlamadasLogin() const { return estado_->llamadasLogin; }

// ---- Login handlers -------------------------------------------------------

void TMDatos::IBDatabaseLogin(ParametrosLogin& parametros) {
  ++estado_->llamadasLogin;
  FijaParametro(parametros, CifraBytes(constantes::NombreParamUsuario), kUsuarioSistema);
  FijaParametro(parametros, CifraBytes(constantes::NombreParamTercero),
                CifraBytes(constantes::ValorParamTercero));
  FijaParametro(parametros, CifraBytes(constantes::NombreParamClave), estado_->entorno.Clave());
}

void TMDatos::IBDCopiaLogin(ParametrosLogin& parametros) {
  FijaParametro(parametros, CifraBytes(constantes::NombreParamUsuario), estado_->entorno.Usuario());
  FijaParametro(parametros, CifraBytes(constantes::NombreParamClave), estado_->entorno.Clave());
}

void TMDatos::IBDRestaurarLogin(ParametrosLogin& parametros) { IBDCopiaLogin(parametros); }

// ---- Connection -----------------------------------------------------------

void TMDatos::Abre() {
  if (Conectada()) return;
  const fbcliente::Funciones& f = fbcliente::Cliente();
  ParametrosLogin parametros = estado_->presetConexion;
  IBDatabaseLogin(parametros);
  estado_->parametrosConexion = parametros;
  std::string dpb = BufferDpb(parametros);
  dpb += static_cast<char>(isc_dpb_sql_dialect);
  dpb += static_cast<char>(1);
  dpb += static_cast<char>(3);
  const std::string nombre = fbcliente::NombreEnServidor(estado_->nombreBaseDatos);
  ISC_STATUS_ARRAY st{};
  isc_db_handle db = 0;
  f.attach_database(st, static_cast<short>(nombre.size()), nombre.c_str(), &db,
                    static_cast<short>(dpb.size()), dpb.data());
  fbcliente::Comprueba(st);
  estado_->db = db;
  IBDatabaseAfterConnect();
}

bool TMDatos::Conectada() const { return estado_->db != 0; }

void TMDatos::Cierra() {
  if (!Conectada()) return;
  // A connection whose pending work cannot be committed (the server gone,
  // for instance) is still detached; the first error is reported.
  std::exception_ptr error;
  try {
    IBDatabaseBeforeDisconnect();
  } catch (...) {
    error = std::current_exception();
  }
  const fbcliente::Funciones& f = fbcliente::Cliente();
  ISC_STATUS_ARRAY st{};
  if (estado_->tr) f.rollback_transaction(st, &estado_->tr);
  f.detach_database(st, &estado_->db);
  // Once more when it failed: an attachment of the wizard's own left open
  // would keep the rollback from putting the database file back.
  if (estado_->db && st[0] == 1 && st[1] != 0) {
    ISC_STATUS_ARRAY otra{};
    f.detach_database(otra, &estado_->db);  // result ignored: the first failure is reported
  }
  // Whatever the server answers, the handles are no longer usable.
  estado_->db = 0;
  estado_->tr = 0;
  estado_->stmt = 0;
  if (error) std::rethrow_exception(error);
  fbcliente::Comprueba(st);
}

void TMDatos::IBDatabaseAfterConnect() {
  const fbcliente::Funciones& f = fbcliente::Cliente();
  static const char kTpb[] = {isc_tpb_version3, isc_tpb_read_committed, isc_tpb_rec_version,
                              isc_tpb_nowait};
  ISC_STATUS_ARRAY st{};
  f.start_transaction(st, &estado_->tr, 1, &estado_->db, static_cast<unsigned short>(sizeof kTpb),
                      kTpb);
  fbcliente::Comprueba(st);
  CommitRetaining();
}

void TMDatos::IBDatabaseBeforeDisconnect() {
  CierraSentencia();
  if (!TransaccionActiva()) return;
  CommitRetaining();
  const fbcliente::Funciones& f = fbcliente::Cliente();
  ISC_STATUS_ARRAY st{};
  f.rollback_transaction(st, &estado_->tr);
  estado_->tr = 0;
  fbcliente::Comprueba(st);
}

// ---- Transaction ----------------------------------------------------------

bool TMDatos::TransaccionActiva() const { return estado_->tr != 0; }

void TMDatos::CommitRetaining() {
  if (!TransaccionActiva()) throw Exception(kSinTransaccion);
  ISC_STATUS_ARRAY st{};
  fbcliente::Cliente().commit_retaining(st, &estado_->tr);
  fbcliente::Comprueba(st);
}

void TMDatos::RollbackRetaining() {
  if (!TransaccionActiva()) throw Exception(kSinTransaccion);
  ISC_STATUS_ARRAY st{};
  fbcliente::Cliente().rollback_retaining(st, &estado_->tr);
  fbcliente::Comprueba(st);
}

// ---- Statement object -----------------------------------------------------

void TMDatos::CierraSentencia() {
  if (!estado_->stmt) return;
  ISC_STATUS_ARRAY st{};
  fbcliente::Cliente().dsql_free_statement(st, &estado_->stmt, DSQL_drop);
  estado_->stmt = 0;
  fbcliente::Comprueba(st);
}

void TMDatos::SetParamCheck(bool activo) { estado_->paramCheck = activo; }
bool TMDatos::ParamCheckActivo() const { return estado_->paramCheck; }
void TMDatos::LimpiaSentencia() { estado_->lineasSentencia.clear(); }
void TMDatos::AnadeLineaSentencia(const Texto& linea) { estado_->lineasSentencia.push_back(linea); }

namespace {

// A new statement object of the connection (the caller closed the last
// one), prepared in SQL dialect 3.
void PreparaSentencia(TMDatos::Estado& estado, const std::string& bytes) {
  const fbcliente::Funciones& f = fbcliente::Cliente();
  ISC_STATUS_ARRAY st{};
  f.dsql_allocate_statement(st, &estado.db, &estado.stmt);
  fbcliente::Comprueba(st);
  f.dsql_prepare(st, &estado.tr, &estado.stmt, 0, bytes.c_str(), 3, nullptr);
  fbcliente::Comprueba(st);
}

}  // namespace

void TMDatos::EjecutaSentenciaActual() {
  if (!Conectada()) throw Exception(kNoConectada);
  if (!TransaccionActiva()) throw Exception(kSinTransaccion);
  Texto texto;
  for (std::size_t i = 0; i < estado_->lineasSentencia.size(); ++i) {
    if (i) texto += u"\r\n";
    texto += estado_->lineasSentencia[i];
  }
  if (estado_->paramCheck) texto = MarcaParametros(texto).texto;
  const std::string bytes = texto::ALatin1(texto);

  // The wizard's statements return nothing and take no parameters: a text
  // with markers fails at the server, as it would with an empty parameter set.
  CierraSentencia();
  PreparaSentencia(*estado_, bytes);
  ISC_STATUS_ARRAY st{};
  fbcliente::Cliente().dsql_execute(st, &estado_->tr, &estado_->stmt, 1, nullptr);
  fbcliente::Comprueba(st);
}

void TMDatos::EjecutaSentencia(const Texto& etiqueta, const Texto& sentencia,
                               ParamCheck instruccion) {
  estado_->entorno.Registra(etiqueta);
  CierraSentencia();
  if (instruccion == ParamCheck::Encender) SetParamCheck(true);
  if (instruccion == ParamCheck::Apagar) SetParamCheck(false);
  LimpiaSentencia();
  AnadeLineaSentencia(sentencia);
  EjecutaSentenciaActual();
  CommitRetaining();
}
