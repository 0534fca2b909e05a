// Backup of the database to QVD.FBK and restore over QVD.FB through the
// server's service manager, with the verbose output copied to the log.
#include <ibase.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <memory>
#include <utility>

#include "database/ClienteFirebird.h"
#include "database/Conexiones.h"
#include "database/EstadoDatos.h"
#include "database/ModuloDatos.h"
#include "database/VersionBaseDatos.h"
#include "platform/excepciones.h"
#include "platform/plataforma.h"

namespace {

const Texto kFicheroBaseDatos = u"QVD.FB";
const Texto kFicheroCopia = u"QVD.FBK";
// The restore's own file, beside the database until it takes its place.
const Texto kFicheroRestaurado = u"QVD_NUEVA.FB";
const Texto kGestorServicios = u":service_mgr";
const Texto kCopiaNoCompletada =
    u"Copia de seguridad no completada: no se restaura la base de datos.";
const Texto kRestauracionNoCompletada = u"Restauraci\u00F3n de la base de datos no completada.";
const Texto kRestauradaEnUso =
    u"La base de datos restaurada no puede ocupar el lugar de la actual: el servidor la est\u00E1 usando.";
const Texto kRestauradaSinSustituir =
    u"La base de datos restaurada no ha podido ocupar el lugar de la actual.";
const Texto kEsperandoServidor =
    u"Se ha perdido la comunicaci\u00F3n con el servidor: esperando a que termine con la base de datos...";
const Texto kServidorLibre = u"El servidor ya no usa la base de datos.";
const Texto kServidorSigue =
    u"El servidor sigue usando la base de datos: no se ha podido esperar a que termine.";
const Texto kServidorPerdido =
    u"No se ha podido volver a conectar con el servidor: se da por terminado su trabajo con la base de datos.";
// How long the server may go on with a backup or restore of its own after
// the link to it was lost, how long the database must stay free of it, how
// often the server is asked, and how many failed reconnects end the wait.
constexpr basedatos::LimitesEspera kEsperaServicio{30 * 60, 3, 250, 20};

// IgnoreLimbo, NoGarbageCollection, NonTransportable.
constexpr uint32_t kOpcionesCopia =
    isc_spb_bkp_ignore_limbo | isc_spb_bkp_no_garbage_collect | isc_spb_bkp_non_transportable;
// NoShadow, Replace.
constexpr uint32_t kOpcionesRestaurar = isc_spb_res_no_shadow | isc_spb_res_replace;
constexpr uint32_t kTamanoPagina = 4096;

void AnadeTexto(std::string& spb, char codigo, const std::string& valor) {
  spb += codigo;
  spb += static_cast<char>(valor.size() & 0xFF);
  spb += static_cast<char>((valor.size() >> 8) & 0xFF);
  spb += valor;
}

void AnadeEntero(std::string& spb, char codigo, uint32_t valor) {
  spb += codigo;
  for (int i = 0; i < 4; ++i) spb += static_cast<char>((valor >> (8 * i)) & 0xFF);
}

uint32_t LeeEntero(const char* p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
  return v;
}

// One attached service: the calls of IBDCopia / IBDRestaurar.
class Servicio {
 public:
  Servicio(const Texto& servidor, const ParametrosLogin& parametros) {
    std::string spb;
    spb += static_cast<char>(isc_spb_version);
    spb += static_cast<char>(isc_spb_current_version);
    for (const auto& p : parametros) {
      const std::string valor = texto::ALatin1(p.second);
      const char codigo = p.first == u"user_name" ? isc_spb_user_name
                          : p.first == u"password" ? isc_spb_password
                                                   : 0;
      if (!codigo) continue;
      spb += codigo;
      spb += static_cast<char>(valor.size());
      spb += valor;
    }
    const std::string nombre = texto::ALatin1(servidor + kGestorServicios);
    ISC_STATUS_ARRAY st{};
    fbcliente::Cliente().service_attach(st, static_cast<unsigned short>(nombre.size()),
                                        nombre.c_str(), &handle_,
                                        static_cast<unsigned short>(spb.size()), spb.data());
    fbcliente::Comprueba(st);
  }

