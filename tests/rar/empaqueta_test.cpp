// The packer run as a process, as the build runs it.
#include <gtest/gtest.h>

#include "tests/rar/comun.h"
#include "staging/rar/cabeceras.h"
#include "tools/rar/lector.h"

namespace pruebas_rar {
namespace {

const std::string kEmpaqueta = EMPAQUETA_EJECUTABLE;

TEST(Empaqueta, OrdenAtributosYFecha) {
  CarpetaTemporal tmp;
  escribe_fichero(tmp / "o/b.txt", texto(70, 1000));
  escribe_fichero(tmp / "o/a/vacio.txt", {});
  escribe_fichero(tmp / "o/a/z.txt", texto(71, 1000));
  escribe_fichero(tmp / "o/Update/update.dat", {'1'});
  fs::create_directories(tmp / "o/a/sub");
  auto r = ejecuta({kEmpaqueta, "--atributos", "Update=11", "--atributos", "a/z.txt=21", "--fecha", "2020-02-29",
                    (tmp / "x.rar").string(), (tmp / "o").string()});
  ASSERT_EQ(r.codigo, 0) << r.salida;
  zelvano::rar::LectorRar l(tmp / "x.rar");
  std::vector<std::string> nombres;
  for (const auto& e : l.entradas()) {
    nombres.push_back(e.nombre);
    EXPECT_EQ(e.fecha_dos, zelvano::rar::fecha_dos(2020, 2, 29, 10, 0, 0)) << e.nombre;
    uint32_t esperado = e.nombre == "Update" ? 0x11 : e.nombre == "a\\z.txt" ? 0x21 : e.carpeta ? 0x10 : 0x20;
    EXPECT_EQ(e.atributos, esperado) << e.nombre;
  }
  // Folders first (a folder before its subfolders), then empty files, then
  // the rest, each group in tree order.
  EXPECT_EQ(nombres, (std::vector<std::string>{"Update", "a", "a\\sub", "a\\vacio.txt", "Update\\update.dat",
                                               "a\\z.txt", "b.txt"}));
  EXPECT_TRUE(l.solido());
  // The compressed files after the first form one solid chain.
  EXPECT_FALSE(l.entradas()[4].solida);
  EXPECT_TRUE(l.entradas()[5].solida);
  EXPECT_TRUE(l.entradas()[6].solida);
}

TEST(Empaqueta, SinEncadenarYAlmacenado) {
  CarpetaTemporal tmp;
  escribe_fichero(tmp / "o/a.txt", texto(72, 5000));
  escribe_fichero(tmp / "o/b.txt", texto(73, 5000));
  ASSERT_EQ(ejecuta({kEmpaqueta, "--sin-encadenar", (tmp / "s.rar").string(), (tmp / "o").string()}).codigo, 0);
  ASSERT_EQ(ejecuta({kEmpaqueta, "--almacenar", (tmp / "a.rar").string(), (tmp / "o").string()}).codigo, 0);
  zelvano::rar::LectorRar s(tmp / "s.rar");
  for (const auto& e : s.entradas()) {
    EXPECT_FALSE(e.solida) << e.nombre;
    EXPECT_EQ(e.metodo, zelvano::rar::kMetodoMejor);
  }
  zelvano::rar::LectorRar a(tmp / "a.rar");
  for (const auto& e : a.entradas()) EXPECT_EQ(e.metodo, zelvano::rar::kMetodoAlmacenado);
}

TEST(Empaqueta, ErroresDeUso) {
  CarpetaTemporal tmp;
  const std::vector<std::vector<std::string>> malos = {
      {},
      {(tmp / "x.rar").string()},
      {"--atributos", "sin_igual", (tmp / "x.rar").string(), tmp.ruta().string()},
      {"--fecha", "ayer", (tmp / "x.rar").string(), tmp.ruta().string()},
      {"--opcion-rara", (tmp / "x.rar").string(), tmp.ruta().string()}};
  for (const auto& m : malos) {
    std::vector<std::string> argv{kEmpaqueta};
    argv.insert(argv.end(), m.begin(), m.end());
    auto r = ejecuta(argv);
    EXPECT_EQ(r.codigo, 1) << r.salida;
  }
  auto r = ejecuta({kEmpaqueta, (tmp / "x.rar").string(), (tmp / "no_existe").string()});
  EXPECT_EQ(r.codigo, 2) << r.salida;
  EXPECT_FALSE(fs::exists(tmp / "x.rar"));
}

}  // namespace
}  // namespace pruebas_rar
