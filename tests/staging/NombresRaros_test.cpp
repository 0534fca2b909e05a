// Names and paths in "Datos" that other programs wrote: the folder copy of
// the save either copies each such file exactly or counts it as not saved
// (so the save does not go on as if it were), and never touches the source.
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/plataforma.h"
#include "staging/Carpetas.h"
#include "tests/staging/Entorno.h"
#include "tests/staging/Ventana.h"

namespace prueba {
namespace {

Texto T(const fs::path& p) { return texto::DeUtf8(p.string()); }

// A chain of folders below `raiz` whose full path passes `largo` bytes,
// made with relative calls (the kernel refuses whole paths that long).
// Returns the chain, relative to `raiz`.
std::string CadenaProfunda(const fs::path& raiz, size_t largo) {
  const std::string tramo(200, 'p');
  std::string relativa;
  int fd = ::open(raiz.c_str(), O_RDONLY | O_DIRECTORY);
  while (raiz.string().size() + relativa.size() < largo) {
    if (::mkdirat(fd, tramo.c_str(), 0755) != 0) break;
    const int hijo = ::openat(fd, tramo.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = hijo;
    relativa += "/" + tramo;
  }
  const int f = ::openat(fd, "hondo.dat", O_WRONLY | O_CREAT, 0644);
  if (f >= 0) {
    if (::write(f, "hondo", 5) != 5) ADD_FAILURE() << "no se pudo escribir hondo.dat";
    ::close(f);
  }
  ::close(fd);
  return relativa.substr(1) + "/hondo.dat";
}

// Removes the file at the end of the chain and the chain itself, step by
// step (the temporary folder's removal works with whole paths). False when
// the file was not there.
bool QuitaCadena(const fs::path& raiz, const std::string& cadena) {
  std::vector<std::string> tramos;
  for (size_t p = 0, q; p < cadena.size(); p = q + 1) {
    q = cadena.find('/', p);
    if (q == std::string::npos) q = cadena.size();
    tramos.push_back(cadena.substr(p, q - p));
  }
  std::vector<int> fds = {::open(raiz.c_str(), O_RDONLY | O_DIRECTORY)};
  for (size_t i = 0; i + 1 < tramos.size() && fds.back() >= 0; ++i)
    fds.push_back(::openat(fds.back(), tramos[i].c_str(), O_RDONLY | O_DIRECTORY));
  bool estaba = fds.back() >= 0 && ::unlinkat(fds.back(), tramos.back().c_str(), 0) == 0;
  for (size_t i = fds.size() - 1; i > 0; --i) {
    if (fds[i] >= 0) ::close(fds[i]);
    if (fds[i - 1] >= 0) ::unlinkat(fds[i - 1], tramos[i - 1].c_str(), AT_REMOVEDIR);
  }
  if (fds[0] >= 0) ::close(fds[0]);
  return estaba;
}

struct Caso {
  const char* nombre;
  std::string fichero;  // name of the file in "Datos" (UTF-8 bytes as on disk)
  bool copiado;         // copied exactly, or else counted as not saved
};

void PrintTo(const Caso& c, std::ostream* os) { *os << c.nombre; }

const Caso kCasos[] = {
    {"Windows1252", "a\xC3\xB1o \xE2\x82\xAC \xC3\x9C.dat", true},
    {"FueraDeWindows1252", "\xE4\xB8\xAD\xE6\x96\x87 \xD0\x9F \xF0\x9F\x98\x80.dat", true},
    {"NombreDe255", std::string(251, 'n') + ".dat", true},
    {"ComoDispositivoCON", "CON", true},
    {"ComoDispositivoNUL", "NUL.txt", true},
    {"DeSoloLectura", "solo_lectura.dat", true},
    // Bytes that are no UTF-8 have no name in the wizard's texts: the copy
    // cannot name them and says so in its count.
    {"BytesQueNoSonUtf8", "\xFF\xFE\xC0\xAF.dat", false},
};

class NombresRaros : public ::testing::TestWithParam<Caso> {};

TEST_P(NombresRaros, SeCopiaExactoOSeCuentaComoNoGuardado) {
  const Caso& caso = GetParam();
  TfV& v = Ventana();
  CarpetaTemporal tmp;
  const fs::path origen = tmp.Ruta() / "Datos", destino = tmp.Ruta() / "copia";
  fs::create_directories(origen);
  Escribe(origen / "Clientes.dat", "clientes");
  Escribe(origen / caso.fichero, "contenido raro");
  if (caso.fichero == "solo_lectura.dat") fs::permissions(origen / caso.fichero, fs::perms::owner_read | fs::perms::group_read);
  const Arbol antes = LeeArbol(origen);

  double total = 0;
  const int fallos = staging::CopiaCarpetaContando(v, T(origen), T(destino), total).cuenta;

  EXPECT_EQ(LeeArbol(origen), antes) << "el origen no se toca";
  EXPECT_EQ(Lee(destino / "Clientes.dat"), "clientes");
  if (caso.copiado) {
    EXPECT_EQ(fallos, 0);
    EXPECT_EQ(Diferencias(LeeArbol(destino), antes), "");
  } else {
    EXPECT_GT(fallos, 0) << "un fichero sin copiar debe contarse";
  }
}

INSTANTIATE_TEST_SUITE_P(Filas, NombresRaros, ::testing::ValuesIn(kCasos),
                         [](const ::testing::TestParamInfo<Caso>& i) { return std::string(i.param.nombre); });

// A path longer than any the system opens (4,096 bytes): it cannot be
// copied, and the count says so; the rest of the folder is copied.
TEST(NombresRaros, RutaDeMasDe4096SeCuentaComoNoGuardada) {
  TfV& v = Ventana();
  CarpetaTemporal tmp;
  const fs::path origen = tmp.Ruta() / "Datos", destino = tmp.Ruta() / "copia";
  fs::create_directories(origen);
  Escribe(origen / "Clientes.dat", "clientes");
  const std::string hondo = CadenaProfunda(origen, 4200);
  ASSERT_GT((origen / hondo).string().size(), 4096u);

  double total = 0;
  EXPECT_GT(staging::CopiaCarpetaContando(v, T(origen), T(destino), total).cuenta, 0);
  EXPECT_EQ(Lee(destino / "Clientes.dat"), "clientes");
  EXPECT_TRUE(QuitaCadena(origen, hondo)) << "el fichero hondo sigue en su sitio";
  QuitaCadena(destino, hondo);
}

}  // namespace
}  // namespace prueba