  ~Servicio() { Suelta(); }

  void Inicia(const std::string& peticion) {
    ISC_STATUS_ARRAY st{};
    fbcliente::Cliente().service_start(st, &handle_, nullptr,
                                       static_cast<unsigned short>(peticion.size()),
                                       peticion.data());
    fbcliente::Comprueba(st);
  }

  // Whether the service still runs and, in the same round trip, the next
  // line of its output; after the end of the output the line is an empty
  // text that the server is not asked for.
  struct Sondeo {
    bool enMarcha = false;
    Texto linea;
  };
  Sondeo Sondea() {
    const bool conLinea = !finSalida_;
    const std::string r = conLinea ? Consulta({isc_info_svc_running, isc_info_svc_line})
                                   : Consulta({isc_info_svc_running});
    Sondeo s;
    for (size_t i = 0; i < r.size();) {
      const char elemento = r[i];
      if (elemento == static_cast<char>(isc_info_svc_running) && i + 5 <= r.size()) {
        s.enMarcha = LeeEntero(&r[i + 1], 4) != 0;
        i += 5;
      } else if (elemento == static_cast<char>(isc_info_svc_line) && i + 3 <= r.size()) {
        const uint32_t largo = LeeEntero(&r[i + 1], 2);
        for (uint32_t k = 0; k < largo && i + 3 + k < r.size(); ++k)
          s.linea += static_cast<char16_t>(static_cast<unsigned char>(r[i + 3 + k]));
        i += 3 + largo;
      } else {
        break;  // isc_info_end, or what this loop does not ask for
      }
    }
    if (conLinea && s.linea.empty()) finSalida_ = true;
    return s;
  }

  // The next line of output alone (the end of an output left unread).
  Texto SiguienteLinea() {
    if (finSalida_) return Texto();
    Texto linea = Lee(Consulta({isc_info_svc_line}));
    if (linea.empty()) finSalida_ = true;
    return linea;
  }

  // Lets go of a service whose link failed, result ignored: a server still
  // running the service must not be kept waiting for a reader that is gone.
  void Suelta() {
    ISC_STATUS_ARRAY st{};
    if (handle_) fbcliente::Cliente().service_detach(st, &handle_);  // result ignored
    handle_ = 0;
  }

  void Desconecta() {
    ISC_STATUS_ARRAY st{};
    fbcliente::Cliente().service_detach(st, &handle_);
    handle_ = 0;
    fbcliente::Comprueba(st);
  }

 private:
  std::string Consulta(std::initializer_list<char> elementos) {
    const std::string pide(elementos);
    char buffer[8192] = {};
    ISC_STATUS_ARRAY st{};
    fbcliente::Cliente().service_query(st, &handle_, nullptr, 0, nullptr, static_cast<unsigned short>(pide.size()),
                                       pide.data(), static_cast<unsigned short>(sizeof buffer), buffer);
    fbcliente::Comprueba(st);
    return std::string(buffer, sizeof buffer);
  }

  static Texto Lee(const std::string& r) {
    Texto linea;
    if (r.size() >= 3 && r[0] == static_cast<char>(isc_info_svc_line)) {
      const uint32_t largo = LeeEntero(&r[1], 2);
      for (uint32_t i = 0; i < largo && 3 + i < r.size(); ++i)
        linea += static_cast<char16_t>(static_cast<unsigned char>(r[3 + i]));
    }
    return linea;
  }

