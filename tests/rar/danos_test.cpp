// Damaged archives and entries that would escape the destination: the
// extractor must fail with an error, never report success, never leave a
// damaged file in place of a good one, and never write outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

#include "tests/rar/comun.h"
#include "staging/rar/crc32.h"
#include "tools/rar/error.h"
#include "tools/rar/lector.h"

namespace pruebas_rar {
namespace {

using zelvano::rar::ErrorRar;
using zelvano::rar::LectorRar;
using zelvano::rar::TipoError;

// Archive with two compressed files; returns where the second file's packed
// data starts and how long it is.
std::pair<uint64_t, uint64_t> archivo_de_prueba(const fs::path& archivo, bool encadenar) {
  CarpetaTemporal o;
  escribe_fichero(o / "a.txt", texto(20, 200000));
  escribe_fichero(o / "b.txt", texto(21, 300000));
  zelvano::rar::OpcionesEscritor op;
  op.encadenar = encadenar;
  empaqueta_arbol(archivo, o.ruta(), op);
  LectorRar l(archivo);
  const auto& e = l.entradas().at(1);
  return {e.desplazamiento, e.tam_comprimido};
}

TipoError extrae_y_falla(const fs::path& archivo, const fs::path& destino) {
  try {
    LectorRar l(archivo);
    l.extrae(destino);
  } catch (const ErrorRar& e) {
    return e.tipo();
  }
  ADD_FAILURE() << "la extracción no falló";
  return TipoError::kAbrir;
}

// Start of the second file's header: its fixed 32 bytes and the name
// "b.txt" sit right before the packed data.
size_t cabecera_b(const std::vector<uint8_t>& v, uint64_t datos) {
  const size_t h = static_cast<size_t>(datos) - 32 - 5;
  EXPECT_EQ(v.at(h + 2), 0x74);
  return h;
}
void pon16(std::vector<uint8_t>& v, size_t p, uint32_t x) {
  v.at(p) = static_cast<uint8_t>(x);
  v.at(p + 1) = static_cast<uint8_t>(x >> 8);
}
// Makes a lying header pass its checksum, so the lie itself is what the
// reader has to catch.
void sella(std::vector<uint8_t>& v, size_t h) {
  const size_t tam = v.at(h + 5) | (v.at(h + 6) << 8);
  pon16(v, h, zelvano::rar::crc16_cabecera(v.data() + h + 2, std::min(tam, v.size() - h) - 2));
}

struct Dano {
  const char* nombre;
  // Edits the archive bytes; gets the packed data range of the second file.
  std::function<void(std::vector<uint8_t>&, uint64_t desde, uint64_t largo)> aplica;
};

const Dano kDanos[] = {
    {"byte_cambiado_en_datos", [](auto& v, uint64_t d, uint64_t n) { v[d + n / 2] ^= 0x5A; }},
    {"byte_cambiado_al_principio", [](auto& v, uint64_t d, uint64_t) { v[d + 3] ^= 0x01; }},
    {"byte_cambiado_en_cabecera", [](auto& v, uint64_t d, uint64_t) { v[d - 10] ^= 0x40; }},
    {"cortado_a_la_mitad", [](auto& v, uint64_t d, uint64_t n) { v.resize(d + n / 2); }},
    {"sin_bloque_final", [](auto& v, uint64_t, uint64_t) { v.resize(v.size() - 7); }},
    {"ultimo_byte_de_datos_fuera", [](auto& v, uint64_t d, uint64_t n) { v.erase(v.begin() + d + n - 1); }},
    // Header sizes that lie: beyond the archive, shorter than the fixed
    // fields, and a few bytes longer with the checksum made to match.
    {"tamano_de_cabecera_enorme", [](auto& v, uint64_t d, uint64_t) { pon16(v, cabecera_b(v, d) + 5, 0xFFFF); }},
    {"tamano_de_cabecera_corto",
     [](auto& v, uint64_t d, uint64_t) {
       const size_t h = cabecera_b(v, d);
       pon16(v, h + 5, 20);
       sella(v, h);
     }},
    {"tamano_de_cabecera_largo_sellado",
     [](auto& v, uint64_t d, uint64_t) {
       const size_t h = cabecera_b(v, d);
       pon16(v, h + 5, 32 + 5 + 11);
       sella(v, h);
     }},
    // Packed and unpacked sizes that lie, checksum made to match.
    {"tamano_comprimido_mayor_que_el_archivo",
     [](auto& v, uint64_t d, uint64_t) {
       const size_t h = cabecera_b(v, d);
       pon16(v, h + 7, 0xFFFF);
       pon16(v, h + 9, 0x7FFF);
       sella(v, h);
     }},
    {"tamano_descomprimido_mayor",
     [](auto& v, uint64_t d, uint64_t) {
       const size_t h = cabecera_b(v, d);
       pon16(v, h + 13, 0x7FFF);
       sella(v, h);
     }},
    {"crc_de_datos_distinto_sellado",
     [](auto& v, uint64_t d, uint64_t) {
       const size_t h = cabecera_b(v, d);
       v.at(h + 16) ^= 0x01;
       sella(v, h);
     }},
};

class Danado : public ::testing::TestWithParam<std::tuple<size_t, bool>> {};

TEST_P(Danado, FallaSinReemplazarLoQueHabia) {
  const Dano& dano = kDanos[std::get<0>(GetParam())];
  CarpetaTemporal tmp;
  fs::path archivo = tmp / "d.rar";
  auto [desde, largo] = archivo_de_prueba(archivo, std::get<1>(GetParam()));
  auto bytes = lee_fichero(archivo);
  dano.aplica(bytes, desde, largo);
  escribe_fichero(archivo, bytes);

  // A good copy of the damaged entry already sits in the destination.
  fs::path destino = tmp / "destino";
  escribe_fichero(destino / "b.txt", {'b', 'u', 'e', 'n', 'o'});
  TipoError t = extrae_y_falla(archivo, destino);
  // Corrupt data may also decode as a feature this reader lacks (a filter
  // or PPMd block); either way it is reported, never extracted.
  EXPECT_TRUE(t == TipoError::kDanado || t == TipoError::kNoSoportado) << static_cast<int>(t);
  EXPECT_EQ(lee_fichero(destino / "b.txt"), (std::vector<uint8_t>{'b', 'u', 'e', 'n', 'o'}));
  for (const auto& e : fs::directory_iterator(destino))
    EXPECT_EQ(e.path().filename().string().find(".rar-tmp"), std::string::npos) << e.path();

  // Into an empty destination: the damaged entry is not left behind either.
  fs::path limpio = tmp / "limpio";
  extrae_y_falla(archivo, limpio);
  EXPECT_FALSE(fs::exists(limpio / "b.txt"));
}

INSTANTIATE_TEST_SUITE_P(Danos, Danado,
                         ::testing::Combine(::testing::Range<size_t>(0, std::size(kDanos)), ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(kDanos[std::get<0>(info.param)].nombre) +
                                  (std::get<1>(info.param) ? "_encadenado" : "_independiente");
                         });

TEST(Danado, NoEsUnArchivo) {
  CarpetaTemporal tmp;
  escribe_fichero(tmp / "x.rar", texto(22, 100));
  EXPECT_THROW(
      {
        try {
          LectorRar l(tmp / "x.rar");
        } catch (const ErrorRar& e) {
          EXPECT_EQ(e.tipo(), TipoError::kAbrir);
          throw;
        }
      },
      ErrorRar);
  EXPECT_THROW(LectorRar(tmp / "no_existe.rar"), ErrorRar);
}

// Names that would land outside the destination, written with the writer's
// test-only escape hatch. One such entry refuses the whole archive before
// anything is written.
const char* const kNombresPeligrosos[] = {
    "..\\fuera.txt", "sub\\..\\..\\fuera.txt", "C:\\fuera.txt", "C:fuera.txt", "\\fuera.txt",
    "/fuera.txt",    "sub/../../fuera.txt",    "sub\\.\\x.txt", "fichero.txt:flujo"};

class NombrePeligroso : public ::testing::TestWithParam<const char*> {};

TEST_P(NombrePeligroso, NadaSeEscribe) {
  CarpetaTemporal tmp;
  fs::path archivo = tmp / "p.rar";
  {
    std::ofstream f(archivo, std::ios::binary);
    zelvano::rar::OpcionesEscritor op;
    op.permite_nombres_peligrosos = true;
    zelvano::rar::EscritorRar w(f, op);
    w.agrega_fichero("antes.txt", std::vector<uint8_t>{'1'});
    w.agrega_fichero(GetParam(), std::vector<uint8_t>{'2'});
    w.termina();
  }
  fs::path destino = tmp / "a" / "b" / "destino";
  fs::create_directories(destino);
  EXPECT_EQ(extrae_y_falla(archivo, destino), TipoError::kInseguro);
  EXPECT_TRUE(fs::is_empty(destino));
  EXPECT_FALSE(fs::exists(tmp / "a" / "b" / "fuera.txt"));
  EXPECT_FALSE(fs::exists(tmp / "a" / "fuera.txt"));
  // Without the escape hatch the writer refuses such a name.
  std::ostringstream s;
  zelvano::rar::EscritorRar w(s);
  EXPECT_THROW(w.agrega_fichero(GetParam(), std::vector<uint8_t>{'2'}), std::invalid_argument);
}

INSTANTIATE_TEST_SUITE_P(Nombres, NombrePeligroso, ::testing::ValuesIn(kNombresPeligrosos));

}  // namespace
}  // namespace pruebas_rar

