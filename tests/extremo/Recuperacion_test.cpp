// A run cut short (power lost, the program ended from the task manager) and
// the next start: the wizard is really killed at a known point of a run on a
// generated installation, started again, and the installation compared with
// the snapshot taken before the first run; then the update runs to success.
// Also: copies left by an earlier run without a usable journal are set aside,
// never thrown away.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "tests/extremo/Arnes.h"

namespace {

using namespace prueba;

const std::string& kFinal = kLineaFinal;
const std::string kEncontrada = "Se ha encontrado una actualización que no terminó.";
const std::string kRestaurado = "Se han restaurado todos sus Datos Anteriores.Saldrá del programa de Actualización";
const std::string kApartadas = "Se han encontrado copias de seguridad de una actualización anterior que no terminó bien.";

// Every file below `raiz` by relative path, with its bytes. Links are listed
// by their target text, never followed.
using Foto = std::map<std::string, std::string>;

Foto Fotografia(const fs::path& raiz) {
  Foto foto;
  if (!fs::exists(raiz)) return foto;
  for (auto it = fs::recursive_directory_iterator(raiz); it != fs::recursive_directory_iterator(); ++it) {
    const std::string relativa = fs::relative(it->path(), raiz).generic_string();
    if (it->is_symlink()) {
      foto[relativa] = "-> " + fs::read_symlink(it->path()).string();
    } else if (it->is_regular_file()) {
      foto[relativa] = LeeFichero(it->path());
    }
  }
  return foto;
}

// Files of `antes` missing from `despues` ("-") or with other bytes ("*").
std::string Perdidos(const Foto& antes, const Foto& despues) {
  std::string r;
  for (const auto& [ruta, bytes] : antes) {
    const auto it = despues.find(ruta);
    if (it == despues.end()) r += "-" + ruta + "\n";
    else if (it->second != bytes) r += "*" + ruta + "\n";
  }
  return r;
}

Foto SinPrefijo(const Foto& foto, const std::string& prefijo) {
  Foto r;
  for (const auto& [ruta, bytes] : foto)
    if (ruta.rfind(prefijo, 0) == 0) r[ruta.substr(prefijo.size())] = bytes;
  return r;
}

struct Diario {
  bool existe = false;
  std::string etapa;
  bool cerrado = false;
};

Diario LeeDiario(const Instalacion& inst) {
  Diario d;
  const fs::path ruta = inst.aplicacion / "Temp" / "Diario_202128.ini";
  d.existe = fs::exists(ruta);
  const std::string s = LeeFichero(ruta);
  const auto e = s.find("Etapa=");
  if (e != std::string::npos) d.etapa = s.substr(e + 6, s.find('\r', e) - e - 6);
  d.cerrado = s.find("Cerrado=1") != std::string::npos;
  return d;
}

std::string Version(const Instalacion& inst) {
  const std::string salida = ConsultaSql(inst.baseDatos, "SELECT '#' || VERSION_ZELVANO || '#' FROM EMPRESA;");
  const auto a = salida.find('#');
  const auto b = salida.find('#', a + 1);
  return a == std::string::npos || b == std::string::npos ? "<" + salida + ">" : salida.substr(a + 1, b - a - 1);
}

// One start of the wizard, with a transcript of its own.
Resultado Arranca(const Instalacion& inst, const std::string& guion,
                  const std::map<std::string, std::string>& entorno = {}) {
  fs::remove(inst.transcripcion);
  return EjecutaAsistente(inst, guion, entorno);
}

bool Contiene(const std::string& texto, const std::string& parte) { return texto.find(parte) != std::string::npos; }

// After the recovery: the update runs again from the start and succeeds.
// `apartadas`: the start first sets aside copies that a rollback could not
// put back, and says so.
void ActualizaConExito(const Instalacion& inst, bool apartadas = false) {
  const Resultado r = Arranca(inst, kGuionCompleto);
  ASSERT_EQ(r.estado, 0) << r.salida;
  const std::vector<std::string> lineas = LeeLog(inst.Log());
  ASSERT_GE(lineas.size(), 3u) << r.salida;
  EXPECT_EQ(lineas[lineas.size() - 3], kFinal);
  const std::vector<Json> eventos = LeeTranscripcion(inst.transcripcion);
  for (const Json& e : eventos) {
    if (e.Texto("evento") == "formulario" && e.Texto("formulario") == "frm_Final") break;
    if (e.Texto("evento") != "dialogo") continue;
    if (apartadas && e.Texto("texto").rfind(kApartadas, 0) == 0) {
      apartadas = false;
      continue;
    }
    ADD_FAILURE() << "diálogo inesperado: " << e.Texto("texto");
  }
  const Diario d = LeeDiario(inst);
  EXPECT_TRUE(d.existe && d.cerrado) << d.etapa;
}

// ---- Killed while the new files were being unpacked ---------------------------

struct CasoDescompresion {
  const char* nombre;
  const char* nombrePC;
  bool declinaPrimero;  // the technician first says "No"
};
void PrintTo(const CasoDescompresion& c, std::ostream* os) { *os << c.nombre; }

class MuertoAlDescomprimir : public ::testing::TestWithParam<CasoDescompresion> {};

// The extraction tool ends the wizard that started it, as the task manager
// would: the programs are already deleted, the new ones not yet there.
TEST_P(MuertoAlDescomprimir, ElSiguienteArranqueDejaLaInstalacionComoEstabaYLaActualizacionTerminaBien) {
  const CasoDescompresion& caso = GetParam();
  CarpetaTemporal carpeta;
  OpcionesInstalacion opciones;
  opciones.nombrePC = caso.nombrePC;
  opciones.extra = {"--temp-anterior", "--pindal-dat"};
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), opciones);
  const bool servidor = std::string(caso.nombrePC) == opciones.servidor;
  const Foto antes = Fotografia(inst.aplicacion);
  const std::string registroAntes = LeeFichero(inst.registro);
  const std::string versionAntes = servidor ? Version(inst) : "";

  const fs::path rar = inst.aplicacion / "rar.exe";
  const std::string herramienta = LeeFichero(rar);
  const fs::perms permisos = fs::status(rar).permissions();
  EscribeFichero(rar, "#!/bin/sh\nkill -9 $PPID\nexit 0\n");
  const Resultado muerto = Arranca(inst, kGuionCompleto);
  ASSERT_EQ(muerto.estado, -1) << "el asistente debía morir: " << muerto.salida;
  EscribeFichero(rar, herramienta);
  fs::permissions(rar, permisos);

  // What a killed run leaves: no programs, the journal at its boundary.
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Zelvano_Start.exe"));
  EXPECT_EQ(LeeDiario(inst).etapa, "InstalacionCambiada");
  EXPECT_FALSE(LeeDiario(inst).cerrado);
  const Foto dejado = Fotografia(inst.aplicacion);

  if (caso.declinaPrimero) {
    const Resultado r = Arranca(inst, "frmDialogo pulsa BtnNO\n");
    ASSERT_EQ(r.estado, 0) << r.salida;
    const std::vector<Json> dialogos = Dialogos(inst);
    ASSERT_EQ(dialogos.size(), 2u) << Textos(dialogos);
    EXPECT_EQ(Tipo(dialogos[0]), "63");
    // The technician learns in what state the installation stays, and how
    // to put it back.
    const std::string rechazo = dialogos[1].Texto("texto");
    EXPECT_EQ(rechazo.rfind("No se ha deshecho nada: la instalación sigue como la dejó la actualización "
                            "interrumpida, y puede que Zelvano no funcione así.",
                            0),
              0u)
        << rechazo;
    EXPECT_TRUE(Contiene(rechazo, "\nPara dejarla como estaba, vuelva a intentarlo")) << rechazo;
    // Declining touches nothing (the log file aside) and asks again next time.
    Foto ahora = Fotografia(inst.aplicacion);
    Foto esperado = dejado;
    ahora.erase("Excepciones_Act_202128.log");
    esperado.erase("Excepciones_Act_202128.log");
    EXPECT_TRUE(ahora == esperado) << Perdidos(esperado, ahora) << Perdidos(ahora, esperado);
  }

  const Resultado r = Arranca(inst, "frmDialogo pulsa BtnOK\n");
  ASSERT_EQ(r.estado, 0) << r.salida;
  const std::vector<Json> dialogos = Dialogos(inst);
  ASSERT_EQ(dialogos.size(), 3u) << Textos(dialogos);
  EXPECT_EQ(Tipo(dialogos[0]), "63");
  const std::string oferta = dialogos[0].Texto("texto");
  EXPECT_EQ(oferta.rfind(kEncontrada, 0), 0u) << oferta;
  EXPECT_TRUE(Contiene(oferta, "sobre la versión 20.21.1.0 de Zelvano")) << oferta;
  EXPECT_TRUE(Contiene(oferta, "mientras se cambiaban los ficheros del programa")) << oferta;
  EXPECT_TRUE(Contiene(oferta, "¿Desea dejar la instalación como estaba antes de la actualización?")) << oferta;
  EXPECT_EQ(Tipo(dialogos[1]), "33");
  EXPECT_EQ(Tipo(dialogos[2]), "73");
  // The database had not changed since the save: the rollback's own look
  // for attachments (which rewrites its header) keeps nothing aside.
  EXPECT_EQ(dialogos[2].Texto("texto"), kRestaurado);

  // Every file of the installation before the first run is back with its
  // bytes, the earlier backups of Temp included; the working folders are gone.
  // The database file is saved after the run's first call to it, which
  // changes its pages: on the server its version tells instead.
  Foto despues = Fotografia(inst.aplicacion);
  Foto esperado = antes;
  if (servidor) esperado.erase("Datos/QVD.FB");
  EXPECT_EQ(Perdidos(esperado, despues), "");
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp_V_Ant"));
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp" / "202103_202128"));
  EXPECT_TRUE(LeeDiario(inst).cerrado);
  EXPECT_EQ(LeeFichero(inst.registro), registroAntes);
  if (servidor) {
    EXPECT_EQ(Version(inst), versionAntes);
  }

  ActualizaConExito(inst);
}