  isc_svc_handle handle_ = 0;
  bool finSalida_ = false;
};

// Polls the service while it runs, logging each line; tells whether the
// service finished without reporting an error. Its output left unread at the
// end is read (not logged) for the same check. A server that reports the
// failure of the operation through the query itself (rather than as an
// output line) has its message logged like output lines, and kept in
// `fallo` for the caller.
bool SigueServicio(Servicio& servicio, const TMDatos::Entorno& entorno,
                   std::unique_ptr<EIBInterBaseError>& fallo) {
  bool error = false;
  try {
    for (;;) {
      const Servicio::Sondeo s = servicio.Sondea();
      if (LineaDeErrorDeServicio(s.linea)) error = true;
      // A line that comes with "stopped" is not logged: the poll ends as
      // soon as the service reports that it no longer runs.
      if (!s.enMarcha) break;
      entorno.Registra(s.linea);
    }
    for (Texto resto = servicio.SiguienteLinea(); !resto.empty(); resto = servicio.SiguienteLinea())
      if (LineaDeErrorDeServicio(resto)) error = true;
  } catch (const EIBInterBaseError& e) {
    for (const Texto& linea : texto::PartePorLineas(e.Message())) entorno.Registra(linea);
    fallo = std::make_unique<EIBInterBaseError>(e);
    error = true;
  }
  return !error;
}

bool FicheroConDatos(const Texto& ruta) {
  uint64_t tamano = 0;
  return plataforma::TamanoFichero(ruta, tamano) && tamano > 0;
}

// The link to a started service failed: the server may be going on with the
// backup or restore on its own. Nothing may touch the database file until
// that service has let go of it, or a file put back now would be overwritten
// (or left half-restored) by the server afterwards. Only the service counts:
// a terminal left connected is the rollback's to wait for, not this wait's.
// A service just started opens the database only after reading the backup's
// header, so the file counts as let go once the server has gone a while
// without it. A server that cannot be reached at all is taken to have
// stopped. Every way the wait ends is logged.
void EsperaQueElServidorLaSuelte(const Texto& servidor, const Texto& base, const TMDatos::Entorno& entorno) {
  bool avisado = false;
  const basedatos::FinEspera fin = basedatos::EsperaBaseDatosLibre(
      servidor + u":" + base, entorno.Usuario(), entorno.Clave(), basedatos::Quien::Servicios, kEsperaServicio,
      entorno.Bombea, [&](int) {
        if (!avisado) entorno.Registra(kEsperandoServidor);
        avisado = true;
      });
  switch (fin) {
    case basedatos::FinEspera::Libre:
      entorno.Registra(kServidorLibre);
      break;
    case basedatos::FinEspera::SigueEnUso:
      entorno.Registra(kServidorSigue);
      break;
    case basedatos::FinEspera::SinServidor:
      entorno.Registra(kServidorPerdido);
      break;
  }
}

// A failure that says the link to the server broke, not that the server
// refused: only then may the server still be working on its own.
bool EnlacePerdido(long codigo) {
  return codigo == isc_network_error || codigo == isc_net_read_err || codigo == isc_net_write_err ||
         codigo == isc_conn_lost || codigo == isc_lost_db_connection;
}

// Starts the service and follows it to its end; see SigueServicio. When the
// link breaks once the request may have reached the server, the server is
// given the time to let go of the database before the failure goes on.
bool EjecutaServicio(Servicio& servicio, const std::string& peticion, const Texto& servidor,
                     const Texto& base, const TMDatos::Entorno& entorno,
                     std::unique_ptr<EIBInterBaseError>& fallo) {
  auto SiSeRompio = [&](const EIBInterBaseError& e) {
    if (!EnlacePerdido(e.IBErrorCode())) return;
    servicio.Suelta();
    EsperaQueElServidorLaSuelte(servidor, base, entorno);
  };
  bool sinErrores = false;
  try {
    servicio.Inicia(peticion);
    sinErrores = SigueServicio(servicio, entorno, fallo);
  } catch (const EIBInterBaseError& e) {
    SiSeRompio(e);
    throw;
  }
  if (fallo) SiSeRompio(*fallo);
  return sinErrores;
}

}  // namespace

bool LineaDeErrorDeServicio(const Texto& linea) {
  // gbak reports failures as "gbak: ERROR:..." (or "gbak:ERROR:"); a table
  // or field whose name holds the word is no error.
  std::size_t i = 0;
  const Texto prefijo = u"gbak:";
  if (linea.compare(0, prefijo.size(), prefijo) == 0) i = prefijo.size();
  while (i < linea.size() && linea[i] == u' ') ++i;
  return linea.compare(i, 6, u"ERROR:") == 0;
}

