// Processes, the single-instance guard and the system facts on posix.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "platform/plataforma.h"
#include "platform/posix/posix_comun.h"
#include "tests/plataforma/Entorno.h"

namespace {

namespace fs = std::filesystem;
using namespace plataforma;
using texto::Texto;

TEST(LineaComandos, ReglasDeWindows) {
  using V = std::vector<Texto>;
  struct Caso {
    const char16_t* linea;
    V args;
  } casos[] = {
      {u"rar.exe x -o+ Datos.rar", {u"rar.exe", u"x", u"-o+", u"Datos.rar"}},
      {u"\"C:\\Program Files\\rar.exe\" \"a b\"", {u"C:\\Program Files\\rar.exe", u"a b"}},
      {u"p   a\t\tb  ", {u"p", u"a", u"b"}},
      {u"p \"sin cerrar hasta el final", {u"p", u"sin cerrar hasta el final"}},
      {u"p a\\\\\"b c\"", {u"p", u"a\\b c"}},
      {u"p a\\\"b", {u"p", u"a\"b"}},
      {u"p a\\\\\\\"b", {u"p", u"a\\\"b"}},
      {u"p C:\\Datos\\ x", {u"p", u"C:\\Datos\\", u"x"}},
      {u"p \"\"", {u"p", u""}},
      {u"p \"a\"\"b\"", {u"p", u"a\"b"}},
      {u"p ab\"c d\"e", {u"p", u"abc de"}},
      {u"C:\\a\\\"b c", {u"C:\\a\\\"b", u"c"}},
      {u"\"prog sin cerrar", {u"prog sin cerrar"}},
  };
  for (const Caso& c : casos) EXPECT_EQ(posix::ParteLineaComandos(c.linea), c.args) << texto::AUtf8(c.linea);
}

TEST(Procesos, IniciaEsperaInstantaneaYTermina) {
  prueba::CarpetaTemporal t;
  // A name no other test uses: an update run elsewhere on the machine stops
  // every process called like the product's programs.
  const std::string nombre = "Sonda_" + std::to_string(::getpid()) + ".exe";
  const texto::Texto nombre16 = texto::DeUtf8(nombre);
  fs::copy_file("/bin/sleep", t.Posix(nombre));
  Proceso p;
  ASSERT_TRUE(p.Inicia(u"\"" + t.Win(nombre) + u"\" 60"));
  EXPECT_EQ(p.Espera(0), ESPERA_TIEMPO_AGOTADO);
  EXPECT_EQ(p.Espera(50), ESPERA_TIEMPO_AGOTADO);

  std::vector<EntradaProceso> procesos;
  ASSERT_TRUE(InstantaneaProcesos(procesos));
  std::vector<uint32_t> ids;
  bool yo = false;
  for (const EntradaProceso& e : procesos) {
    if (e.ejecutable == nombre16) ids.push_back(e.id);
    if (e.id == static_cast<uint32_t>(::getpid())) yo = true;
  }
  EXPECT_TRUE(yo);
  ASSERT_EQ(ids.size(), 1u);
  EXPECT_TRUE(TerminaProcesoId(ids[0], 1));
  EXPECT_EQ(p.Espera(0xFFFFFFFFu), ESPERA_TERMINADO);
  EXPECT_EQ(p.Espera(0), ESPERA_TERMINADO);
  // Gone from the next snapshot.
  ASSERT_TRUE(InstantaneaProcesos(procesos));
  for (const EntradaProceso& e : procesos) EXPECT_NE(e.ejecutable, nombre16);
  EXPECT_FALSE(TerminaProcesoId(ids[0], 1));
}

TEST(Procesos, ArgumentosConBarrasYUnidadC) {
  prueba::CarpetaTemporal t;
  fs::create_directory(t.Posix("Destino"));
  prueba::VariableEntorno c("ZELVANO_UNIDAD_C", t.Ruta());
  // touch receives the converted path: "C:\Destino\hecho" lands in the folder.
  Proceso p;
  ASSERT_TRUE(p.Inicia(u"touch \"C:\\Destino\\hecho con blanco\" C:\\Destino\\otro"));
  EXPECT_EQ(p.Espera(30000), ESPERA_TERMINADO);
  EXPECT_TRUE(fs::exists(t.Posix("Destino/hecho con blanco")));
  EXPECT_TRUE(fs::exists(t.Posix("Destino/otro")));

  // The ".exe" of a Windows command names the program without it too.
  fs::copy_file("/bin/true", t.Posix("herramienta.exe"));
  Proceso q;
  ASSERT_TRUE(q.Inicia(u"C:\\herramienta"));
  EXPECT_EQ(q.Espera(30000), ESPERA_TERMINADO);

  Proceso r;
  EXPECT_FALSE(r.Inicia(u"C:\\no_existe.exe x"));
  EXPECT_EQ(UltimoError(), ERROR_FICHERO_NO_ENCONTRADO);
  EXPECT_EQ(r.Espera(0), ESPERA_FALLO);
  EXPECT_FALSE(r.Inicia(u""));
}

TEST(Mutex, SoloElPrimeroLoTieneHastaQueTermina) {
  prueba::CarpetaTemporal t;
  prueba::VariableEntorno d("ZELVANO_DIR_MUTEX", t.Ruta());
  // The first holder is another process that keeps it until it ends.
  int listo[2], sigue[2];
  ASSERT_EQ(::pipe(listo), 0);
  ASSERT_EQ(::pipe(sigue), 0);
  pid_t hijo = ::fork();
  if (hijo == 0) {
    char c = CreaMutexUnico(u"Actualizaci\u00F3n Zelvano") ? 'S' : 'N';
    (void)!::write(listo[1], &c, 1);
    (void)!::read(sigue[0], &c, 1);
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(listo[0], &c, 1), 1);
  EXPECT_EQ(c, 'S');
  EXPECT_FALSE(CreaMutexUnico(u"Actualizaci\u00F3n Zelvano"));
  EXPECT_EQ(UltimoError(), ERROR_YA_EXISTE);
  // A different name, even one that sanitises alike, is another mutex.
  EXPECT_TRUE(CreaMutexUnico(u"Actualizacion Zelvano"));
  (void)!::write(sigue[1], "x", 1);
  int st;
  ::waitpid(hijo, &st, 0);
  EXPECT_TRUE(CreaMutexUnico(u"Actualizaci\u00F3n Zelvano"));
  // Asking again from the same process finds it taken, as CreateMutexW does.
  EXPECT_FALSE(CreaMutexUnico(u"Actualizaci\u00F3n Zelvano"));
  for (int fd : {listo[0], listo[1], sigue[0], sigue[1]}) ::close(fd);
}

// A global name is one per machine: two sessions (two mutex folders) that
// share the machine's folder see each other's; a session name does not.
TEST(Mutex, ElGlobalEsUnoPorEquipo) {
  prueba::CarpetaTemporal sesion1, sesion2, equipo;
  prueba::VariableEntorno g("ZELVANO_DIR_MUTEX_GLOBAL", equipo.Ruta());
  int listo[2], sigue[2];
  ASSERT_EQ(::pipe(listo), 0);
  ASSERT_EQ(::pipe(sigue), 0);
  pid_t hijo = ::fork();
  if (hijo == 0) {
    ::setenv("ZELVANO_DIR_MUTEX", sesion1.Ruta().c_str(), 1);
    const bool ambos = CreaMutexUnico(u"Zelvano") && CreaMutexUnico(u"Global\\Zelvano");
    char c = ambos ? 'S' : 'N';
    (void)!::write(listo[1], &c, 1);
    (void)!::read(sigue[0], &c, 1);
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(listo[0], &c, 1), 1);
  EXPECT_EQ(c, 'S');
  {
    prueba::VariableEntorno d("ZELVANO_DIR_MUTEX", sesion2.Ruta());
    EXPECT_TRUE(CreaMutexUnico(u"Zelvano"));
    EXPECT_FALSE(CreaMutexUnico(u"Global\\Zelvano"));
    EXPECT_EQ(UltimoError(), ERROR_YA_EXISTE);
  }
  (void)!::write(sigue[1], "x", 1);
  int st;
  ::waitpid(hijo, &st, 0);
  for (int fd : {listo[0], listo[1], sigue[0], sigue[1]}) ::close(fd);
}

// The lock of a live run: held by one process until it ends, taken again
// by the same process, refused to any other with a sharing error.
TEST(BloqueoDeVida, DeUnSoloProcesoHastaQueTermina) {
  prueba::CarpetaTemporal t;
  const Texto fichero = texto::DeUtf8(t.Ruta() + "/bloqueo");
  int listo[2], sigue[2];
  ASSERT_EQ(::pipe(listo), 0);
  ASSERT_EQ(::pipe(sigue), 0);
  pid_t hijo = ::fork();
  if (hijo == 0) {
    char c = BloqueaDeVida(fichero) && BloqueaDeVida(fichero) ? 'S' : 'N';
    (void)!::write(listo[1], &c, 1);
    (void)!::read(sigue[0], &c, 1);
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(listo[0], &c, 1), 1);
  EXPECT_EQ(c, 'S');
  EXPECT_FALSE(BloqueaDeVida(fichero));
  EXPECT_EQ(UltimoError(), ERROR_COMPARTIR);
  (void)!::write(sigue[1], "x", 1);
  int st;
  ::waitpid(hijo, &st, 0);
  EXPECT_TRUE(BloqueaDeVida(fichero));
  // A folder that does not exist: no lock, and not taken for another's.
  EXPECT_FALSE(BloqueaDeVida(texto::DeUtf8(t.Ruta() + "/no/bloqueo")));
  EXPECT_NE(UltimoError(), ERROR_COMPARTIR);
  for (int fd : {listo[0], listo[1], sigue[0], sigue[1]}) ::close(fd);
}

TEST(Sistema, DatosDelEquipo) {
  {
    prueba::VariableEntorno n("ZELVANO_NOMBRE_EQUIPO", std::string("CAJA-PRINCIPAL-DEL-RESTAURANTE-LARGO"));
    EXPECT_EQ(NombreEquipo(), u"CAJA-PRINCIPAL-DEL-RESTAURANT");  // 29 characters
    EXPECT_EQ(NombreEquipo(5), u"CAJA");
  }
  {
    prueba::VariableEntorno n("ZELVANO_NOMBRE_EQUIPO", std::nullopt);
    const Texto nombre = NombreEquipo();
    EXPECT_FALSE(nombre.empty());
    EXPECT_LE(nombre.size(), 29u);
    for (char16_t ch : nombre) EXPECT_FALSE(ch >= u'a' && ch <= u'z');
  }
  {
    prueba::VariableEntorno v("ZELVANO_VERSION_SO", std::string("6.1"));
    prueba::VariableEntorno w("ZELVANO_WOW64", std::string("1"));
    VersionSistema s = LeeVersionSistema();
    EXPECT_EQ(s.mayor, 6u);
    EXPECT_EQ(s.menor, 1u);
    EXPECT_EQ(s.plataforma, 2u);
    EXPECT_TRUE(EsWow64());
  }
  prueba::VariableEntorno v("ZELVANO_VERSION_SO", std::nullopt);
  prueba::VariableEntorno w("ZELVANO_WOW64", std::nullopt);
  EXPECT_EQ(LeeVersionSistema().mayor, 10u);
  EXPECT_FALSE(EsWow64());
  EXPECT_EQ(FrecuenciaRendimiento(), 1000000000);
  const int64_t a = ContadorRendimiento(), b = ContadorRendimiento();
  EXPECT_GT(a, 0);
  EXPECT_GE(b, a);
  EXPECT_TRUE(std::regex_match(texto::AUtf8(FechaCortaActual()), std::regex("[0-3][0-9]/[01][0-9]/[0-9]{4}")));
  EXPECT_TRUE(std::regex_match(texto::AUtf8(HoraLargaActual()), std::regex("([0-9]|1[0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]")));
}

TEST(Sistema, ShellYRutaPropia) {
  prueba::CarpetaTemporal t;
  {
    prueba::VariableEntorno traza("ZELVANO_TRAZA_SHELL", t.Posix("traza"));
    AbreDireccion(u"https://www.example.com/notas?v=20.21.2.8");
    NotificaCambioAsociaciones();
    EXPECT_EQ(t.Lee("traza"), "ABRE https://www.example.com/notas?v=20.21.2.8\nNOTIFICA 134217728\n");
  }
  {
    prueba::VariableEntorno r("ZELVANO_RUTA_EJECUTABLE", std::string("/srv/Zelvano/Update/Act_202103_a_202128.exe"));
    EXPECT_EQ(RutaEjecutable(), u"/srv/Zelvano/Update/Act_202103_a_202128.exe");
    EXPECT_EQ(CarpetaEjecutable(), u"/srv/Zelvano/Update/");
  }
  prueba::VariableEntorno r("ZELVANO_RUTA_EJECUTABLE", std::nullopt);
  EXPECT_EQ(RutaEjecutable(), texto::DeUtf8(fs::read_symlink("/proc/self/exe").string()));
  EXPECT_EQ(CarpetaEjecutable().back(), u'/');
  // The new version's archive is linked in: a RAR 4 archive.
  std::string datos;
  ASSERT_TRUE(LeeRecurso(10, u"DATOS_NUEVOS", 3082, datos));
  EXPECT_EQ(datos.substr(0, 7), std::string("Rar!\x1A\x07\x00", 7));
  EXPECT_GT(datos.size(), 1000u);
  std::string otro;
  EXPECT_FALSE(LeeRecurso(10, u"OTRO_RECURSO", 3082, otro));
  EXPECT_FALSE(LeeRecurso(10, u"DATOS_NUEVOS", 1033, otro));
  EXPECT_TRUE(otro.empty());
}

}  // namespace