INSTANTIATE_TEST_SUITE_P(Recuperacion, MuertoAlDescomprimir,
                         ::testing::Values(CasoDescompresion{"Cliente", "CAJA1", false},
                                           CasoDescompresion{"Servidor", "localhost", false},
                                           CasoDescompresion{"ClienteQueDeclinaPrimero", "CAJA1", true}),
                         [](const ::testing::TestParamInfo<CasoDescompresion>& i) {
                           return std::string(i.param.nombre);
                         });

// ---- An offer declined, the shop working on, the offer accepted later ---------------

// The technician declines, the shop goes on working on what the killed run
// left (a customer file changed, a new file written), and days later the
// offer is accepted: the pre-update files come back, the shop's newer file
// is kept aside untouched (named in the log and the message) and the new
// file stays where it is.
TEST(DeclinadaYAceptadaDespues, LoQueLaTiendaCambioDespuesSeConservaAparte) {
  CarpetaTemporal carpeta;
  OpcionesInstalacion opciones;
  opciones.nombrePC = "CAJA1";
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), opciones);
  const Foto antes = Fotografia(inst.aplicacion);
  const fs::path rar = inst.aplicacion / "rar.exe";
  const std::string herramienta = LeeFichero(rar);
  const fs::perms permisos = fs::status(rar).permissions();
  EscribeFichero(rar, "#!/bin/sh\nkill -9 $PPID\nexit 0\n");
  ASSERT_EQ(Arranca(inst, kGuionCompleto).estado, -1);
  EscribeFichero(rar, herramienta);
  fs::permissions(rar, permisos);

  ASSERT_EQ(Arranca(inst, "frmDialogo pulsa BtnNO\n").estado, 0);
  const std::string nuevos = "clientes dados de alta después de la actualización";
  EscribeFichero(inst.aplicacion / "Datos" / "Clientes.dat", nuevos);
  EscribeFichero(inst.aplicacion / "Datos" / "Pedidos.dat", "un fichero nuevo");

  const Resultado r = Arranca(inst, "frmDialogo pulsa BtnOK\n");
  ASSERT_EQ(r.estado, 0) << r.salida;
  const std::vector<Json> dialogos = Dialogos(inst);
  ASSERT_EQ(dialogos.size(), 3u) << Textos(dialogos);
  const std::string final = dialogos[2].Texto("texto");
  const std::string kConservados =
      "\nLos ficheros que habían cambiado después de guardarse la copia no se han perdido: se conservan en ";
  ASSERT_EQ(final.rfind(kRestaurado + kConservados, 0), 0u) << final;
  const std::string nombrada = final.substr(kRestaurado.size() + kConservados.size());
  fs::path conservada;
  for (const auto& e : fs::directory_iterator(inst.aplicacion / "Temp"))
    if (e.path().filename().string().rfind("Conservada_", 0) == 0) conservada = e.path();
  ASSERT_FALSE(conservada.empty());
  EXPECT_TRUE(Contiene(nombrada, conservada.filename().string())) << nombrada;
  EXPECT_EQ(LeeFichero(conservada / "Datos" / "Clientes.dat"), nuevos);
  const std::vector<std::string> log = LeeLog(inst.Log());
  std::string todo;
  for (const std::string& l : log) todo += l + "\n";
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const std::string& l) {
    return Contiene(l, conservada.filename().string()) && Contiene(l, "Clientes.dat");
  })) << todo;

  // Everything of before the run is back; the new file was never the run's.
  EXPECT_EQ(Perdidos(antes, Fotografia(inst.aplicacion)), "");
  EXPECT_EQ(LeeFichero(inst.aplicacion / "Datos" / "Pedidos.dat"), "un fichero nuevo");
}

