// The product's registry values and the PDF association, on the posix
// registry store kept in a temporary file.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/plataforma.h"
#include "shell/UnidadVentas.h"
#include "system/Registro.h"

namespace {

namespace fs = std::filesystem;
using plataforma::Raiz;
using texto::Texto;

const Texto kClaveProducto = u"SOFTWARE\\Pelmora Soft\\Zelvano Nova";
const Texto kNavegador = u"C:\\Program Files (x86)\\Google\\Chrome\\Application\\chrome.exe";
const Texto kEleccionUsuario = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.pdf";

class Entorno : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string plantilla = (fs::temp_directory_path() / "zelvano-registro-XXXXXX").string();
    carpeta_ = ::mkdtemp(plantilla.data());
    fs::create_directories(carpeta_ / "c");
    ::setenv("ZELVANO_REGISTRO", (carpeta_ / "registro").c_str(), 1);
    ::setenv("ZELVANO_UNIDAD_C", (carpeta_ / "c").c_str(), 1);
    ::setenv("ZELVANO_TRAZA_SHELL", (carpeta_ / "traza").c_str(), 1);
    if (!fV) fV = new TfV();
    fV->RutaTPV->SetText(u"C:\\Zelvano\\");
    fV->Valores->ClaveRegistro = kClaveProducto;
  }
  void TearDown() override {
    for (const char* v : {"ZELVANO_REGISTRO", "ZELVANO_UNIDAD_C", "ZELVANO_TRAZA_SHELL",
                          "ZELVANO_WOW64", "ZELVANO_VERSION_SO"})
      ::unsetenv(v);
    std::error_code ec;
    fs::remove_all(carpeta_, ec);
  }

  static Texto Lee(Raiz raiz, const Texto& ruta, const Texto& nombre) {
    plataforma::Clave clave;
    if (!clave.AbreLectura(raiz, ruta)) return u"<sin clave>";
    Texto valor;
    if (!clave.LeeTexto(nombre, valor)) return u"<sin valor>";
    return valor;
  }
  static void Escribe(Raiz raiz, const Texto& ruta, const Texto& nombre, const Texto& valor) {
    plataforma::Clave clave;
    ASSERT_TRUE(clave.AbreOCrea(raiz, ruta));
    clave.EscribeTexto(nombre, valor);
  }
  static std::string LeeFichero(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  std::string Traza() const { return LeeFichero(carpeta_ / "traza"); }
  std::string Almacen() const { return LeeFichero(carpeta_ / "registro"); }
  void CreaNavegador() {
    const fs::path dir = carpeta_ / "c" / "Program Files (x86)" / "Google" / "Chrome" / "Application";
    fs::create_directories(dir);
    std::ofstream(dir / "chrome.exe") << "MZ";
  }

  fs::path carpeta_;
};

