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

#include "tests/extremo/Recuperacion.h"

namespace {

using namespace prueba;

const std::string& kFinal = kLineaFinal;

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

// ---- A sale made after the save, then a failure of the same run ---------------------------

// Another terminal records a sale after the save (the connection check came
// before it), then the extraction fails: the rollback of the same run puts
// the saved database back. The sale must survive somewhere: in the file put
// back, or in the file kept aside that the message names.
TEST(VentaTrasElGuardado, UnFalloDeLaMismaEjecucionNoLaPierde) {
  CarpetaTemporal carpeta;
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), OpcionesInstalacion{});
  const fs::path venta = carpeta.Ruta() / "venta.sql";
  EscribeFichero(venta, "CREATE TABLE VENTA_TRAS_GUARDADO (ID INTEGER);\nCOMMIT;\n"
                        "INSERT INTO VENTA_TRAS_GUARDADO VALUES (77);\nCOMMIT;\n"
                        "SELECT '#' || ID || '#' FROM VENTA_TRAS_GUARDADO;\n");
  const fs::path hecha = carpeta.Ruta() / "venta.txt";
  const fs::path rar = inst.aplicacion / "rar.exe";
  EscribeFichero(rar, "#!/bin/sh\n/usr/bin/isql-fb -q -user SYSDBA -password Zv2128 -ch ISO8859_1 " +
                          inst.baseDatos + " -i '" + venta.string() + "' >'" + hecha.string() + "' 2>&1\nexit 3\n");
  const Resultado r = Arranca(inst, kGuionCompleto + "frmDialogo pulsa BtnOK\n");
  ASSERT_EQ(r.estado, 0) << r.salida;
  // The sale was in the database when the extraction failed.
  ASSERT_TRUE(Contiene(LeeFichero(hecha), "#77#")) << LeeFichero(hecha);
  const std::vector<Json> dialogos = Dialogos(inst);
  ASSERT_FALSE(dialogos.empty());
  const std::string final = dialogos.back().Texto("texto");

  // Every QVD.FB the rollback left: in place and kept aside.
  std::vector<fs::path> bases = {inst.FicheroBaseDatos()};
  for (const auto& e : fs::recursive_directory_iterator(inst.aplicacion / "Temp"))
    if (e.path().filename() == "QVD.FB" && Contiene(e.path().string(), "Conservada_")) bases.push_back(e.path());
  bool hallada = false;
  for (const fs::path& b : bases)
    hallada = hallada || Contiene(ConsultaSql("localhost:" + b.string(),
                                              "SELECT '#' || ID || '#' FROM VENTA_TRAS_GUARDADO;"),
                                  "#77#");
  EXPECT_TRUE(hallada) << "la venta hecha tras el guardado se ha perdido; mensaje final: " << final;
  // And the user is told where it is.
  EXPECT_TRUE(Contiene(final, "se conservan en ")) << final;
}

// ---- An obsolete file that cannot be read when it is recorded ---------------------------

// The file moves into the saved copy all the same, unrecorded; the
// extraction then fails. The rollback must still put back the program
// files it deleted: one obsolete file is no reason to leave the
// installation without its programs.
TEST(ObsoletoIlegible, LaReposicionDevuelveLosProgramas) {
  CarpetaTemporal carpeta;
  OpcionesInstalacion opciones;
  opciones.nombrePC = "CAJA1";
  opciones.baseDatos = false;
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), opciones);
  const fs::path plantilla = carpeta.Ruta() / "plantilla";
  fs::copy(inst.aplicacion, plantilla, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  const fs::path traza = carpeta.Ruta() / "operaciones.txt";
  ASSERT_EQ(Arranca(inst, kGuionCompleto, {{"ZELVANO_TRAZA_OPERACIONES", traza.string()}}).estado, 0);
  std::istringstream lineas(LeeFichero(traza));
  bool borrados = false;
  std::string lectura, linea;
  while (lectura.empty() && std::getline(lineas, linea)) {
    if (Contiene(linea, " borra ") && Contiene(linea, "Zelvano_Start.exe")) borrados = true;
    else if (borrados && Contiene(linea, " flujo ") && !Contiene(linea, "Temp")) lectura = linea;
  }
  ASSERT_FALSE(lectura.empty()) << "ningún fichero obsoleto";

  fs::remove_all(inst.aplicacion);
  fs::copy(plantilla, inst.aplicacion, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  const Foto antes = Fotografia(inst.aplicacion);
  EscribeFichero(inst.aplicacion / "rar.exe", "#!/bin/sh\nexit 3\n");
  const Resultado r = Arranca(inst, kGuionCompleto + "frmDialogo pulsa BtnOK\n",
                              {{"ZELVANO_FALLO_EN", lectura.substr(0, lectura.find(' '))}});
  ASSERT_EQ(r.estado, 0) << r.salida;
  SCOPED_TRACE(lectura + "\n" + Textos(Dialogos(inst)));
  EXPECT_TRUE(fs::exists(inst.aplicacion / "Zelvano_Start.exe"));
  EXPECT_TRUE(fs::exists(inst.aplicacion / "Zelvano.exe"));
}