// ---- Killed in the database phase of the server ---------------------------------------

// The journal is watched while the run goes on; the pauses of the run are
// kept (halved) so that the database phase lasts seconds, not milliseconds:
// the wizard is killed while the journal says the phase has started.
TEST(MuertoEnLaBaseDatos, DiceLaVersionQueLeeLaBaseYLaDevuelveConDatos) {
  CarpetaTemporal carpeta;
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), OpcionesInstalacion{});
  const Foto antes = Fotografia(inst.aplicacion);
  const std::string versionAntes = Version(inst);

  fs::remove(inst.transcripcion);
  const Proceso proceso = IniciaAsistente(inst, kGuionCompleto, {{"ZELVANO_FACTOR_PAUSAS", "0.5"}});
  bool enFase = false;
  for (int i = 0; i < 60000 && !enFase; ++i) {
    enFase = LeeDiario(inst).etapa == "BaseDatosIniciada";
    if (!enFase) ::usleep(2000);
  }
  ::kill(proceso.pid, SIGKILL);
  const Resultado muerto = Espera(proceso);
  ASSERT_TRUE(enFase) << muerto.salida;
  ASSERT_EQ(muerto.estado, -1) << muerto.salida;
  const std::string versionAhora = Version(inst);

  const Resultado r = Arranca(inst, "frmDialogo pulsa BtnOK\n");
  ASSERT_EQ(r.estado, 0) << r.salida;
  const std::vector<Json> dialogos = Dialogos(inst);
  ASSERT_EQ(dialogos.size(), 3u) << Textos(dialogos);
  const std::string oferta = dialogos[0].Texto("texto");
  EXPECT_TRUE(Contiene(oferta, "mientras se actualizaba la base de datos")) << oferta;
  EXPECT_TRUE(Contiene(oferta, "La base de datos indica ahora la versión " + versionAhora + ".\n"
                               "Si el fichero de la base de datos está en la carpeta Datos, volverá con ella a "
                               "como estaba antes de la actualización.\n"))
      << oferta;
  // The migration changed the database file after the save: said before the
  // answer, and the changed file is kept beside the one put back.
  EXPECT_TRUE(Contiene(oferta, "El fichero de la base de datos ha cambiado después de guardarse la copia")) << oferta;
  const std::string final = dialogos[2].Texto("texto");
  EXPECT_EQ(final.rfind(kRestaurado + "\nLos ficheros que habían cambiado después de guardarse la copia no se han "
                                      "perdido: se conservan en ", 0), 0u) << final;
  const std::string conservada = final.substr(final.rfind(' ') + 1);
  fs::path apartada = conservada;
  for (const auto& e : fs::directory_iterator(inst.aplicacion / "Temp"))
    if (Contiene(conservada, e.path().filename().string())) apartada = e.path();
  EXPECT_TRUE(fs::exists(apartada / "Datos" / "QVD.FB")) << final;

  // Its file lies in Datos: it came back with the folder.
  EXPECT_EQ(Version(inst), versionAntes);
  Foto esperado = antes;
  esperado.erase("Datos/QVD.FB");
  EXPECT_EQ(Perdidos(esperado, Fotografia(inst.aplicacion)), "");
  ActualizaConExito(inst);
}