namespace pruebas_rar {
namespace {

// Random damage anywhere in the packed data: every outcome is either an
// error or, when the damage missed everything that matters, the right
// bytes. Nothing may crash, hang or hand out wrong data silently.
TEST(Danado, DanosAleatoriosSiempreDetectados) {
  CarpetaTemporal tmp;
  fs::path original = tmp / "o.rar";
  auto [desde, largo] = archivo_de_prueba(original, true);
  const auto bytes = lee_fichero(original);
  auto azar = aleatorios(50, 4000);
  std::vector<std::vector<uint8_t>> esperado(2);
  {
    LectorRar l(original);
    for (size_t i = 0; i < 2; ++i)
      l.lee(i, [&](const uint8_t* d, size_t n) { esperado[i].insert(esperado[i].end(), d, d + n); });
  }
  int errores = 0;
  for (int ronda = 0; ronda < 300; ++ronda) {
    auto v = bytes;
    // One to four bytes changed, anywhere from the first file's data on.
    int cambios = 1 + azar[ronda * 7] % 4;
    for (int k = 0; k < cambios; ++k) {
      size_t i = (static_cast<size_t>(azar[ronda * 7 + 1 + k]) << 16 | azar[ronda * 7 + 5] << 8 |
                  azar[ronda * 7 + 6]) % (desde + largo - 40) + 40;
      v[i] ^= static_cast<uint8_t>(1 + azar[(ronda * 7 + k + 3) % azar.size()] % 255);
    }
    fs::path a = tmp / "x.rar";
    escribe_fichero(a, v);
    try {
      LectorRar l(a);
      for (size_t i = 0; i < l.entradas().size(); ++i) {
        std::vector<uint8_t> datos;
        l.lee(i, [&](const uint8_t* d, size_t n) { datos.insert(datos.end(), d, d + n); });
        ASSERT_EQ(datos, esperado.at(i)) << "ronda " << ronda;
      }
    } catch (const ErrorRar&) {
      ++errores;
    }
  }
  EXPECT_GT(errores, 250);
}

}  // namespace
}  // namespace pruebas_rar
