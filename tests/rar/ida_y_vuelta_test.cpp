// Round trips: a tree is packed, then extracted by this package's reader and
// by two independent readers (unar, and bsdtar for archives without a solid
// chain, which libarchive refuses), and every extracted tree must equal the
// source exactly.
#include <gtest/gtest.h>

#include <functional>

#include "tests/rar/comun.h"
#include "tools/rar/lector.h"

namespace pruebas_rar {
namespace {

struct Caso {
  const char* nombre;
  std::function<void(const fs::path&)> crea;
};

void repite(std::vector<uint8_t>& v, size_t desde, size_t largo, size_t veces) {
  for (size_t k = 0; k < veces; ++k) v.insert(v.end(), v.begin() + desde, v.begin() + desde + largo);
}

const Caso kCasos[] = {
    {"vacio", [](const fs::path& r) { escribe_fichero(r / "vacio.dat", {}); }},
    {"un_byte", [](const fs::path& r) { escribe_fichero(r / "uno.bin", {0x7F}); }},
    {"mayor_que_la_ventana",
     [](const fs::path& r) {
       // 9 MB: text, a block repeated 3.5 MB later (inside the window) and
       // one repeated 4.5 MB later (outside it).
       auto v = texto(1, 3 << 20);
       auto b = aleatorios(2, 1 << 20);
       v.insert(v.end(), b.begin(), b.end());
       auto t = texto(3, 2 << 20);
       v.insert(v.end(), t.begin(), t.end());
       repite(v, 3 << 20, 1 << 20, 1);
       repite(v, 0, 2 << 20, 1);
       escribe_fichero(r / "grande.bin", v);
     }},
    {"rachas_largas",
     [](const fs::path& r) {
       std::vector<uint8_t> v(1 << 20, 0);
       v.insert(v.end(), 700000, 'a');
       for (int k = 0; k < 5000; ++k) v.insert(v.end(), static_cast<size_t>(k % 300), static_cast<uint8_t>(k));
       escribe_fichero(r / "rachas.bin", v);
     }},
    {"incompresible", [](const fs::path& r) { escribe_fichero(r / "azar.bin", aleatorios(4, 1 << 20)); }},
    {"cincuenta_copias",
     [](const fs::path& r) {
       auto v = aleatorios(5, 100 * 1024);
       for (int k = 0; k < 50; ++k) escribe_fichero(r / ("copias/copia_" + std::to_string(k) + ".bin"), v);
     }},
    {"carpetas_anidadas",
     [](const fs::path& r) {
       escribe_fichero(r / "a/b/c/d/e/profundo.txt", texto(6, 5000));
       escribe_fichero(r / "a/b/medio.txt", texto(7, 3000));
       fs::create_directories(r / "a/vacia/tambien_vacia");
       escribe_fichero(r / "raiz.txt", texto(8, 100));
     }},
    {"nombres_con_acentos",
     [](const fs::path& r) {
       escribe_fichero(r / "Año nuevo/canción del ñandú.txt", texto(9, 20000));
       escribe_fichero(r / "Ópera Ñ/ÁÉÍÓÚ üÜ ¿qué?.txt", texto(10, 500));
       escribe_fichero(r / "con  dos blancos .txt", {'x', 'y'});
       escribe_fichero(r / "Ελληνικά/ファイル.txt", texto(11, 300));
     }},
};

enum class Modo { kEncadenado, kIndependiente };

class IdaYVuelta : public ::testing::TestWithParam<std::tuple<size_t, Modo>> {};

TEST_P(IdaYVuelta, TodosLosLectoresDevuelvenLoMismo) {
  const Caso& caso = kCasos[std::get<0>(GetParam())];
  Modo modo = std::get<1>(GetParam());
  CarpetaTemporal tmp;
  fs::path origen = tmp / "origen";
  fs::create_directories(origen);
  caso.crea(origen);
  auto esperado = contenido_arbol(origen);

  zelvano::rar::OpcionesEscritor op;
  op.encadenar = modo == Modo::kEncadenado;
  fs::path archivo = tmp / "prueba.rar";
  empaqueta_arbol(archivo, origen, op);

  {
    SCOPED_TRACE("lector propio");
    zelvano::rar::LectorRar lector(archivo);
    lector.extrae(tmp / "propio");
    EXPECT_EQ(contenido_arbol(tmp / "propio"), esperado);
  }
  if (disponible("unar")) {
    SCOPED_TRACE("unar");
    auto r = ejecuta({"unar", "-q", "-f", "-D", "-o", (tmp / "unar").string(), archivo.string()});
    EXPECT_EQ(r.codigo, 0) << r.salida;
    EXPECT_EQ(contenido_arbol(tmp / "unar"), esperado);
  } else {
    GTEST_SKIP() << "unar no está instalado";
  }
  if (modo == Modo::kIndependiente) {
    if (disponible("bsdtar")) {
      SCOPED_TRACE("bsdtar");
      fs::create_directories(tmp / "bsdtar");
      auto r = ejecuta({"bsdtar", "-xf", archivo.string()}, tmp / "bsdtar");
      EXPECT_EQ(r.codigo, 0) << r.salida;
      EXPECT_EQ(contenido_arbol(tmp / "bsdtar"), esperado);
    } else {
      GTEST_SKIP() << "bsdtar no está instalado";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Casos, IdaYVuelta,
                         ::testing::Combine(::testing::Range<size_t>(0, std::size(kCasos)),
                                            ::testing::Values(Modo::kEncadenado, Modo::kIndependiente)),
                         [](const auto& info) {
                           return std::string(kCasos[std::get<0>(info.param)].nombre) +
                                  (std::get<1>(info.param) == Modo::kEncadenado ? "_encadenado" : "_independiente");
                         });

// The solid chain lets later files refer to earlier ones: fifty copies of
// one incompressible file cost little more than one.
TEST(Solido, CincuentaCopiasCuestanPocoMasQueUna) {
  CarpetaTemporal tmp;
  auto v = aleatorios(12, 100 * 1024);
  for (int k = 0; k < 50; ++k) escribe_fichero(tmp / ("o/c" + std::to_string(k + 10) + ".bin"), v);
  zelvano::rar::OpcionesEscritor solo;
  solo.encadenar = false;
  fs::path una = tmp / "una.rar";
  {
    CarpetaTemporal t1;
    escribe_fichero(t1 / "c.bin", v);
    empaqueta_arbol(una, t1.ruta(), solo);
  }
  zelvano::rar::OpcionesEscritor encadenado;
  empaqueta_arbol(tmp / "solido.rar", tmp / "o", encadenado);
  empaqueta_arbol(tmp / "suelto.rar", tmp / "o", solo);
  auto t_una = fs::file_size(una);
  auto t_solido = fs::file_size(tmp / "solido.rar");
  auto t_suelto = fs::file_size(tmp / "suelto.rar");
  EXPECT_LT(t_solido, 2 * t_una) << "una=" << t_una << " sólido=" << t_solido;
  EXPECT_GT(t_suelto, 45 * t_una);
}

// Better than the usual deflate at its best level on text.
TEST(Compresion, MasPequenoQueGzipNueve) {
  if (!disponible("gzip")) GTEST_SKIP() << "gzip no está instalado";
  CarpetaTemporal tmp;
  auto t = texto(13, 2 << 20);
  escribe_fichero(tmp / "o/texto.txt", t);
  empaqueta_arbol(tmp / "t.rar", tmp / "o", {});
  auto r = ejecuta({"gzip", "-9", "-k", (tmp / "o/texto.txt").string()});
  ASSERT_EQ(r.codigo, 0) << r.salida;
  EXPECT_LT(fs::file_size(tmp / "t.rar"), fs::file_size(tmp / "o/texto.txt.gz"));
}

}  // namespace
}  // namespace pruebas_rar
