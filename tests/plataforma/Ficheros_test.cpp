// Files and folders through the posix backend, on real files.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include "platform/plataforma.h"
#include "tests/plataforma/Entorno.h"

namespace {

namespace fs = std::filesystem;
using namespace plataforma;
using texto::Texto;

std::vector<EntradaDirectorio> Lista(const Texto& patron) {
  std::vector<EntradaDirectorio> r;
  Busqueda b;
  EntradaDirectorio e;
  if (!b.Primero(patron, e)) return r;
  do r.push_back(e);
  while (b.Siguiente(e));
  EXPECT_EQ(UltimoError(), ERROR_NO_MAS_FICHEROS);
  return r;
}

TEST(Busqueda, RecorreComoFindFirstFile) {
  prueba::CarpetaTemporal t;
  t.Escribe("b.txt", "12345");
  t.Escribe("A.dat", std::string(70000, 'x'));
  t.Escribe("sin_extension", "");
  fs::create_directory(t.Posix("Sub"));
  t.Escribe("Sub/dentro.txt", "no se lista");
  fs::create_directory_symlink(t.Posix("Sub"), t.Posix("Enlace"));
  ASSERT_TRUE(PonAtributos(t.Win("b.txt"), ATR_OCULTO | ATR_SOLO_LECTURA));

  for (const char16_t* mascara : {u"\\*", u"\\*.*"}) {
    auto l = Lista(t.Win("") .substr(0, t.Win("").size() - 1) + mascara);
    ASSERT_EQ(l.size(), 7u) << texto::AUtf8(mascara);
    const char16_t* orden[] = {u".", u"..", u"A.dat", u"b.txt", u"Enlace", u"sin_extension", u"Sub"};
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(l[i].nombre, orden[i]);
    EXPECT_TRUE(l[0].atributos & ATR_DIRECTORIO);
    EXPECT_EQ(l[2].tamano, 70000u);
    EXPECT_EQ(l[2].atributos, ATR_ARCHIVO);
    EXPECT_EQ(l[3].atributos, ATR_ARCHIVO | ATR_OCULTO | ATR_SOLO_LECTURA);
    EXPECT_EQ(l[3].tamano, 5u);
    // The link is a reparse point on a folder, not the folder it names.
    EXPECT_EQ(l[4].atributos, ATR_DIRECTORIO | ATR_PUNTO_REPARSE);
    EXPECT_EQ(l[6].atributos, ATR_DIRECTORIO);
  }
  auto txt = Lista(t.Win("*.TXT"));
  ASSERT_EQ(txt.size(), 1u);
  EXPECT_EQ(txt[0].nombre, u"b.txt");
  EXPECT_EQ(Lista(t.Win("?.dat")).size(), 1u);
  EXPECT_EQ(Lista(t.Win("sin_extension.*")).size(), 1u);

  Busqueda b;
  EntradaDirectorio e;
  EXPECT_FALSE(b.Primero(t.Win("*.zzz"), e));
  EXPECT_EQ(UltimoError(), ERROR_FICHERO_NO_ENCONTRADO);
  EXPECT_FALSE(b.Primero(t.Win("no_existe\\*"), e));
  EXPECT_EQ(UltimoError(), ERROR_RUTA_NO_ENCONTRADA);
  EXPECT_FALSE(b.Siguiente(e));
}

TEST(Ficheros, CopiaConLasReglasDeWindows) {
  prueba::CarpetaTemporal t;
  t.Escribe("origen", "contenido nuevo");
  t.Escribe("destino", "contenido viejo");
  // Fail-if-exists keeps the old file.
  EXPECT_FALSE(CopiaFichero(t.Win("origen"), t.Win("destino"), true));
  EXPECT_EQ(UltimoError(), ERROR_FICHERO_EXISTE);
  EXPECT_EQ(t.Lee("destino"), "contenido viejo");
  EXPECT_TRUE(CopiaFichero(t.Win("origen"), t.Win("destino"), false));
  EXPECT_EQ(t.Lee("destino"), "contenido nuevo");
  // A copy onto itself must not truncate the only copy.
  EXPECT_FALSE(CopiaFichero(t.Win("origen"), t.Win("origen"), false));
  EXPECT_EQ(t.Lee("origen"), "contenido nuevo");
  EXPECT_FALSE(CopiaFichero(t.Win("falta"), t.Win("x"), false));
  EXPECT_EQ(UltimoError(), ERROR_FICHERO_NO_ENCONTRADO);
  EXPECT_FALSE(ExisteFichero(t.Win("x")));
  EXPECT_FALSE(CopiaFichero(t.Win("origen"), t.Win("no_hay\\x"), false));

  // Attributes and the time stamp travel with the copy.
  ASSERT_TRUE(PonAtributos(t.Win("origen"), ATR_OCULTO | ATR_SOLO_LECTURA));
  const auto hora = fs::last_write_time(t.Posix("origen")) - std::chrono::hours(30);
  fs::permissions(t.Posix("origen"), fs::perms::owner_write, fs::perm_options::add);
  fs::last_write_time(t.Posix("origen"), hora);
  fs::permissions(t.Posix("origen"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  ASSERT_TRUE(CopiaFichero(t.Win("origen"), t.Win("copia"), true));
  EXPECT_EQ(LeeAtributos(t.Win("copia")), ATR_ARCHIVO | ATR_OCULTO | ATR_SOLO_LECTURA);
  EXPECT_EQ(fs::last_write_time(t.Posix("copia")), hora);
  // A read-only or hidden destination refuses to be replaced, even for root.
  for (uint32_t atributos : {ATR_SOLO_LECTURA, ATR_OCULTO, ATR_SISTEMA}) {
    ASSERT_TRUE(PonAtributos(t.Win("copia"), atributos));
    EXPECT_FALSE(CopiaFichero(t.Win("destino"), t.Win("copia"), false)) << atributos;
    EXPECT_EQ(UltimoError(), ERROR_ACCESO_DENEGADO);
    EXPECT_FALSE(EscribeFicheroCompleto(t.Win("copia"), "otro")) << atributos;
    EXPECT_EQ(t.Lee("copia"), "contenido nuevo");
  }
  // Appending to a hidden file is allowed; to a read-only one it is not.
  EXPECT_TRUE(AnadeAFichero(t.Win("copia"), "+"));
  ASSERT_TRUE(PonAtributos(t.Win("copia"), ATR_SOLO_LECTURA));
  EXPECT_FALSE(AnadeAFichero(t.Win("copia"), "+"));
  EXPECT_EQ(t.Lee("copia"), "contenido nuevo+");
  // A missing folder on the way is told apart from a missing file.
  EXPECT_FALSE(CopiaFichero(t.Win("origen"), t.Win("no_hay\\x"), false));
  EXPECT_EQ(UltimoError(), ERROR_RUTA_NO_ENCONTRADA);
  std::string leido;
  EXPECT_FALSE(LeeFicheroCompleto(t.Win("no_hay\\x"), leido));
  EXPECT_EQ(UltimoError(), ERROR_RUTA_NO_ENCONTRADA);
  EXPECT_FALSE(LeeFicheroCompleto(t.Win("no_esta"), leido));
  EXPECT_EQ(UltimoError(), ERROR_FICHERO_NO_ENCONTRADO);
}

// A copy that does not fit leaves what was there (or nothing, where nothing
// was) and no file of its own; a dangling link at the destination is
// replaced, never written through to where it points.
TEST(Ficheros, UnaCopiaFallidaNoDejaNadaSuyo) {
  prueba::CarpetaTemporal t;
  t.Escribe("grande", std::string(3 << 20, 'g'));
  fs::create_directory(t.Posix("fuera"));
  fs::create_symlink(t.Posix("fuera/x"), t.Posix("enlace"));
  EXPECT_TRUE(CopiaFichero(t.Win("grande"), t.Win("enlace"), false));
  EXPECT_FALSE(fs::exists(t.Posix("fuera/x")));
  EXPECT_FALSE(fs::is_symlink(t.Posix("enlace")));
  EXPECT_EQ(fs::file_size(t.Posix("enlace")), 3u << 20);

  if (::geteuid() != 0) GTEST_SKIP() << "montar un tmpfs para la prueba requiere ser root";
  fs::create_directory(t.Posix("pequeno"));
  if (::mount("tmpfs", t.Posix("pequeno").c_str(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "no se pudo montar un tmpfs";
  t.Escribe("pequeno/viejo", "contenido viejo");
  EXPECT_FALSE(CopiaFichero(t.Win("grande"), t.Win("pequeno\\nuevo"), false));
  EXPECT_EQ(UltimoError(), ERROR_DISCO_LLENO);
  EXPECT_FALSE(CopiaFichero(t.Win("grande"), t.Win("pequeno\\viejo"), false));
  EXPECT_EQ(UltimoError(), ERROR_DISCO_LLENO);
  std::vector<std::string> quedan;
  for (const auto& e : fs::directory_iterator(t.Posix("pequeno"))) quedan.push_back(e.path().filename().string());
  EXPECT_EQ(quedan, std::vector<std::string>{"viejo"});
  EXPECT_EQ(t.Lee("pequeno/viejo"), "contenido viejo");
  ::umount2(t.Posix("pequeno").c_str(), MNT_DETACH);
}

TEST(Ficheros, BorradoYAtributos) {
  prueba::CarpetaTemporal t;
  t.Escribe("f", "x");
  ASSERT_TRUE(PonAtributos(t.Win("f"), ATR_SOLO_LECTURA));
  EXPECT_FALSE(BorraFichero(t.Win("f")));
  EXPECT_EQ(UltimoError(), ERROR_ACCESO_DENEGADO);
  EXPECT_TRUE(ExisteFichero(t.Win("f")));
  ASSERT_TRUE(PonAtributos(t.Win("f"), ATR_NORMAL));
  EXPECT_EQ(LeeAtributos(t.Win("f")), ATR_ARCHIVO);
  EXPECT_TRUE(BorraFichero(t.Win("f")));
  EXPECT_FALSE(ExisteFichero(t.Win("f")));
  EXPECT_FALSE(BorraFichero(t.Win("f")));
  EXPECT_EQ(UltimoError(), ERROR_FICHERO_NO_ENCONTRADO);
  EXPECT_EQ(LeeAtributos(t.Win("f")), ATR_INVALIDO);
  fs::create_directory(t.Posix("d"));
  EXPECT_FALSE(BorraFichero(t.Win("d")));
  EXPECT_EQ(UltimoError(), ERROR_ACCESO_DENEGADO);
  // Hidden survives: it is kept with the file, not in this process.
  ASSERT_TRUE(PonAtributos(t.Win("d"), ATR_OCULTO | ATR_SISTEMA));
  EXPECT_EQ(LeeAtributos(t.Win("d\\")), ATR_DIRECTORIO | ATR_OCULTO | ATR_SISTEMA);
  ASSERT_TRUE(PonAtributos(t.Win("d"), ATR_NORMAL));
  EXPECT_EQ(LeeAtributos(t.Win("d")), ATR_DIRECTORIO);
}

enum class Cerrojo { Flock, Fcntl };

// A child process that holds a lock on `ruta` until told to go.
class Retenedor {
 public:
  Retenedor(const std::string& ruta, Cerrojo tipo) {
    int listo[2];
    EXPECT_EQ(::pipe(listo), 0);
    EXPECT_EQ(::pipe(sigue_), 0);
    pid_ = ::fork();
    if (pid_ == 0) {
      int fd = ::open(ruta.c_str(), O_RDWR);
      bool ok;
      if (tipo == Cerrojo::Flock) {
        ok = ::flock(fd, LOCK_EX) == 0;
      } else {
        struct flock l {};
        l.l_type = F_WRLCK;
        l.l_whence = SEEK_SET;
        ok = ::fcntl(fd, F_SETLK, &l) == 0;
      }
      char c = ok ? 'S' : 'N';
      (void)!::write(listo[1], &c, 1);
      (void)!::read(sigue_[0], &c, 1);
      ::_exit(0);
    }
    char c = 0;
    EXPECT_EQ(::read(listo[0], &c, 1), 1);
    EXPECT_EQ(c, 'S');
    ::close(listo[0]);
    ::close(listo[1]);
  }
  ~Retenedor() {
    char c = 'x';
    (void)!::write(sigue_[1], &c, 1);
    int st;
    ::waitpid(pid_, &st, 0);
    ::close(sigue_[0]);
    ::close(sigue_[1]);
  }

 private:
  pid_t pid_;
  int sigue_[2];
};

TEST(Ficheros, UnFicheroEnUsoNoSeBorraNiSeReemplaza) {
  prueba::CarpetaTemporal t;
  t.Escribe("otro", "nuevo");
  for (Cerrojo tipo : {Cerrojo::Flock, Cerrojo::Fcntl}) {
    t.Escribe("bloqueado", "datos");
    {
      Retenedor r(t.Posix("bloqueado"), tipo);
      EXPECT_FALSE(BorraFichero(t.Win("bloqueado")));
      EXPECT_EQ(UltimoError(), ERROR_COMPARTIR);
      EXPECT_FALSE(CopiaFichero(t.Win("otro"), t.Win("bloqueado"), false));
      EXPECT_EQ(UltimoError(), ERROR_COMPARTIR);
      EXPECT_EQ(t.Lee("bloqueado"), "datos");
    }
    EXPECT_TRUE(BorraFichero(t.Win("bloqueado")));
  }
  // A running program's file, like Windows.
  fs::copy_file("/bin/sleep", t.Posix("programa"));
  Proceso p;
  ASSERT_TRUE(p.Inicia(u"\"" + t.Win("programa") + u"\" 30"));
  EXPECT_FALSE(BorraFichero(t.Win("programa")));
  EXPECT_EQ(UltimoError(), ERROR_COMPARTIR);
  std::vector<EntradaProceso> procesos;
  ASSERT_TRUE(InstantaneaProcesos(procesos));
  for (const EntradaProceso& e : procesos)
    if (e.ejecutable == u"programa") TerminaProcesoId(e.id, 0);
  EXPECT_EQ(p.Espera(10000), ESPERA_TERMINADO);
  EXPECT_TRUE(BorraFichero(t.Win("programa")));
}

TEST(Ficheros, FlujosC) {
  prueba::CarpetaTemporal t;
  std::FILE* f = AbreFlujo(t.Win("log.txt"), "a+");
  ASSERT_NE(f, nullptr);
  std::fputs("linea\r\n", f);
  std::fclose(f);
  EXPECT_EQ(t.Lee("log.txt"), "linea\r\n");
  EXPECT_EQ(AbreFlujo(t.Win("falta\\log.txt"), "a+"), nullptr);
  ASSERT_TRUE(PonAtributos(t.Win("log.txt"), ATR_SOLO_LECTURA));
  EXPECT_EQ(AbreFlujo(t.Win("log.txt"), "a+"), nullptr);
  EXPECT_EQ(UltimoError(), ERROR_ACCESO_DENEGADO);
  f = AbreFlujo(t.Win("log.txt"), "rb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
}

TEST(Carpetas, CreaYEliminaUnNivel) {
  prueba::CarpetaTemporal t;
  EXPECT_TRUE(CreaDirectorio(t.Win("Nueva")));
  EXPECT_TRUE(ExisteDirectorio(t.Win("Nueva\\")));
  EXPECT_FALSE(ExisteFichero(t.Win("Nueva")));
  EXPECT_FALSE(CreaDirectorio(t.Win("Nueva")));
  EXPECT_EQ(UltimoError(), ERROR_YA_EXISTE);
  EXPECT_FALSE(CreaDirectorio(t.Win("Falta\\Hija")));
  EXPECT_EQ(UltimoError(), ERROR_RUTA_NO_ENCONTRADA);

  t.Escribe("Nueva/f", "x");
  EXPECT_FALSE(EliminaDirectorio(t.Win("Nueva")));
  EXPECT_EQ(UltimoError(), ERROR_DIRECTORIO_NO_VACIO);
  // A link to the folder goes alone; the folder and its file stay.
  fs::create_directory_symlink(t.Posix("Nueva"), t.Posix("Enlace"));
  EXPECT_TRUE(EliminaDirectorio(t.Win("Enlace\\")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(t.Posix("Enlace"))));
  EXPECT_EQ(t.Lee("Nueva/f"), "x");
  EXPECT_FALSE(EliminaDirectorio(t.Win("Nueva\\f")));
  EXPECT_EQ(UltimoError(), ERROR_NO_ES_DIRECTORIO);
  ASSERT_TRUE(BorraFichero(t.Win("Nueva\\f")));
  EXPECT_TRUE(EliminaDirectorio(t.Win("Nueva")));
  EXPECT_FALSE(ExisteDirectorio(t.Win("Nueva")));
}

TEST(Ficheros, RutasLargasYUnidadC) {
  prueba::CarpetaTemporal t;
  Texto ruta = t.Win("");
  std::string posix = t.Ruta();
  for (int i = 0; i < 4; ++i) {
    const std::string nombre(90, static_cast<char>('a' + i));
    ruta += texto::DeUtf8(nombre) + u"\\";
    posix += "/" + nombre;
    ASSERT_TRUE(CreaDirectorio(ruta)) << ruta.size();
  }
  ASSERT_GT(ruta.size(), 300u);
  ASSERT_TRUE(EscribeFicheroCompleto(ruta + u"largo.txt", "uno"));
  ASSERT_TRUE(AnadeAFichero(ruta + u"largo.txt", "\r\ndos"));
  std::string leido;
  ASSERT_TRUE(LeeFicheroCompleto(ruta + u"largo.txt", leido));
  EXPECT_EQ(leido, "uno\r\ndos");
  ASSERT_TRUE(CopiaFichero(ruta + u"largo.txt", ruta + u"copia.txt", true));
  uint64_t tam = 0;
  ASSERT_TRUE(TamanoFichero(ruta + u"copia.txt", tam));
  EXPECT_EQ(tam, 8u);
  EXPECT_EQ(Lista(ruta + u"*.txt").size(), 2u);

  prueba::VariableEntorno c("ZELVANO_UNIDAD_C", t.Ruta());
  t.Escribe("en_c.txt", "C");
  EXPECT_TRUE(ExisteFichero(u"C:\\en_c.txt"));
  EXPECT_TRUE(ExisteFichero(u"c:\\en_c.txt"));
  EXPECT_FALSE(ExisteFichero(u"D:\\en_c.txt"));
}

}  // namespace