namespace {

Texto ConServidor(const Texto& servidor, const Texto& fichero) { return servidor + u":" + fichero; }

// Whether the server has the file open (a service, or any attachment). A
// server that cannot be asked counts as using it.
bool EnUsoEnElServidor(const Texto& servidor, const TMDatos::Entorno& entorno, const Texto& fichero) {
  return basedatos::MiraOcupacion(ConServidor(servidor, fichero), entorno.Usuario(), entorno.Clave(),
                                  basedatos::Quien::Todas)
             .estado != basedatos::Ocupacion::Estado::Libre;
}

}  // namespace

void TMDatos::CopiaSeguridad() {
  Estado& e = *estado_;
  e.copiaCompletada = false;
  e.hayRevisionMigrada = false;
  e.hayRevisionRestaurada = false;
  // What the restored file must read back as, read through the run's own
  // connection while it is still there (its work committed first): an
  // attachment of its own would cost the server another open and close of
  // the file. Without it, or when it fails, read as below.
  if (Conectada()) {
    try {
      IBDatabaseBeforeDisconnect();
      e.revisionMigrada = basedatos::Revisa(&e.db);
      e.hayRevisionMigrada = true;
    } catch (const std::exception&) {
    }
  }
  Cierra();
  const Texto carpeta = e.entorno.RutaDatos();
  e.baseDatosCopia = carpeta + kFicheroBaseDatos;
  e.servidorCopia = e.entorno.NombrePC();
  e.ficherosCopia.assign(1, carpeta + kFicheroCopia);
  // A backup file left by an earlier run must never be taken for this one.
  if (plataforma::ExisteFichero(e.ficherosCopia[0])) plataforma::BorraFichero(e.ficherosCopia[0]);

  ParametrosLogin parametros = e.presetCopia;
  IBDCopiaLogin(parametros);
  e.parametrosCopia = parametros;
  // A database that cannot be read now cannot be told whole later: the run
  // fails here.
  if (!e.hayRevisionMigrada)
    e.revisionMigrada = basedatos::Revisa(ConServidor(e.servidorCopia, e.baseDatosCopia), e.entorno.Usuario(),
                                          e.entorno.Clave());
  e.hayRevisionMigrada = true;
  Servicio servicio(e.servidorCopia, parametros);

  std::string peticion(1, static_cast<char>(isc_action_svc_backup));
  AnadeTexto(peticion, isc_spb_dbname, fbcliente::RutaEnServidor(e.baseDatosCopia));
  for (const Texto& fichero : e.ficherosCopia)
    AnadeTexto(peticion, isc_spb_bkp_file, fbcliente::RutaEnServidor(fichero));
  AnadeEntero(peticion, isc_spb_options, kOpcionesCopia);
  peticion += static_cast<char>(isc_spb_verbose);

  // A backup that fails is not an error of the run: the database it was
  // taken from stays in place and the restore will not replace it.
  std::unique_ptr<EIBInterBaseError> fallo;
  const bool sinErrores =
      EjecutaServicio(servicio, peticion, e.servidorCopia, e.baseDatosCopia, e.entorno, fallo);
  if (!fallo) servicio.Desconecta();
  e.entorno.Bombea();
  e.copiaCompletada = sinErrores && FicheroConDatos(e.ficherosCopia[0]);
}

