// Version resources read from PE files that the cross compiler builds here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/plataforma.h"
#include "tests/plataforma/Entorno.h"
#include "tests/plataforma/MuestraPE.h"

namespace {

using namespace plataforma;
using texto::Texto;

Texto Cadena(const uint8_t* p, uint32_t unidades) {
  Texto t;
  for (uint32_t i = 0; i < unidades; ++i) {
    char16_t c = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    if (c == 0) break;
    t += c;
  }
  return t;
}

class Version : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    carpeta_ = new prueba::CarpetaTemporal;
    compilado_ = prueba::CompilaPE(carpeta_->Ruta(), "muestra", true) && prueba::CompilaPE(carpeta_->Ruta(), "vacio", false);
  }
  static void TearDownTestSuite() { delete carpeta_; }
  void SetUp() override { ASSERT_TRUE(compilado_) << "the i686-w64-mingw32 tools must build the samples"; }
  static prueba::CarpetaTemporal* carpeta_;
  static bool compilado_;
};
prueba::CarpetaTemporal* Version::carpeta_ = nullptr;
bool Version::compilado_ = false;

TEST_F(Version, LeeLaTraduccionYLasCadenas) {
  const Texto exe = carpeta_->Win("muestra.exe");
  const uint32_t tam = TamanoInfoVersion(exe);
  ASSERT_GT(tam, 0u);
  std::vector<uint8_t> bloque;
  ASSERT_TRUE(LeeInfoVersion(exe, bloque));
  EXPECT_GE(bloque.size(), 92u);
  EXPECT_LE(bloque.size(), tam);

  const uint8_t* valor = nullptr;
  uint32_t longitud = 0;
  ASSERT_TRUE(ConsultaVersion(bloque, u"\\VarFileInfo\\Translation", valor, longitud));
  ASSERT_EQ(longitud, 8u);
  const uint8_t traduccion[] = {0x0A, 0x0C, 0xE4, 0x04, 0x09, 0x04, 0xE4, 0x04};
  EXPECT_EQ(std::memcmp(valor, traduccion, 8), 0);

  struct Caso {
    const char16_t* sub;
    const char16_t* esperado;
  } casos[] = {
      {u"\\StringFileInfo\\0C0A04E4\\FileVersion", u"20.21.1.8"},
      {u"\\stringfileinfo\\0c0a04e4\\fileversion", u"20.21.1.8"},
      {u"\\StringFileInfo\\0C0A04E4\\CompanyName", u"Pelmora Soft"},
      {u"\\StringFileInfo\\0C0A04E4\\Comments", u"Actualizaci\u00F3n"},
  };
  for (const Caso& c : casos) {
    ASSERT_TRUE(ConsultaVersion(bloque, c.sub, valor, longitud)) << texto::AUtf8(c.sub);
    EXPECT_EQ(Cadena(valor, longitud), c.esperado);
  }
  for (const char16_t* falta : {u"\\StringFileInfo\\0C0A04E4\\ProductName", u"\\StringFileInfo\\040904E4\\FileVersion",
                                u"\\VarFileInfo\\Nada", u"\\StringFileInfo\\0C0A04E4\\FileVersion\\Mas"})
    EXPECT_FALSE(ConsultaVersion(bloque, falta, valor, longitud)) << texto::AUtf8(falta);
  // The root value is the fixed record with its signature and the numbers.
  ASSERT_TRUE(ConsultaVersion(bloque, u"\\", valor, longitud));
  ASSERT_EQ(longitud, 52u);
  uint32_t firma, alta, baja;
  std::memcpy(&firma, valor, 4);
  std::memcpy(&alta, valor + 8, 4);
  std::memcpy(&baja, valor + 12, 4);
  EXPECT_EQ(firma, 0xFEEF04BDu);
  EXPECT_EQ(alta, (20u << 16) | 21u);
  EXPECT_EQ(baja, (1u << 16) | 8u);
}

// A minimal PE image of either format holding `version` as its only
// resource (RT_VERSION, id 1, language 3082), laid out by hand.
std::string ConstruyePE(bool pe32plus, const std::vector<uint8_t>& version) {
  std::string d(0x200, '\0');
  auto u16 = [&](size_t pos, uint32_t v) {
    if (d.size() < pos + 2) d.resize(pos + 2);
    d[pos] = static_cast<char>(v & 0xFF);
    d[pos + 1] = static_cast<char>((v >> 8) & 0xFF);
  };
  auto u32 = [&](size_t pos, uint32_t v) {
    u16(pos, v & 0xFFFF);
    u16(pos + 2, v >> 16);
  };
  d[0] = 'M';
  d[1] = 'Z';
  u32(0x3C, 0x40);
  d.replace(0x40, 4, std::string("PE\0\0", 4));
  const size_t coff = 0x44, opcional = coff + 20;
  const uint32_t tamOpcional = pe32plus ? 240 : 224;
  u16(coff, pe32plus ? 0x8664 : 0x14C);
  u16(coff + 2, 1);
  u16(coff + 16, tamOpcional);
  u16(opcional, pe32plus ? 0x20B : 0x10B);
  const size_t directorios = opcional + (pe32plus ? 112 : 96);
  u32(directorios - 4, 16);
  const uint32_t tamRecursos = 0x58 + static_cast<uint32_t>(version.size());
  u32(directorios + 16, 0x1000);
  u32(directorios + 20, tamRecursos);
  const size_t seccion = opcional + tamOpcional;
  d.replace(seccion, 5, ".rsrc");
  u32(seccion + 8, tamRecursos);
  u32(seccion + 12, 0x1000);
  u32(seccion + 16, tamRecursos);
  u32(seccion + 20, 0x200);
  const size_t r = 0x200;
  u16(r + 14, 1);
  u32(r + 16, 16);
  u32(r + 20, 0x80000018u);
  u16(r + 0x18 + 14, 1);
  u32(r + 0x18 + 16, 1);
  u32(r + 0x18 + 20, 0x80000030u);
  u16(r + 0x30 + 14, 1);
  u32(r + 0x30 + 16, 3082);
  u32(r + 0x30 + 20, 0x48);
  u32(r + 0x48, 0x1000 + 0x58);
  u32(r + 0x48 + 4, static_cast<uint32_t>(version.size()));
  u32(r + 0x48 + 12, 0);
  d.resize(r + 0x58);
  d.append(version.begin(), version.end());
  return d;
}

