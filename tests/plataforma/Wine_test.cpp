// The posix backend against the real API: the same profile-file and
// version-resource operations run through the win32 backend under Wine, and
// both must answer alike.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/plataforma.h"
#include "tests/plataforma/Entorno.h"
#include "tests/plataforma/MuestraPE.h"

namespace {

using namespace plataforma;
using texto::Texto;

const std::string kFuentes = ZELVANO_DIR_FUENTES;

class ContraWine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    carpeta_ = new prueba::CarpetaTemporal;
    const std::string orden =
        "i686-w64-mingw32-g++ -std=c++17 -O0 -municode -I'" + kFuentes +
        "' -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601 -DZELVANO_WIN32=1 '" +
        kFuentes + "/tests/plataforma/sonda/sonda.cpp' '" + kFuentes + "/platform/comun/texto.cpp' '" + kFuentes +
        "/platform/win32/ficheros.cpp' '" + kFuentes + "/platform/win32/sistema.cpp' -o '" +
        carpeta_->Posix("sonda.exe") + "' -static -lversion -lshell32 -ladvapi32 2>'" + carpeta_->Posix("cc.log") + "'";
    // The probe's entry point is main, not wmain.
    std::string sinUnicode = orden;
    sinUnicode.replace(sinUnicode.find(" -municode"), 10, "");
    compilado_ = std::system(sinUnicode.c_str()) == 0;
  }
  static void TearDownTestSuite() { delete carpeta_; }
  void SetUp() override {
    ASSERT_TRUE(compilado_) << carpeta_->Lee("cc.log");
  }

  // Windows form of a path inside the temporary folder, as Wine sees it.
  static Texto EnWine(const std::string& nombre) {
    Texto t = u"Z:" + carpeta_->Win(nombre);
    return t;
  }

  // Runs the probe under Wine with these command lines; one answer each.
  static std::vector<std::string> Sonda(const std::vector<std::string>& ordenes) {
    std::string texto;
    for (const std::string& o : ordenes) texto += o + "\n";
    carpeta_->Escribe("ordenes.txt", texto);
    const std::string prefijo = std::string(ZELVANO_DIR_BUILD) + "/prefijo-wine-plataforma";
    const std::string orden = "WINEPREFIX='" + prefijo + "' WINEDEBUG=-all timeout 300 wine '" +
                              carpeta_->Posix("sonda.exe") + "' '" + texto::AUtf8(EnWine("ordenes.txt")) + "' > '" +
                              carpeta_->Posix("salida.txt") + "' 2>/dev/null";
    EXPECT_EQ(std::system(orden.c_str()), 0);
    std::vector<std::string> r;
    std::string salida = carpeta_->Lee("salida.txt"), linea;
    for (char c : salida) {
      if (c == '\n') {
        r.push_back(linea);
        linea.clear();
      } else {
        linea += c;
      }
    }
    return r;
  }

  static std::string Escapa(const Texto& t) {
    std::string r;
    for (char c : texto::AUtf8(t)) {
      if (c == '\n') r += "\\n";
      else if (c == '\r') r += "\\r";
      else if (c == '\t') r += "\\t";
      else r += c;
    }
    return r;
  }

  static prueba::CarpetaTemporal* carpeta_;
  static bool compilado_;
};
prueba::CarpetaTemporal* ContraWine::carpeta_ = nullptr;
bool ContraWine::compilado_ = false;

struct Lectura {
  const char16_t* seccion;
  const char16_t* clave;
  const char16_t* defecto;
  size_t tamano;
};

TEST_F(ContraWine, LecturaDePerfilesIgualQueLaApi) {
  carpeta_->Escribe("p.ini",
                    "suelta=antes\r\n"
                    "[Instalacion]\r\n"
                    "  Nombre PC  =  caja1  \r\n"
                    "Comillas=\"  con blancos  \"\r\n"
                    "Simple='uno'\r\n"
                    "Desparejas=\"abc'\r\n"
                    "Vacia=\r\n"
                    "Ruta=C:\\Zelvano\\Datos\\\r\n"
                    "Acento=Actualizaci\xF3n \x80\r\n"
                    "\xD5\xF4\xF6=escondido\r\n"
                    "Largo=" + std::string(3000, 'L') + "\r\n"
                    "Igual==doble\r\n"
                    "[ Otra ]\n"
                    "Ruta=la de otra\n"
                    "[Instalacion]\n"
                    "Segunda=otra vez\n");
  const Lectura casos[] = {
      {u"Instalacion", u"Nombre PC", u"D", 2048},  {u"INSTALACION", u"nombre pc", u"D", 2048},
      {u"Instalacion", u"Comillas", u"D", 2048},   {u"Instalacion", u"Simple", u"D", 2048},
      {u"Instalacion", u"Desparejas", u"D", 2048}, {u"Instalacion", u"Vacia", u"D", 2048},
      {u"Instalacion", u"Ruta", u"D", 2048},       {u"Instalacion", u"Acento", u"D", 2048},
      // Exact case only: Wine folds ASCII letters alone, Windows (and the
      // posix backend, see Perfil_test) folds accented ones too.
      {u"Instalacion", u"\u00D5\u00F4\u00F6", u"D", 2048}, {u"Instalacion", u"Largo", u"D", 2048},
      {u"Instalacion", u"Largo", u"D", 10},        {u"Instalacion", u"Igual", u"D", 2048},
      {u"Otra", u"Ruta", u"D", 2048},              {u"Instalacion", u"Falta", u"def  ", 2048},
      {u"Falta", u"Ruta", u"", 2048},              {u"Instalacion", u"Falta", u"defecto", 4},
      {u"Instalacion", u"Nombre PC", u"D", 3},
  };
  std::vector<std::string> ordenes;
  for (const Lectura& c : casos)
    ordenes.push_back("lee\t" + texto::AUtf8(EnWine("p.ini")) + "\t" + texto::AUtf8(c.seccion) + "\t" +
                      texto::AUtf8(c.clave) + "\t" + texto::AUtf8(c.defecto) + "\t" + std::to_string(c.tamano));
  const std::vector<std::string> api = Sonda(ordenes);
  ASSERT_EQ(api.size(), std::size(casos));
  for (size_t i = 0; i < api.size(); ++i) {
    const Lectura& c = casos[i];
    const std::string nuestro =
        "[" + Escapa(LeePerfil(carpeta_->Win("p.ini"), c.seccion, c.clave, c.defecto, c.tamano)) + "]";
    EXPECT_EQ(nuestro, api[i]) << texto::AUtf8(c.seccion) << "/" << texto::AUtf8(c.clave);
  }
}