TEST_F(Entorno, ActualizaRegistroReescribeLosValoresYBorraLaSubclaveVieja) {
  Escribe(Raiz::UsuarioActual, kClaveProducto, u"Otro Valor", u"se queda");
  Escribe(Raiz::UsuarioActual, kClaveProducto, u"Application Version", u"2021.03");
  Escribe(Raiz::UsuarioActual, kClaveProducto, u"Application Install Patch", u"D:\\Viejo\\");
  const Texto subclave = kClaveProducto + u"\\Corvisto TeleComandas Application Name";
  Escribe(Raiz::UsuarioActual, subclave, u"Nombre", u"Corvisto.exe");
  Escribe(Raiz::UsuarioActual, subclave + u"\\Anidada", u"X", u"1");

  fV->ActualizaRegistro();

  const struct {
    Texto nombre, valor;
  } esperados[] = {
      {u"Application Install Patch", u"C:\\Zelvano\\"},
      {u"Application Name File", u"Zelvano_Start.exe"},
      {u"Application Version", u"2021.28"},
      {u"Application Version File", u"20.21.2.8"},
      {u"BDD Install Patch", u"C:\\Zelvano\\Datos\\"},
      {u"BDD SQL Comments", u"SQL FireBird WI-V2.5.9.27139 SuperServer"},
      {u"DLL Requerids", u"Zelvano.dll; Firibllu.dll; libeay32.dll; ssleay32.dll"},
      {u"TeleComandas Application Name", u"Corvisto.exe"},
      {u"Otro Valor", u"se queda"},
  };
  for (const auto& e : esperados)
    EXPECT_EQ(texto::AUtf8(Lee(Raiz::UsuarioActual, kClaveProducto, e.nombre)), texto::AUtf8(e.valor))
        << texto::AUtf8(e.nombre);

  const Texto descargas = Lee(Raiz::UsuarioActual, kClaveProducto, u"Update");
  const Texto sufijo = u"/descargas.htm";
  ASSERT_GT(descargas.size(), sufijo.size());
  EXPECT_EQ(descargas.substr(descargas.size() - sufijo.size()), sufijo);
  for (const Texto& nombre : {Texto(u"Web"), Texto(u"E-Mail Contact")})
    EXPECT_FALSE(Lee(Raiz::UsuarioActual, kClaveProducto, nombre).empty());

  // Twelve values in all, written in the fixed order.
  const auto valores = registro::ValoresProducto(u"C:\\Zelvano\\");
  ASSERT_EQ(valores.size(), 12u);
  EXPECT_EQ(valores.front().first, u"Application Install Patch");
  EXPECT_FALSE(valores[6].first.empty());
  EXPECT_EQ(valores.back().first, u"Web");
  for (const auto& [nombre, valor] : valores)
    EXPECT_EQ(texto::AUtf8(Lee(Raiz::UsuarioActual, kClaveProducto, nombre)), texto::AUtf8(valor));

  EXPECT_FALSE(plataforma::ExisteClave(Raiz::UsuarioActual, subclave));
  EXPECT_FALSE(plataforma::ExisteClave(Raiz::UsuarioActual, subclave + u"\\Anidada"));
  EXPECT_TRUE(plataforma::ExisteClave(Raiz::UsuarioActual, kClaveProducto));
}

TEST_F(Entorno, ActualizaRegistroCreaLaClaveQueFalta) {
  fV->ActualizaRegistro();
  EXPECT_EQ(texto::AUtf8(Lee(Raiz::UsuarioActual, kClaveProducto, u"Application Version File")),
            "20.21.2.8");
}

TEST_F(Entorno, ActualizaRegistroSinClaveDeProductoNoTocaNada) {
  Escribe(Raiz::UsuarioActual, u"Software\\Otro", u"Dato", u"1");
  const std::string antes = Almacen();
  fV->Valores->ClaveRegistro.clear();
  fV->ActualizaRegistro();
  EXPECT_EQ(Almacen(), antes);
  EXPECT_FALSE(plataforma::ExisteClave(Raiz::UsuarioActual, kClaveProducto));
}

TEST(AsociacionPdf, SoloEnWindows64DeOchoADiezConElNavegador) {
  const struct {
    bool wow64;
    uint32_t mayor, menor, plataforma;
    bool navegador, aplicable;
  } casos[] = {
      {true, 10, 0, 2, true, true},   {true, 6, 3, 2, true, true},   {true, 6, 2, 2, true, true},
      {true, 6, 1, 2, true, false},   {true, 6, 0, 2, true, false},  {true, 10, 1, 2, true, false},
      {true, 5, 2, 2, true, false},   {true, 6, 4, 2, true, false},  {true, 10, 0, 1, true, false},
      {false, 10, 0, 2, true, false}, {false, 6, 2, 2, true, false}, {true, 10, 0, 2, false, false},
      {true, 6, 3, 2, false, false},
  };
  for (const auto& c : casos) {
    plataforma::VersionSistema v;
    v.mayor = c.mayor;
    v.menor = c.menor;
    v.plataforma = c.plataforma;
    EXPECT_EQ(registro::AsociacionPdfAplicable(c.wow64, v, c.navegador), c.aplicable)
        << "wow64=" << c.wow64 << " version=" << c.mayor << "." << c.menor << " plataforma="
        << c.plataforma << " navegador=" << c.navegador;
  }
}