TEST_F(Version, AmbosFormatosDeCabecera) {
  std::vector<uint8_t> original;
  ASSERT_TRUE(LeeInfoVersion(carpeta_->Win("muestra.exe"), original));
  for (bool pe32plus : {false, true}) {
    SCOPED_TRACE(pe32plus ? "PE32+" : "PE32");
    carpeta_->Escribe("hecho.exe", ConstruyePE(pe32plus, original));
    EXPECT_EQ(TamanoInfoVersion(carpeta_->Win("hecho.exe")), original.size());
    std::vector<uint8_t> bloque;
    ASSERT_TRUE(LeeInfoVersion(carpeta_->Win("hecho.exe"), bloque));
    EXPECT_EQ(bloque, original);
    const uint8_t* valor;
    uint32_t longitud;
    ASSERT_TRUE(ConsultaVersion(bloque, u"\\StringFileInfo\\0C0A04E4\\FileVersion", valor, longitud));
    EXPECT_EQ(Cadena(valor, longitud), u"20.21.1.8");
  }
  // The same image with the wrong optional-header magic is no PE.
  std::string raro = ConstruyePE(true, original);
  raro[0x44 + 20] = 0x0B;
  raro[0x44 + 21] = 0x03;
  carpeta_->Escribe("raro.exe", raro);
  EXPECT_EQ(TamanoInfoVersion(carpeta_->Win("raro.exe")), 0u);
}

TEST_F(Version, SinRecursoOQueNoEsUnPE) {
  std::vector<uint8_t> bloque;
  EXPECT_EQ(TamanoInfoVersion(carpeta_->Win("vacio.exe")), 0u);
  EXPECT_FALSE(LeeInfoVersion(carpeta_->Win("vacio.exe"), bloque));
  carpeta_->Escribe("texto.exe", "MZ pero no es un ejecutable");
  EXPECT_EQ(TamanoInfoVersion(carpeta_->Win("texto.exe")), 0u);
  EXPECT_EQ(TamanoInfoVersion(carpeta_->Win("falta.exe")), 0u);
  EXPECT_EQ(TamanoInfoVersion(carpeta_->Win("muestra.c")), 0u);
  // A cut copy of a good executable.
  const std::string entero = carpeta_->Lee("muestra.exe");
  for (size_t corte : {size_t(64), size_t(300), size_t(1024), entero.size() / 2, entero.size() - 100}) {
    carpeta_->Escribe("cortado.exe", entero.substr(0, corte));
    if (TamanoInfoVersion(carpeta_->Win("cortado.exe")) > 0) {
      ASSERT_TRUE(LeeInfoVersion(carpeta_->Win("cortado.exe"), bloque));
    }
  }
  // A block whose nodes claim more than it holds is refused, not read past.
  std::vector<uint8_t> malo(8, 0);
  malo[0] = 0xFF;
  const uint8_t* valor;
  uint32_t longitud;
  EXPECT_FALSE(ConsultaVersion(malo, u"\\VarFileInfo\\Translation", valor, longitud));
  EXPECT_FALSE(ConsultaVersion({}, u"\\", valor, longitud));
}

TEST_F(Version, BytesAlteradosNoRompenLaLectura) {
  // Every single-byte change of the resource area either still reads or is
  // refused; nothing is read outside the file.
  const std::string entero = carpeta_->Lee("muestra.exe");
  std::vector<uint8_t> bloque;
  ASSERT_TRUE(LeeInfoVersion(carpeta_->Win("muestra.exe"), bloque));
  const std::string muestra(bloque.begin(), bloque.begin() + 16);
  const size_t donde = entero.find(muestra);
  ASSERT_NE(donde, std::string::npos);
  for (size_t i = donde; i < donde + bloque.size(); ++i) {
    std::string alterado = entero;
    alterado[i] = static_cast<char>(alterado[i] ^ 0xA5);
    carpeta_->Escribe("alterado.exe", alterado);
    std::vector<uint8_t> b;
    if (!LeeInfoVersion(carpeta_->Win("alterado.exe"), b)) continue;
    const uint8_t* valor;
    uint32_t longitud;
    if (ConsultaVersion(b, u"\\StringFileInfo\\0C0A04E4\\FileVersion", valor, longitud)) {
      ASSERT_GE(valor, b.data());
      ASSERT_LE(valor + 2 * static_cast<size_t>(longitud), b.data() + b.size()) << "byte " << i;
    }
  }
}

}  // namespace