// ---- A live run is not an interrupted one ----------------------------------------------

// A second wizard started on the installation while the first one runs
// (another session of the machine, or another machine on a shared folder)
// and told to accept whatever it offers: it must neither offer nor do
// anything, and the first run ends well as if alone.
struct CasoSegundo {
  const char* nombre;
  bool mismoEquipo;  // shares the machine's mutex folder
};
void PrintTo(const CasoSegundo& c, std::ostream* os) { *os << c.nombre; }

class SegundoAsistente : public ::testing::TestWithParam<CasoSegundo> {};

TEST_P(SegundoAsistente, NoTomaLaEjecucionEnCursoPorInterrumpida) {
  const CasoSegundo& caso = GetParam();
  CarpetaTemporal carpeta;
  OpcionesInstalacion opciones;
  opciones.nombrePC = "CAJA1";
  opciones.baseDatos = false;
  opciones.extra = {"--temp-anterior"};
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), opciones);
  const fs::path equipo = carpeta.Ruta() / "equipo";
  const fs::path sesion = carpeta.Ruta() / "otra_sesion";
  fs::create_directories(equipo);
  fs::create_directories(sesion);

  // The pauses kept (halved): the run lasts seconds after its save.
  fs::remove(inst.transcripcion);
  const Proceso primero = IniciaAsistente(
      inst, kGuionCompleto, {{"ZELVANO_FACTOR_PAUSAS", "0.5"}, {"ZELVANO_DIR_MUTEX_GLOBAL", equipo.string()}});
  bool cambiando = false;
  for (int i = 0; i < 60000 && !cambiando; ++i) {
    cambiando = LeeDiario(inst).etapa == "InstalacionCambiada";
    if (!cambiando) ::usleep(2000);
  }

  const fs::path guion = carpeta.Ruta() / "guion_segundo.txt";
  const fs::path transcripcion = carpeta.Ruta() / "transcripcion_segundo.jsonl";
  EscribeFichero(guion, "frmDialogo pulsa BtnOK\nfrmDialogo pulsa BtnOK\nfrmDialogo pulsa BtnOK\nfV pulsa BtnSalir\n");
  std::map<std::string, std::string> entorno = {{"ZELVANO_GUION", guion.string()},
                                                {"ZELVANO_TRANSCRIPCION", transcripcion.string()},
                                                {"ZELVANO_DIR_MUTEX", sesion.string()}};
  if (caso.mismoEquipo) entorno["ZELVANO_DIR_MUTEX_GLOBAL"] = equipo.string();
  const Resultado segundo = Espera(IniciaAsistente(inst, kGuionCompleto, entorno));
  const Diario durante = LeeDiario(inst);
  const Resultado r = Espera(primero);
  ASSERT_TRUE(cambiando) << r.salida;
  ASSERT_EQ(segundo.estado, 0) << segundo.salida;
  // It ran while the first one's run was open.
  EXPECT_FALSE(durante.cerrado) << durante.etapa;

  const std::vector<Json> eventos = LeeTranscripcion(transcripcion);
  const std::vector<Json> dialogos = Eventos(eventos, "dialogo");
  if (caso.mismoEquipo) {
    // The machine's mutex: it leaves at once, as a second copy does.
    EXPECT_TRUE(dialogos.empty()) << Textos(dialogos);
    EXPECT_TRUE(Eventos(eventos, "ventana").empty());
  } else {
    ASSERT_EQ(dialogos.size(), 1u) << Textos(dialogos);
    EXPECT_EQ(Tipo(dialogos[0]), "33");
    EXPECT_EQ(dialogos[0].Texto("texto").rfind("Hay una actualización en curso en esta instalación", 0), 0u)
        << Textos(dialogos);
  }

  // The first run ended well, with its copies and the new programs.
  ASSERT_EQ(r.estado, 0) << r.salida;
  const std::vector<std::string> lineas = LeeLog(inst.Log());
  ASSERT_GE(lineas.size(), 3u) << r.salida;
  EXPECT_EQ(lineas[lineas.size() - 3], kFinal);
  EXPECT_TRUE(LeeDiario(inst).cerrado);
  EXPECT_TRUE(fs::exists(inst.aplicacion / "Temp" / "202103_202128" / "Zelvano_Start.exe"));
  EXPECT_TRUE(fs::exists(inst.aplicacion / "Zelvano_Start.exe"));
  EXPECT_NE(LeeFichero(inst.aplicacion / "Zelvano_Start.exe"),
            LeeFichero(inst.aplicacion / "Temp" / "202103_202128" / "Zelvano_Start.exe"));
  for (const auto& e : fs::directory_iterator(inst.aplicacion / "Temp"))
    EXPECT_NE(e.path().filename().string().rfind("Conservada_", 0), 0u) << e.path();
}