void TMDatos::RestauraCopia() {
  Estado& e = *estado_;
  Cierra();
  e.hayRevisionRestaurada = false;
  if (!e.copiaCompletada) {
    // The migrated database stays as it is rather than being replaced by an
    // older or partial backup.
    e.entorno.Registra(kCopiaNoCompletada);
    return;
  }
  e.copiaCompletada = false;
  const Texto carpeta = e.entorno.RutaDatos();
  const Texto base = carpeta + kFicheroBaseDatos;
  const Texto nueva = carpeta + kFicheroRestaurado;
  e.servidorRestaurar = e.entorno.NombrePC();
  e.basesDatosRestaurar.assign(1, nueva);
  e.ficherosRestaurar.assign(1, carpeta + kFicheroCopia);
  // What an earlier run left there was never anyone's database: QVD.FB is
  // replaced only by a file this run restored and read back.
  if (plataforma::ExisteFichero(nueva)) plataforma::BorraFichero(nueva);  // result ignored: Replace overwrites it

  ParametrosLogin parametros;
  IBDRestaurarLogin(parametros);
  e.parametrosRestaurar = parametros;
  Servicio servicio(e.servidorRestaurar, parametros);

  std::string peticion(1, static_cast<char>(isc_action_svc_restore));
  for (const Texto& fichero : e.ficherosRestaurar)
    AnadeTexto(peticion, isc_spb_bkp_file, fbcliente::RutaEnServidor(fichero));
  for (const Texto& fichero : e.basesDatosRestaurar)
    AnadeTexto(peticion, isc_spb_dbname, fbcliente::RutaEnServidor(fichero));
  AnadeEntero(peticion, isc_spb_options, kOpcionesRestaurar);
  AnadeEntero(peticion, isc_spb_res_page_size, kTamanoPagina);
  peticion += static_cast<char>(isc_spb_verbose);

  // Whatever goes wrong from here, the new file goes (the server has let go
  // of it by then) and QVD.FB, untouched, stays the migrated database.
  auto Descarta = [&] {
    if (plataforma::ExisteFichero(nueva)) plataforma::BorraFichero(nueva);  // result ignored: QVD.FB is whole
  };
  std::unique_ptr<EIBInterBaseError> fallo;
  bool sinErrores = false;
  try {
    sinErrores = EjecutaServicio(servicio, peticion, e.servidorRestaurar, nueva, e.entorno, fallo);
  } catch (const std::exception&) {
    Descarta();
    throw;
  }
  if (!fallo) servicio.Desconecta();
  if (fallo) {
    Descarta();
    throw *fallo;
  }
  if (!sinErrores || !FicheroConDatos(nueva)) {
    Descarta();
    throw Exception(kRestauracionNoCompletada);
  }
  Texto diferencia;
  // Who else has the new file is asked over the read's own connection.
  int otrasEnLaNueva = 0;
  basedatos::Revision leida;
  try {
    leida = basedatos::Revisa(ConServidor(e.servidorRestaurar, nueva), e.entorno.Usuario(), e.entorno.Clave(),
                              &otrasEnLaNueva);
    const basedatos::Revision& referencia = e.hayRevisionMigrada ? e.revisionMigrada : leida;
    diferencia = basedatos::Diferencia(leida, referencia, referencia.versionMaxima);
  } catch (const EIBInterBaseError& error) {
    diferencia = error.Message();
  }
  if (diferencia.empty() && (otrasEnLaNueva > 0 || EnUsoEnElServidor(e.servidorRestaurar, e.entorno, base)))
    diferencia = kRestauradaEnUso;
  if (diferencia.empty() && !plataforma::SustituyeFichero(nueva, base)) diferencia = kRestauradaSinSustituir;
  if (!diferencia.empty()) {
    for (const Texto& linea : texto::PartePorLineas(diferencia)) e.entorno.Registra(linea);
    Descarta();
    throw Exception(kRestauracionNoCompletada);
  }
  e.revisionRestaurada = std::move(leida);
  e.hayRevisionRestaurada = true;
}

Texto TMDatos::CompruebaBaseDatos(const Texto& version) {
  Estado& e = *estado_;
  const basedatos::Revision leida = basedatos::Revisa(e.nombreBaseDatos, e.entorno.Usuario(), e.entorno.Clave());
  return basedatos::Diferencia(leida, e.hayRevisionMigrada ? e.revisionMigrada : leida, version);
}

Texto TMDatos::CompruebaRestaurada(const Texto& version) {
  Estado& e = *estado_;
  if (!e.hayRevisionRestaurada) return CompruebaBaseDatos(version);
  return basedatos::Diferencia(e.revisionRestaurada, e.hayRevisionMigrada ? e.revisionMigrada : e.revisionRestaurada,
                               version);
}