TEST_F(Entorno, AsociaPdfSegunSistemaYNavegador) {
  const struct {
    const char* wow64;
    const char* version;
    bool navegador, cambia;
  } casos[] = {
      {"1", "10.0", true, true},  {"1", "6.3", true, true},    {"1", "6.2", true, true},
      {"1", "6.1", true, false},  {"0", "10.0", true, false},  {"1", "10.0", false, false},
      {"0", "6.1", false, false},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(std::string("wow64=") + c.wow64 + " version=" + c.version +
                 " navegador=" + (c.navegador ? "1" : "0"));
    std::error_code ec;
    fs::remove(carpeta_ / "registro", ec);
    fs::remove(carpeta_ / "traza", ec);
    fs::remove_all(carpeta_ / "c", ec);
    fs::create_directories(carpeta_ / "c");
    if (c.navegador) CreaNavegador();
    ::setenv("ZELVANO_WOW64", c.wow64, 1);
    ::setenv("ZELVANO_VERSION_SO", c.version, 1);
    Escribe(Raiz::UsuarioActual, kEleccionUsuario, u"Progid", u"AcroExch.Document");
    Escribe(Raiz::UsuarioActual, kEleccionUsuario + u"\\UserChoice", u"Hash", u"abc");

    fV->AsociaPdf();

    if (c.cambia) {
      EXPECT_FALSE(plataforma::ExisteClave(Raiz::UsuarioActual, kEleccionUsuario));
      EXPECT_EQ(texto::AUtf8(Lee(Raiz::ClasesRaiz, u".pdf", u"")), "pdffile");
      EXPECT_TRUE(plataforma::ExisteClave(Raiz::ClasesRaiz, u"pdffile"));
      EXPECT_EQ(texto::AUtf8(Lee(Raiz::ClasesRaiz, u"pdffile\\DefaultIcon", u"")),
                texto::AUtf8(kNavegador + u",0"));
      EXPECT_EQ(texto::AUtf8(Lee(Raiz::ClasesRaiz, u"pdffile\\shell\\open\\command", u"")),
                texto::AUtf8(kNavegador) + " \"%1\"");
      EXPECT_EQ(Traza(), "NOTIFICA 134217728\n");
    } else {
      EXPECT_TRUE(plataforma::ExisteClave(Raiz::UsuarioActual, kEleccionUsuario + u"\\UserChoice"));
      EXPECT_FALSE(plataforma::ExisteClave(Raiz::ClasesRaiz, u".pdf"));
      EXPECT_FALSE(plataforma::ExisteClave(Raiz::ClasesRaiz, u"pdffile"));
      EXPECT_EQ(Traza(), "");
    }
  }
}

TEST_F(Entorno, AsociaPdfConservaOtrosValoresDeLasClavesDeClases) {
  CreaNavegador();
  ::setenv("ZELVANO_WOW64", "1", 1);
  ::setenv("ZELVANO_VERSION_SO", "10.0", 1);
  Escribe(Raiz::ClasesRaiz, u".pdf", u"", u"AcroExch.Document.DC");
  Escribe(Raiz::ClasesRaiz, u".pdf", u"Content Type", u"application/pdf");
  fV->AsociaPdf();
  EXPECT_EQ(texto::AUtf8(Lee(Raiz::ClasesRaiz, u".pdf", u"")), "pdffile");
  EXPECT_EQ(texto::AUtf8(Lee(Raiz::ClasesRaiz, u".pdf", u"Content Type")), "application/pdf");
}

}  // namespace