INSTANTIATE_TEST_SUITE_P(Recuperacion, SegundoAsistente,
                         ::testing::Values(CasoSegundo{"OtraSesionDelEquipo", true},
                                           CasoSegundo{"OtroEquipo", false}),
                         [](const ::testing::TestParamInfo<CasoSegundo>& i) { return std::string(i.param.nombre); });

// ---- Killed before the save was complete -------------------------------------------

// A server that accepts the connection and never answers: the wizard waits
// in the save's first attach (after the Temp rotation, before anything is
// saved) until it is killed.
class ServidorMudo {
 public:
  ServidorMudo() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in dir{};
    dir.sin_family = AF_INET;
    dir.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t largo = sizeof dir;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&dir), sizeof dir) != 0 || ::listen(fd_, 4) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&dir), &largo) != 0)
      ADD_FAILURE() << "no se puede escuchar en el bucle local";
    puerto_ = ntohs(dir.sin_port);
  }
  ~ServidorMudo() {
    if (cliente_ >= 0) ::close(cliente_);
    ::close(fd_);
  }
  int Puerto() const { return puerto_; }
  // Waits (bounded, so that a wizard that never calls does not hang the
  // suite) for the connection.
  bool EsperaLlamada() {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 120000) != 1) return false;
    cliente_ = ::accept(fd_, nullptr, nullptr);
    return cliente_ >= 0;
  }
  // Takes a connection and breaks it at once.
  bool CuelgaLlamada() {
    if (!EsperaLlamada()) return false;
    ::close(cliente_);
    cliente_ = -1;
    return true;
  }

 private:
  int fd_ = -1;
  int cliente_ = -1;
  int puerto_ = 0;
};

TEST(MuertoAntesDeGuardar, ElSiguienteArranqueQuitaLoQueHizoYDejaEmpezar) {
  CarpetaTemporal carpeta;
  ServidorMudo mudo;
  OpcionesInstalacion opciones;
  opciones.nombrePC = opciones.servidor = "127.0.0.1/" + std::to_string(mudo.Puerto());
  opciones.baseDatos = false;
  opciones.extra = {"--temp-anterior"};
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), opciones);
  const Foto antes = Fotografia(inst.aplicacion);

  const Proceso proceso = IniciaAsistente(inst, kGuionCompleto);
  // The first call asks, before anything changes, who else has the database
  // open; a link that breaks there leaves the run to its own attach.
  const bool llamo = mudo.CuelgaLlamada() && mudo.EsperaLlamada();
  ::kill(proceso.pid, SIGKILL);
  const Resultado muerto = Espera(proceso);
  ASSERT_TRUE(llamo) << muerto.salida;
  ASSERT_EQ(muerto.estado, -1) << muerto.salida;
  EXPECT_EQ(LeeDiario(inst).etapa, "Iniciada");
  // The earlier Temp content had been moved into Temp_V_Ant.
  EXPECT_EQ(Perdidos(SinPrefijo(antes, "Temp/"), SinPrefijo(Fotografia(inst.aplicacion), "Temp_V_Ant/")), "");

  // Started again, the technician only reads and leaves.
  const Resultado r = Arranca(inst, "frmDialogo pulsa BtnOK\nfV pulsa BtnSalir\n");
  ASSERT_EQ(r.estado, 0) << r.salida;
  const std::vector<Json> dialogos = Dialogos(inst);
  ASSERT_EQ(dialogos.size(), 1u) << Textos(dialogos);
  EXPECT_EQ(Tipo(dialogos[0]), "33");
  const std::string aviso = dialogos[0].Texto("texto");
  EXPECT_EQ(aviso.rfind(kEncontrada, 0), 0u) << aviso;
  EXPECT_TRUE(Contiene(aviso, "mientras se guardaba la instalación")) << aviso;
  EXPECT_TRUE(Contiene(aviso, "No se había cambiado nada de la instalación")) << aviso;
  EXPECT_FALSE(Contiene(aviso, "Conservada_")) << aviso;
  // The main window was shown: the update could start.
  EXPECT_FALSE(Eventos(LeeTranscripcion(inst.transcripcion), "ventana").empty());

  const Foto despues = Fotografia(inst.aplicacion);
  EXPECT_EQ(Perdidos(antes, despues), "");
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp_V_Ant"));
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp" / "202103_202128"));
  EXPECT_TRUE(LeeDiario(inst).cerrado);
}

