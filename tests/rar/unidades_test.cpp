// Building blocks: checksums, Huffman codes, archive names.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <streambuf>

#include "tests/rar/comun.h"
#include "tools/rar/bits.h"
#include "staging/rar/cabeceras.h"
#include "tools/rar/escritor.h"
#include "staging/rar/crc32.h"
#include "tools/rar/huffman.h"
#include "staging/rar/nombres.h"

namespace pruebas_rar {
namespace {

using namespace zelvano::rar;

TEST(Crc32, ValoresConocidosYPorPartes) {
  EXPECT_EQ(crc32("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(crc32("", 0), 0u);
  auto v = aleatorios(40, 10007);
  uint32_t por_partes = crc32(v.data(), 3);
  por_partes = crc32(v.data() + 3, 5000, por_partes);
  por_partes = crc32(v.data() + 5003, v.size() - 5003, por_partes);
  EXPECT_EQ(por_partes, crc32(v.data(), v.size()));
}

uint64_t kraft(const std::vector<uint8_t>& l) {  // in units of 2^-15
  uint64_t k = 0;
  for (uint8_t x : l)
    if (x) k += 1ull << (15 - x);
  return k;
}

TEST(Huffman, LongitudesLimitadasYCodigoCompleto) {
  struct Caso {
    const char* nombre;
    std::vector<uint32_t> f;
  };
  std::vector<uint32_t> fib(40);
  fib[0] = fib[1] = 1;
  for (size_t i = 2; i < fib.size(); ++i) fib[i] = fib[i - 1] + fib[i - 2];
  std::vector<uint32_t> uno(299, 0);
  uno[7] = 1000;
  std::vector<uint32_t> ninguno(60, 0);
  std::vector<uint32_t> planos(404, 5);
  const Caso casos[] = {{"fibonacci", fib}, {"un_simbolo", uno}, {"ninguno", ninguno}, {"planos", planos}};
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    auto l = longitudes_huffman(c.f);
    ASSERT_EQ(l.size(), c.f.size());
    EXPECT_LE(*std::max_element(l.begin(), l.end()), 15);
    EXPECT_EQ(kraft(l), 1ull << 15);
    for (size_t s = 0; s < l.size(); ++s) {
      if (c.f[s]) {
        EXPECT_GT(l[s], 0) << s;
      }
    }
  }
}

TEST(Huffman, CodificarYDecodificarDevuelveLosSimbolos) {
  std::vector<uint32_t> f(299);
  auto azar = aleatorios(41, 5000);
  for (size_t i = 0; i < f.size(); ++i) f[i] = (i < 40) ? 1000u >> (i / 4) : azar[i] % 3;
  auto l = longitudes_huffman(f);
  auto c = codigos_canonicos(l);
  std::vector<int> simbolos;
  for (uint8_t b : azar) {
    int s = b % 299;
    if (l[s]) simbolos.push_back(s);
  }
  std::vector<uint8_t> flujo;
  EscritorBits w(flujo);
  for (int s : simbolos) w.escribe(c[s], l[s]);
  w.alinea();
  DecodificadorHuffman d;
  ASSERT_TRUE(d.construye(l.data(), static_cast<int>(l.size())));
  size_t pos = 0;
  LectorBits r([&](std::vector<uint8_t>& buf, size_t max) {
    size_t n = std::min(max, flujo.size() - pos);
    buf.assign(flujo.begin() + pos, flujo.begin() + pos + n);
    pos += n;
    return n;
  });
  for (int s : simbolos) ASSERT_EQ(d.decodifica(r), s);
  EXPECT_FALSE(r.excedido());
}

TEST(Huffman, RechazaCodigosSobresuscritos) {
  const uint8_t tres_de_uno[] = {1, 1, 1};
  DecodificadorHuffman d;
  EXPECT_FALSE(d.construye(tres_de_uno, 3));
  const uint8_t incompleto[] = {2, 2, 0, 2};  // one pattern of length 2 unassigned
  ASSERT_TRUE(d.construye(incompleto, 4));
  std::vector<uint8_t> flujo = {0xFF, 0xFF};  // "11" is the unassigned code
  bool dado = false;
  LectorBits r([&](std::vector<uint8_t>& buf, size_t) {
    if (dado) return size_t{0};
    dado = true;
    buf = flujo;
    return flujo.size();
  });
  EXPECT_EQ(d.decodifica(r), -1);
}

TEST(Nombres, CodificacionIdaYVuelta) {
  const char* const nombres[] = {"Zelvano.dll", "BDD Predefinidas\\Pub Discoteca\\QVD.FBK", "Año\\canción ñandú.txt",
                                 "ÁÉÍÓÚ üÜ ¿¡", "Ελληνικά\\ファイル.txt", "😀 emoji.txt"};
  for (const char* n : nombres) {
    SCOPED_TRACE(n);
    bool unicode = false;
    auto campo = codifica_nombre(n, unicode);
    bool ascii = std::all_of(n, n + std::strlen(n), [](char c) { return static_cast<uint8_t>(c) < 0x80; });
    EXPECT_EQ(unicode, !ascii);
    if (!ascii) {
      // OEM part, a zero byte, then the compact Unicode form.
      EXPECT_NE(std::find(campo.begin(), campo.end(), 0), campo.end());
    }
    EXPECT_EQ(decodifica_nombre(campo.data(), campo.size(), unicode), n);
  }
  // The OEM part alone, as an old reader would see it: code page 850.
  bool unicode = false;
  auto campo = codifica_nombre("Año", unicode);
  EXPECT_EQ(decodifica_nombre(campo.data(), std::find(campo.begin(), campo.end(), 0) - campo.begin(), false), "Año");
}

TEST(Nombres, SoloRutasDentroDelDestino) {
  struct Caso {
    const char* nombre;
    bool seguro;
  };
  const Caso casos[] = {{"a.txt", true},          {"Galeria\\Familias\\x.jpg", true},
                        {"a/b/c", true},          {"..a\\b..", true},
                        {"..", false},            {"..\\x", false},
                        {"a\\..\\x", false},      {"a/../../x", false},
                        {"\\x", false},           {"/x", false},
                        {"C:\\x", false},         {"C:x", false},
                        {"a\\\\b", false},        {"a\\", false},
                        {"", false},              {".", false},
                        {"x:flujo", false},       {"a\x01" "b", false}};
  for (const auto& c : casos) EXPECT_EQ(nombre_seguro(c.nombre), c.seguro) << c.nombre;
}

}  // namespace
}  // namespace pruebas_rar

namespace pruebas_rar {
namespace {

// Sizes beyond 4 GiB need the high halves after the attributes (flag 0x100).
TEST(Cabeceras, TamanosGrandesYPequenos) {
  struct Caso {
    uint64_t tam, comprimido;
    bool grande;
  };
  const Caso casos[] = {{0, 0, false},
                        {0xFFFFFFFFull, 0xFFFFFFFFull, false},
                        {0x100000000ull, 0x0FFFFFFFull, true},
                        {5ull << 32 | 7, 6ull << 32 | 9, true}};
  for (const auto& c : casos) {
    SCOPED_TRACE(c.tam);
    CabeceraFichero h;
    h.tam = c.tam;
    h.tam_comprimido = c.comprimido;
    h.crc = 0x12345678;
    h.metodo = kMetodoMejor;
    bool unicode = false;
    h.nombre = codifica_nombre("Galeria\\porciones.jpg", unicode);
    auto b = bloque_fichero(h);
    EXPECT_EQ(b[2], kBloqueFichero);
    uint16_t banderas = static_cast<uint16_t>(b[3] | (b[4] << 8));
    EXPECT_EQ((banderas & kFicheroGrande) != 0, c.grande);
    EXPECT_EQ(b[5] | (b[6] << 8), static_cast<int>(b.size()));
    EXPECT_EQ(crc16_cabecera(b.data() + 2, b.size() - 2), b[0] | (b[1] << 8));
    CabeceraFichero leida;
    ASSERT_TRUE(lee_cabecera_fichero(b, leida));
    EXPECT_EQ(leida.tam, c.tam);
    EXPECT_EQ(leida.tam_comprimido, c.comprimido);
    EXPECT_EQ(leida.crc, 0x12345678u);
    EXPECT_EQ(leida.sistema, kSistemaWindows);
    EXPECT_EQ(leida.version, 29);
    EXPECT_EQ(leida.nombre, h.nombre);
  }
}

// The fixed blocks every archive starts and ends with.
TEST(Cabeceras, BloquesFijos) {
  auto principal = bloque_principal(kPrincipalSolido);
  ASSERT_EQ(principal.size(), 13u);
  EXPECT_EQ(principal[2], 0x73);
  EXPECT_EQ(principal[3], 0x08);
  // The bytes every other archiver writes for these two blocks.
  EXPECT_EQ(bloque_fin(), (std::vector<uint8_t>{0xC4, 0x3D, 0x7B, 0x00, 0x40, 0x07, 0x00}));
  EXPECT_EQ(bloque_principal(0),
            (std::vector<uint8_t>{0xCF, 0x90, 0x73, 0x00, 0x00, 0x0D, 0x00, 0, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace pruebas_rar

namespace pruebas_rar {
namespace {

// An output that cannot seek back, like a pipe.
class SoloAvance : public std::streambuf {
 public:
  std::string datos;

 protected:
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) datos.push_back(static_cast<char>(c));
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    datos.append(s, static_cast<size_t>(n));
    return n;
  }
};

// Seekable outputs get the header rewritten after the data; others get the
// data buffered first. The archive must be the same bytes either way.
TEST(Escritor, MismosBytesConYSinRebobinar) {
  for (bool comprimir : {true, false}) {
    SCOPED_TRACE(comprimir);
    zelvano::rar::OpcionesEscritor op;
    op.comprimir = comprimir;
    auto escribe_con = [&](std::ostream& f) {
      zelvano::rar::EscritorRar w(f, op);
      w.agrega_carpeta("Docs");
      w.agrega_fichero("Docs\\a.txt", texto(60, 300000));
      w.agrega_fichero("vacío.bin", std::vector<uint8_t>{});
      w.agrega_fichero("b.bin", aleatorios(61, 200000));
      w.termina();
    };
    std::ostringstream rebobinable;
    escribe_con(rebobinable);
    SoloAvance sb;
    std::ostream tubo(&sb);
    escribe_con(tubo);
    EXPECT_EQ(rebobinable.str(), sb.datos);
    EXPECT_GT(sb.datos.size(), 1000u);
  }
}

}  // namespace
}  // namespace pruebas_rar