TEST_F(ContraWine, EscrituraDePerfilesIgualQueLaApi) {
  // No blank lines and no blanks around values: Wine drops both when it
  // rewrites a file, Windows keeps them (see Perfil_test for those).
  const std::string inicial = "linea de registro\r\n[Uno]\r\na=1\r\n[Dos]\r\nb=2\r\n";
  carpeta_->Escribe("nuestro.ini", inicial);
  carpeta_->Escribe("api.ini", inicial);
  struct Escritura {
    const char16_t* seccion;
    const char16_t* clave;
    const char16_t* valor;
  } escrituras[] = {
      {u"Uno", u"A", u"uno"},
      {u"Uno", u"c", u"Actualizaci\u00F3n"},
      {u"Tres", u"d", u"4"},
      {u"dos", u"e", u"con blancos"},
      {u"UNO", u"C", u"\u00D1"},
      {u"Tres", u"d", u"cuatro"},
  };
  std::vector<std::string> ordenes;
  for (const Escritura& e : escrituras) {
    ASSERT_TRUE(EscribePerfil(carpeta_->Win("nuestro.ini"), e.seccion, e.clave, e.valor));
    ordenes.push_back("escribe\t" + texto::AUtf8(EnWine("api.ini")) + "\t" + texto::AUtf8(e.seccion) + "\t" +
                      texto::AUtf8(e.clave) + "\t" + texto::AUtf8(e.valor));
  }
  const std::vector<std::string> api = Sonda(ordenes);
  ASSERT_EQ(api.size(), std::size(escrituras));
  for (const std::string& r : api) EXPECT_EQ(r, "ok");
  EXPECT_EQ(carpeta_->Lee("nuestro.ini"), carpeta_->Lee("api.ini"));
}

TEST_F(ContraWine, RecursoDeVersionIgualQueLaApi) {
  ASSERT_TRUE(prueba::CompilaPE(*carpeta_, "muestra", true));
  ASSERT_TRUE(prueba::CompilaPE(*carpeta_, "vacio", false));
  carpeta_->Escribe("texto.exe", "no es un ejecutable");
  const std::pair<const char*, const char16_t*> casos[] = {
      {"muestra.exe", u"\\StringFileInfo\\0C0A04E4\\FileVersion"},
      {"muestra.exe", u"\\stringfileinfo\\0c0a04e4\\FILEVERSION"},
      {"muestra.exe", u"\\StringFileInfo\\0C0A04E4\\Comments"},
      {"muestra.exe", u"\\StringFileInfo\\0C0A04E4\\ProductName"},
      {"muestra.exe", u"\\StringFileInfo\\040904E4\\FileVersion"},
      {"vacio.exe", u"\\StringFileInfo\\0C0A04E4\\FileVersion"},
      {"texto.exe", u"\\VarFileInfo\\Translation"},
      {"falta.exe", u"\\VarFileInfo\\Translation"},
  };
  std::vector<std::string> ordenes;
  for (const auto& [fichero, sub] : casos)
    ordenes.push_back("version\t" + texto::AUtf8(EnWine(fichero)) + "\t" + texto::AUtf8(sub));
  const std::vector<std::string> api = Sonda(ordenes);
  ASSERT_EQ(api.size(), std::size(casos));
  for (size_t i = 0; i < api.size(); ++i) {
    const auto& [fichero, sub] = casos[i];
    std::string nuestro;
    std::vector<uint8_t> bloque;
    const uint8_t* v;
    uint32_t n;
    if (!LeeInfoVersion(carpeta_->Win(fichero), bloque)) {
      nuestro = "sin";
    } else if (!ConsultaVersion(bloque, sub, v, n)) {
      nuestro = "no";
    } else {
      Texto t;
      for (uint32_t k = 0; k < n && (v[2 * k] | v[2 * k + 1]); ++k)
        t += static_cast<char16_t>(v[2 * k] | (v[2 * k + 1] << 8));
      nuestro = "[" + Escapa(t) + "]";
    }
    EXPECT_EQ(nuestro, api[i]) << fichero << " " << texto::AUtf8(sub);
  }
}

}  // namespace