// ---- A kill at every operation of a run ------------------------------------------------

// The installation is made once and put back before every kill, at the same
// path (its registry key and configuration name it). The platform layer
// kills the wizard just before its Nth operation; the next start accepts
// whatever it offers, and the installation must then hold every file it
// held before the first run; the update then runs to success. A server run
// is walked with a stride: every one of its kills costs a database
// migration, backup and restore.
struct CasoRecorrido {
  const char* nombre;
  const char* nombrePC;
  int paso;
  // A power cut instead of a kill: what was not flushed is lost too
  // (ZELVANO_CORTE_EN). Then no file of the installation may be left
  // different from both its version before the run and after a good run.
  bool corte = false;
};
void PrintTo(const CasoRecorrido& c, std::ostream* os) { *os << c.nombre; }

class MuerteEnCadaOperacion : public ::testing::TestWithParam<CasoRecorrido> {};

std::vector<std::string> LineasDe(const fs::path& fichero) {
  std::vector<std::string> lineas;
  std::istringstream s(LeeFichero(fichero));
  for (std::string l; std::getline(s, l);)
    if (!l.empty()) lineas.push_back(l);
  return lineas;
}

TEST_P(MuerteEnCadaOperacion, ElSiguienteArranqueLoDejaTodoComoEstabaYLaActualizacionTerminaBien) {
  const CasoRecorrido& caso = GetParam();
  CarpetaTemporal carpeta;
  OpcionesInstalacion opciones;
  opciones.nombrePC = caso.nombrePC;
  const bool servidor = opciones.nombrePC == opciones.servidor;
  opciones.baseDatos = servidor;
  opciones.extra = {"--temp-anterior", "--pindal-dat"};
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), opciones);
  const fs::path plantilla = carpeta.Ruta() / "plantilla";
  fs::copy(inst.aplicacion, plantilla, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  const std::string registro = LeeFichero(inst.registro);
  const fs::path fuera = carpeta.Ruta() / "fuera" / "ajeno.txt";
  EscribeFichero(fuera, "nada que ver con Zelvano");
  const auto repone = [&] {
    fs::remove_all(inst.aplicacion);
    fs::copy(plantilla, inst.aplicacion, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    EscribeFichero(inst.registro, registro);
  };
  const Foto antes = Fotografia(inst.aplicacion);
  const std::string versionAntes = servidor ? Version(inst) : "";
  const fs::path traza = carpeta.Ruta() / "operaciones.txt";

  // How many operations a whole run makes.
  const Resultado contada = EjecutaAsistente(inst, kGuionCompleto, {{"ZELVANO_TRAZA_OPERACIONES", traza.string()}});
  ASSERT_EQ(contada.estado, 0) << contada.salida;
  const std::vector<std::string> referencia = LineasDe(traza);
  const size_t total = referencia.size();
  const Foto bueno = Fotografia(inst.aplicacion);
  // Outside these checks: the saved copies, the log (rewritten by every
  // start) and the database file (compared by its version).
  const auto Comparable = [&](const std::string& ruta) {
    // The database backup a server run makes holds the time it was made: no
    // two runs write the same bytes.
    return ruta.rfind("Temp", 0) != 0 && ruta != "Excepciones_Act_202128.log" && ruta != "Datos/QVD.FB" &&
           ruta != "Datos/QVD.FBK";
  };
  // Files left different from both their version before the run and after
  // a good one ("-" for one cut short).
  const auto Estropeados = [&](const Foto& ahora) {
    std::string r;
    for (const auto& [ruta, bytes] : ahora) {
      if (!Comparable(ruta)) continue;
      const auto a = antes.find(ruta), b = bueno.find(ruta);
      if (a == antes.end() && b == bueno.end()) continue;
      if ((a != antes.end() && a->second == bytes) || (b != bueno.end() && b->second == bytes)) continue;
      r += ruta + " (" + std::to_string(bytes.size()) + " bytes)\n";
    }
    return r;
  };
  ASSERT_GT(total, 50u);
  // The server's backup and restore are polled for as long as they last: one
  // kill among each run of those polls stands for all of them (and their
  // number differs from run to run).
  std::vector<size_t> puntos;
  for (size_t i = 0; i < total; ++i) {
    const bool sondeo = Contiene(referencia[i], " bd_servicio_consulta");
    if (!sondeo || i == 0 || !Contiene(referencia[i - 1], " bd_servicio_consulta")) puntos.push_back(i + 1);
  }

  // The sanitizer build walks every ZELVANO_RECORRIDO_PASO-th point of these.
  size_t paso = static_cast<size_t>(caso.paso);
  if (const char* e = std::getenv("ZELVANO_RECORRIDO_PASO")) paso *= std::max(1ul, std::strtoul(e, nullptr, 10));
  size_t muertes = 0, repuestas = 0, acabadas = 0, limpiandoTemp = 0, conservadas = 0;
  for (size_t p = 0; p < puntos.size(); p += paso) {
    const size_t n = puntos[p];
    repone();
    fs::remove(traza);
    std::map<std::string, std::string> entorno = {{"ZELVANO_TRAZA_OPERACIONES", traza.string()}};
    if (caso.corte) {
      entorno["ZELVANO_CORTE_EN"] = std::to_string(n);
      entorno["ZELVANO_CORTE_RAIZ"] = inst.aplicacion.string();
    } else {
      entorno["ZELVANO_MATA_EN"] = std::to_string(n);
    }
    const Resultado muerto = Arranca(inst, kGuionCompleto, entorno);
    const std::vector<std::string> hechas = LineasDe(traza);
    const std::string operacion = hechas.empty() ? "?" : hechas.back();
    SCOPED_TRACE("muerto antes de la operación " + operacion);
    // The polls of a server run are as many as its backup and restore take:
    // a run may end with fewer operations than the counted one.
    if (servidor && muerto.estado == 0 && n > total - 60) break;
    ASSERT_EQ(muerto.estado, -1) << "corte en " << n << "\n" << muerto.salida << Textos(Dialogos(inst));
    ++muertes;
    // Killed while the end of a good run was throwing away the copies of
    // the earlier update: those are gone as a good run would leave them.
    const bool limpiando = std::any_of(hechas.begin(), hechas.end(), [](const std::string& l) {
      return Contiene(l, "Temp_V_Ant") && (Contiene(l, " borra ") || Contiene(l, " elimina_carpeta "));
    });
    const Diario d = LeeDiario(inst);
    const bool acabada = d.etapa == "RegistroEscrito" || d.cerrado;

    const Resultado r = Arranca(inst, "frmDialogo pulsa BtnOK\n");
    ASSERT_EQ(r.estado, 0) << r.salida;
    EXPECT_EQ(LeeFichero(fuera), "nada que ver con Zelvano");
    if (caso.corte) {
      // Whatever the start said, nothing is left half-written.
      EXPECT_EQ(Estropeados(Fotografia(inst.aplicacion)), "") << Textos(Dialogos(inst));
    }
    EXPECT_FALSE(LeeDiario(inst).existe && !LeeDiario(inst).cerrado);
    if (acabada) {
      ++acabadas;
      EXPECT_TRUE(fs::exists(inst.aplicacion / "Zelvano_Start.exe"));
      continue;
    }
    // The database server may still hold its file (a backup or restore
    // it was running for the killed wizard goes on): the rollback then
    // keeps its copies and says so, and every file must be findable there.
    const std::vector<Json> dialogos = Dialogos(inst);
    if (std::any_of(dialogos.begin(), dialogos.end(), [](const Json& j) { return Tipo(j) == "69"; })) {
      ++conservadas;
      EXPECT_TRUE(servidor) << Textos(dialogos);
      const Foto ahora = Fotografia(inst.aplicacion);
      for (const auto& [ruta, bytes] : antes) {
        if (ruta == "Datos/QVD.FB") continue;
        const auto aqui = ahora.find(ruta);
        const auto copia = ahora.find("Temp/202103_202128/" + ruta);
        const auto temp = ruta.rfind("Temp/", 0) == 0 ? ahora.find("Temp_V_Ant/" + ruta.substr(5)) : ahora.end();
        const bool hallado = (aqui != ahora.end() && aqui->second == bytes) ||
                             (copia != ahora.end() && copia->second == bytes) ||
                             (temp != ahora.end() && temp->second == bytes);
        EXPECT_TRUE(hallado) << ruta;
      }
      ActualizaConExito(inst, true);
      if (HasFailure()) break;
      continue;
    }
    ++repuestas;
    Foto esperado = antes;
    if (servidor) esperado.erase("Datos/QVD.FB");
    if (limpiando) {
      ++limpiandoTemp;
      for (auto it = esperado.begin(); it != esperado.end();)
        it = it->first.rfind("Temp/", 0) == 0 ? esperado.erase(it) : std::next(it);
    }
    EXPECT_EQ(Perdidos(esperado, Fotografia(inst.aplicacion)), "");
    EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp_V_Ant"));
    EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp" / "202103_202128"));
    if (servidor) {
      EXPECT_EQ(Version(inst), versionAntes);
    }
    ActualizaConExito(inst);
    if (HasFailure()) break;
  }
  std::printf(
      "[ cifras ] %s: %zu operaciones, %zu muertes (o apagones), %zu instalaciones repuestas (%zu mientras se borraba "
      "Temp_V_Ant), %zu con las copias conservadas, %zu ya actualizadas\n",
      caso.nombre, total, muertes, repuestas, limpiandoTemp, conservadas, acabadas);
}

INSTANTIATE_TEST_SUITE_P(Recuperacion, MuerteEnCadaOperacion,
                         ::testing::Values(CasoRecorrido{"Cliente", "CAJA1", 1},
                                           CasoRecorrido{"Servidor", "localhost", 7},
                                           CasoRecorrido{"ClienteApagon", "CAJA1", 1, true},
                                           CasoRecorrido{"ServidorApagon", "localhost", 7, true}),
                         [](const ::testing::TestParamInfo<CasoRecorrido>& i) { return std::string(i.param.nombre); });

// ---- Copies left without a usable journal --------------------------------------------

struct CasoRestos {
  const char* nombre;
  std::map<std::string, std::string> ficheros;  // below the application folder
};
void PrintTo(const CasoRestos& c, std::ostream* os) { *os << c.nombre; }

class RestosSinDiario : public ::testing::TestWithParam<CasoRestos> {};

TEST_P(RestosSinDiario, SeApartanIntactosYLaActualizacionSigue) {
  const CasoRestos& caso = GetParam();
  CarpetaTemporal carpeta;
  OpcionesInstalacion opciones;
  opciones.nombrePC = "CAJA1";
  opciones.extra = {"--temp-anterior"};
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), opciones);
  for (const auto& [ruta, bytes] : caso.ficheros) EscribeFichero(inst.aplicacion / ruta, bytes);

  const Resultado r = Arranca(inst, kGuionCompleto);
  ASSERT_EQ(r.estado, 0) << r.salida;

  // One folder set aside, holding the leftovers exactly as they were.
  std::vector<fs::path> conservadas;
  for (const auto& e : fs::directory_iterator(inst.aplicacion / "Temp"))
    if (e.path().filename().string().rfind("Conservada_", 0) == 0) conservadas.push_back(e.path());
  ASSERT_EQ(conservadas.size(), 1u);
  const Foto apartado = Fotografia(conservadas[0]);
  Foto esperado;
  for (const auto& [ruta, bytes] : caso.ficheros) {
    const std::string nombre = ruta.rfind("Temp/", 0) == 0 ? ruta.substr(5) : ruta;
    esperado[nombre] = bytes;
  }
  EXPECT_TRUE(apartado == esperado) << Perdidos(esperado, apartado);

  // Named in a message before anything else and in the log, and the update
  // then ran to success.
  const std::vector<Json> dialogos = Dialogos(inst);
  ASSERT_GE(dialogos.size(), 1u);
  EXPECT_EQ(Tipo(dialogos[0]), "33");
  const std::string aviso = dialogos[0].Texto("texto");
  EXPECT_EQ(aviso.rfind(kApartadas, 0), 0u) << aviso;
  EXPECT_TRUE(Contiene(aviso, conservadas[0].filename().string())) << aviso;
  const std::vector<std::string> lineas = LeeLog(inst.Log());
  ASSERT_GE(lineas.size(), 3u);
  EXPECT_TRUE(Contiene(lineas.front(), "Copia conservada de una actualización anterior: ")) << lineas.front();
  EXPECT_TRUE(Contiene(lineas.front(), conservadas[0].filename().string())) << lineas.front();
  EXPECT_EQ(lineas[lineas.size() - 3], kFinal);
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp_V_Ant"));
}

INSTANTIATE_TEST_SUITE_P(
    Recuperacion, RestosSinDiario,
    ::testing::Values(CasoRestos{"TempVAnt", {{"Temp_V_Ant/202101_202103/Zelvano.exe", "copia que dejó"}}},
                      CasoRestos{"CopiaNoVacia",
                                 {{"Temp/202103_202128/Datos/Caja.txt", "lo único que queda"},
                                  {"Temp/202103_202128/Zelvano_Start.exe", "programa guardado"}}},
                      CasoRestos{"Ambas",
                                 {{"Temp_V_Ant/Anterior.txt", "uno"}, {"Temp/202103_202128/Pindal.dll", "dos"}}}),
    [](const ::testing::TestParamInfo<CasoRestos>& i) { return std::string(i.param.nombre); });

}  // namespace
