// The database server stops while the restore writes the new file, on a
// whole run against a Firebird server of the test's own (its own port,
// configuration, security database, lock and temporary folders), so that
// it can be killed without touching the server every other test shares.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/extremo/Arnes.h"

namespace prueba {
namespace {

const fs::path kServidor = "/usr/sbin/firebird";
const fs::path kRaizFirebird = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
const fs::path kSeguridad = "/var/lib/firebird/3.0/system/security3.fdb";

bool PuertoAbierto(int puerto) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(puerto));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool abierto = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(s);
  return abierto;
}

// A port of the loopback that nobody listens on now.
int PuertoLibre() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t largo = sizeof a;
  int puerto = 0;
  if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &largo) == 0)
    puerto = ntohs(a.sin_port);
  ::close(s);
  return puerto;
}

// Whether a started program has ended, without reaping it.
bool Termino(const Proceso& p) {
  siginfo_t info{};
  return ::waitid(P_PID, static_cast<id_t>(p.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0;
}

// A Firebird 3 server (SuperServer) of this test alone, run from its own
// root folder: a configuration with its own port, a copy of the security
// database, the installed plugins and messages, and its own lock and
// temporary folders. Started and killed as the test says; stopped at the end.
class ServidorPropio {
 public:
  explicit ServidorPropio(const fs::path& raiz) : raiz_(raiz), puerto_(PuertoLibre()) {
    fs::create_directories(raiz_ / "bloqueos");
    fs::create_directories(raiz_ / "temporal");
    for (const char* enlace : {"plugins", "UDF", "lib"})
      fs::create_directory_symlink(kRaizFirebird / enlace, raiz_ / enlace);
    // The character sets' module is refused through a link: a copy.
    fs::create_directories(raiz_ / "intl");
    fs::copy_file(kRaizFirebird / "intl" / "libfbintl.so", raiz_ / "intl" / "libfbintl.so");
    fs::copy_file(kRaizFirebird / "firebird.msg", raiz_ / "firebird.msg");
    fs::copy_file(kRaizFirebird / "plugins.conf", raiz_ / "plugins.conf");
    fs::copy_file(kSeguridad, raiz_ / "security3.fdb");
    EscribeFichero(raiz_ / "firebird.conf", "RemoteServicePort = " + std::to_string(puerto_) +
                                                "\nRemoteBindAddress = 127.0.0.1\nSecurityDatabase = " +
                                                (raiz_ / "security3.fdb").string() + "\n");
    EscribeFichero(raiz_ / "databases.conf",
                   "security.db = " + (raiz_ / "security3.fdb").string() + "\n{\n  RemoteAccess = false\n}\n");
  }
  ~ServidorPropio() {
    if (proceso_.pid < 0) return;
    ::kill(proceso_.pid, SIGTERM);
    for (int i = 0; i < 100 && !Termino(proceso_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Mata();
  }
  ServidorPropio(const ServidorPropio&) = delete;
  ServidorPropio& operator=(const ServidorPropio&) = delete;

  // Empty once it listens; otherwise why not.
  std::string Arranca() {
    if (puerto_ == 0) return "no hay ningún puerto libre en 127.0.0.1";
    if (PuertoAbierto(puerto_)) return "el puerto " + std::to_string(puerto_) + " ya está en uso";
    proceso_ = Inicia(kServidor.string(), {},
                      {{"FIREBIRD", raiz_.string()},
                       {"FIREBIRD_LOCK", (raiz_ / "bloqueos").string()},
                       {"FIREBIRD_TMP", (raiz_ / "temporal").string()}});
    for (int i = 0; i < 200; ++i) {
      if (PuertoAbierto(puerto_)) return "";
      if (Termino(proceso_)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Mata();
    return "el servidor propio no escucha en el puerto " + std::to_string(puerto_);
  }
  // Ends it at once, as a crash or a power cut of the server would.
  void Mata() {
    if (proceso_.pid < 0) return;
    ::kill(proceso_.pid, SIGKILL);
    salida_ += Espera(proceso_).salida;
    proceso_ = Proceso{};
  }
  std::string Nombre() const { return "localhost/" + std::to_string(puerto_); }
  std::string Salida() const { return salida_; }

 private:
  fs::path raiz_;
  int puerto_;
  Proceso proceso_;
  std::string salida_;
};

// What tells one database file from another: its version stamp, whether it
// is online, when the file was created (a restore makes a new one), and the
// rows of the filler table.
std::string Estado(const std::string& baseDatos) {
  const std::string s = ConsultaSql(
      baseDatos,
      "SELECT '#' || (SELECT MAX(VERSION_ZELVANO) FROM EMPRESA) || '|' || MON$SHUTDOWN_MODE || '|' || "
      "MON$CREATION_DATE || '|' || (SELECT COUNT(*) FROM RELLENO) || '#' FROM MON$DATABASE;");
  const auto a = s.find('#'), b = s.find('#', a + 1);
  return a == std::string::npos || b == std::string::npos ? "<" + s + ">" : s.substr(a + 1, b - a - 1);
}

bool Contiene(const std::vector<std::string>& lineas, const std::string& buscada) {
  for (const std::string& l : lineas)
    if (l == buscada) return true;
  return false;
}

const std::string kRestaurados = "Se han restaurado todos sus Datos Anteriores.Saldrá del programa de Actualización";
const std::string kNoCompactada =
    "La base de datos no se ha podido compactar; sigue siendo válida y tiene la versión nueva.";
const std::string kServidorPerdido =
    "No se ha podido volver a conectar con el servidor: se da por terminado su trabajo con la base de datos.";
const std::string kServidorLibre = "El servidor ya no usa la base de datos.";

// The server is killed once the restore's new file is a few megabytes long.
// Left down, the run cannot read the migrated database back: it takes the
// failure path and puts the database of before the run back, and says so.
// Brought back at once (as its guardian would), the run finds the migrated
// database whole and goes on with it, logging that it was not compacted.
// Either way the half-written new file is gone and never taken for
// QVD.FB, and QVD.FB is one whole database: the one before the run or the
// migrated one, never anything in between.
TEST(ServidorParado, DuranteLaRestauracionLaBaseDatosEsLaDeAntesOLaMigrada) {
  if (!fs::exists(kServidor) || !fs::exists(kRaizFirebird / "intl" / "libfbintl.so") || !fs::exists(kSeguridad))
    GTEST_SKIP() << "falta el servidor Firebird 3.0 instalado (" << kServidor << ")";
  CarpetaTemporal carpeta;
  ServidorPropio servidor(carpeta.Ruta() / "firebird");
  const fs::path trabajo = carpeta.Ruta() / "trabajo", modelo = carpeta.Ruta() / "modelo";
  OpcionesInstalacion opciones;
  opciones.version = "20.21.1.8";
  opciones.nombrePC = opciones.servidor = servidor.Nombre();
  opciones.carpetaDatos = trabajo / "Datos Zelvano";
  fs::create_directories(trabajo);
  const Instalacion inst = GeneraInstalacion(trabajo, opciones);
  // Rows enough for a restore that lasts; made through the shared server,
  // which lets go of the file before the test's own server opens it.
  LlenaRelleno(inst.baseDatos);
  fs::rename(trabajo, modelo);

  const std::string porque = servidor.Arranca();
  if (!porque.empty()) GTEST_SKIP() << "no se puede poner en marcha un servidor propio: " << porque;
  const std::string baseDatos = servidor.Nombre() + ":" + inst.FicheroBaseDatos().string();
  const fs::path nueva = opciones.carpetaDatos / "QVD_NUEVA.FB";

  for (const bool vuelve : {false, true}) {
    SCOPED_TRACE(vuelve ? "el servidor vuelve enseguida" : "el servidor no vuelve");
    fs::remove_all(trabajo);
    fs::copy(modelo, trabajo, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    const std::string antes = Estado(baseDatos);
    ASSERT_EQ(antes.rfind("20.21.1.8|0|", 0), 0u) << antes;
    ASSERT_EQ(antes.substr(antes.rfind('|')), "|150000") << antes;

    const Proceso asistente = IniciaAsistente(inst, kGuionCompleto);
    uint64_t escrito = 0;
    for (int i = 0; i < 300000 && escrito < (4u << 20) && !Termino(asistente); ++i) {
      std::error_code ec;
      escrito = fs::file_size(nueva, ec);
      if (ec) escrito = 0;
      ::usleep(1000);
    }
    if (vuelve) ::kill(asistente.pid, SIGSTOP);  // the wizard sees the server back at its next question
    servidor.Mata();
    if (vuelve) {
      const std::string otraVez = servidor.Arranca();
      ::kill(asistente.pid, SIGCONT);
      ASSERT_EQ(otraVez, "");
    }
    const Resultado r = Espera(asistente);
    ASSERT_GE(escrito, 4u << 20) << "la restauración acabó antes de poder parar el servidor\n" << r.salida;
    ASSERT_EQ(r.estado, 0) << r.salida;
    if (!vuelve) {
      ASSERT_EQ(servidor.Arranca(), "");
    }

    const std::vector<std::string> lineas = LeeLog(inst.Log());
    const std::vector<Json> dialogos = Dialogos(inst);
    std::string resumen;
    for (size_t i = lineas.size() > 30 ? lineas.size() - 30 : 0; i < lineas.size(); ++i) resumen += lineas[i] + "\n";
    resumen += Textos(dialogos);
    EXPECT_FALSE(fs::exists(nueva)) << resumen;
    const std::string despues = Estado(baseDatos);
    if (vuelve) {
      EXPECT_EQ(despues, "20.21.2.8" + antes.substr(antes.find('|'))) << resumen;
      EXPECT_TRUE(Contiene(lineas, kServidorLibre)) << resumen;
      EXPECT_TRUE(Contiene(lineas, kNoCompactada)) << resumen;
      ASSERT_GE(lineas.size(), 3u);
      EXPECT_EQ(lineas[lineas.size() - 3], kLineaFinal) << resumen;
      for (const Json& d : dialogos) EXPECT_NE(Tipo(d), "69") << resumen;
      EXPECT_FALSE(Eventos(LeeTranscripcion(inst.transcripcion), "formulario", "frm_Final").empty());
    } else {
      EXPECT_EQ(despues, antes) << resumen;
      EXPECT_TRUE(Contiene(lineas, kServidorPerdido)) << resumen;
      EXPECT_FALSE(Contiene(lineas, kLineaFinal)) << resumen;
      ASSERT_EQ(dialogos.size(), 2u) << resumen;
      EXPECT_EQ(Tipo(dialogos[0]), "33");
      EXPECT_EQ(dialogos[1].Texto("texto"), kRestaurados) << resumen;
    }
  }
}

}  // namespace
}  // namespace prueba
