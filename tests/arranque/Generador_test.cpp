// The installation generator: the stand-in program's version as the wizard
// reads it, the configuration file the wizard decodes, the registry in both
// forms, the folder layout and the command line.
#include <gtest/gtest.h>

#include "platform/plataforma.h"
#include "system/Cifrado.h"
#include "system/Constantes.h"
#include "shell/UnidadVentas.h"
#include "tests/arranque/Entorno.h"

namespace prueba_arranque {
namespace {

Texto T(const fs::path& p) { return texto::DeUtf8(p.string()); }

TEST(ProgramaFalso, LaVersionParcheadaEsLaQueLeeElAsistente) {
  prueba::CarpetaTemporal c;
  for (const char* version : {"20.21.0.3", "20.21.1.10", "1", "20.21.1.8-beta.7.version-larga-3"}) {
    SCOPED_TRACE(version);
    const fs::path exe = c.Ruta() / "Zelvano_Start.exe";
    generador::EscribePrograma(exe, version);
    EXPECT_EQ(texto::AUtf8(TfV::VersionFichero(T(exe), u"FileVersion")), version);
    EXPECT_EQ(texto::AUtf8(TfV::VersionFichero(T(exe), u"ProductVersion")), version);
    EXPECT_EQ(texto::AUtf8(TfV::VersionFichero(T(exe), u"CompanyName")), "Pelmora Soft");
    EXPECT_EQ(TfV::VersionFichero(T(exe), u"NoExiste"), u"(null)");
  }
}

TEST(ProgramaFalso, SinRecursoOSinProgramaLaVersionEsNull) {
  prueba::CarpetaTemporal c;
  generador::EscribePrograma(c.Ruta() / "sin.exe", "", false);
  prueba::EscribeFichero(c.Ruta() / "texto.exe", "MZ no es un programa");
  prueba::EscribeFichero(c.Ruta() / "vacio.exe", "");
  for (const char* n : {"sin.exe", "texto.exe", "vacio.exe", "no_existe.exe"})
    EXPECT_EQ(TfV::VersionFichero(T(c.Ruta() / n), u"FileVersion"), u"(null)") << n;
}

TEST(ProgramaFalso, UnaVersionQueNoCabeSeRechaza) {
  prueba::CarpetaTemporal c;
  EXPECT_THROW(generador::EscribePrograma(c.Ruta() / "x.exe", std::string(33, '9')), generador::Error);
  EXPECT_FALSE(fs::exists(c.Ruta() / "x.exe"));
}

TEST(Generador, ConfiguracionQueElAsistenteDescifra) {
  Escenario e;
  generador::Opciones o = e.Opciones();
  o.nombreServidor = "SERVIDOR-\xC3\x91";  // Ñ: the file is in the ANSI code page
  o.rutaDatos = "D:\\Datos Zelvano\\";
  e.Genera(o);
  const Texto ini = T(e.Aplicacion() / "Pindal.dll");
  const auto lee = [&](const Texto& nombre) {
    return texto::AUtf8(CifraBytes(plataforma::LeePerfil(ini, constantes::SeccionInstalacion, nombre, u"")));
  };
  EXPECT_EQ(lee(constantes::IdentNombreServidor), o.nombreServidor);
  EXPECT_EQ(lee(constantes::IdentNombrePC), "PC1");
  EXPECT_EQ(lee(constantes::IdentRutaAplicacion), fs::absolute(e.Aplicacion()).string() + "/");
  EXPECT_EQ(lee(constantes::IdentRutaDatos), "D:\\Datos Zelvano\\");
  // Stored scrambled: the plain texts appear nowhere in the file.
  const std::string bytes = prueba::LeeFichero(e.Aplicacion() / "Pindal.dll");
  for (const char* claro : {"SERVIDOR", "PC1", "Datos", "Nombre"}) EXPECT_EQ(bytes.find(claro), std::string::npos) << claro;
}

TEST(Generador, DisposicionDeLaCarpeta) {
  Escenario e;
  generador::Opciones o = e.Opciones();
  o.tempAnterior = true;
  o.clip = true;
  o.pindalDat = true;
  e.Genera(o);
  for (const char* f : {"Zelvano_Start.exe", "Zelvano.exe", "Zelvano.dll", "Corvisto.exe", "Pindal.dll", "Pindal.dat",
                        "rar.exe", "Datos/Version.txt", "Datos/3.NBK", "Datos/75.NBK", "Datos/CierresZ/Cierre_0001.txt",
                        "BDD Predefinidas/Vacia/QVD.FBK", "CapturaExcepciones/Captura_0001.txt", "Imagenes/Logo.bmp",
                        "Documentos/Manual.txt", "Excepciones.log", "Excepciones_Act_202103.log",
                        "Galeria/Videos/Mantenimiento.avi", "Temp/202101_202103/Zelvano.exe"})
    EXPECT_TRUE(fs::is_regular_file(e.Aplicacion() / f)) << f;
  EXPECT_TRUE(fs::is_directory(e.Aplicacion() / "Update"));
  EXPECT_FALSE(fs::exists(e.Aplicacion() / "Datos" / "QVD.FB"));
  EXPECT_EQ(prueba::LeeFichero(e.Aplicacion() / "Datos" / "Version.txt"), "20.21.1.0\r\n");
  EXPECT_NE(plataforma::LeeAtributos(T(e.Aplicacion() / "Temp")) & plataforma::ATR_OCULTO, 0u);
  for (const char* p : {"Zelvano.exe", "Zelvano.dll", "Corvisto.exe"})
    EXPECT_EQ(TfV::VersionFichero(T(e.Aplicacion() / p), u"FileVersion"), u"20.21.1.0") << p;
  // The extraction tool is the program built next to the wizard.
  EXPECT_EQ(prueba::LeeFichero(e.Aplicacion() / "rar.exe"), prueba::LeeFichero(prueba::DirBuild() / "tools" / "rar" / "rar"));
}

TEST(Generador, RegistroPosixConLasClavesPedidas) {
  Escenario e;
  generador::Opciones o = e.Opciones();
  o.claves = {2, 9};
  o.rutaRegistro = "/otra/";
  e.Genera(o);
  ::setenv("ZELVANO_REGISTRO", e.Registro().c_str(), 1);
  for (size_t n = 1; n <= generador::ClavesProducto().size(); ++n) {
    SCOPED_TRACE(n);
    plataforma::Clave k;
    const bool sembrada = n == 2 || n == 9;
    ASSERT_EQ(k.AbreLectura(plataforma::Raiz::UsuarioActual, texto::DeUtf8(generador::ClavesProducto()[n - 1])),
              sembrada);
    if (!sembrada) continue;
    Texto v;
    ASSERT_TRUE(k.LeeTexto(u"Application Install Patch", v));
    EXPECT_EQ(v, u"/otra/");
  }
  ::unsetenv("ZELVANO_REGISTRO");
}

TEST(Generador, FicheroRegParaWine) {
  Escenario e;
  generador::Opciones o = e.Opciones();
  o.almacenRegistro.clear();
  o.ficheroReg = e.Raiz() / "instalacion.reg";
  o.claves = {1, 4};
  o.rutaAplicacion = "C:\\Zelvano\\";
  e.Genera(o);
  const std::string bytes = prueba::LeeFichero(o.ficheroReg);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  Texto t;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2)
    t += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8));
  EXPECT_EQ(texto::AUtf8(t),
            "Windows Registry Editor Version 5.00\r\n"
            "\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Pelmora Soft\\Zelvano Nova]\r\n"
            "\"Application Install Patch\"=\"C:\\\\Zelvano\\\\\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Pelmora Soft\\Zelvano Start \xC3\x81pice]\r\n"
            "\"Application Install Patch\"=\"C:\\\\Zelvano\\\\\"\r\n");
  EXPECT_FALSE(fs::exists(e.Registro()));
  // The configuration file speaks the Windows form too.
  EXPECT_EQ(texto::AUtf8(CifraBytes(plataforma::LeePerfil(T(e.Aplicacion() / "Pindal.dll"),
                                                         constantes::SeccionInstalacion,
                                                         constantes::IdentRutaDatos, u""))),
            "C:\\Zelvano\\Datos\\");
}

struct CasoArgumentos {
  std::vector<std::string> argumentos;
  bool valido;
  std::function<void(const generador::Opciones&)> comprueba;
};

TEST(Generador, LineaDeOrdenes) {
  const CasoArgumentos casos[] = {
      {{"--destino", "/tmp/x", "--version", "20.21.0.3", "--servidor", "SRV", "--nombre-pc", "PC", "--registro", "/tmp/r",
        "--base-datos"},
       true,
       [](const generador::Opciones& o) {
         EXPECT_EQ(o.destino, "/tmp/x");
         EXPECT_EQ(o.version, "20.21.0.3");
         EXPECT_EQ(o.nombreServidor, "SRV");
         EXPECT_EQ(o.nombrePC, "PC");
         EXPECT_EQ(o.almacenRegistro, "/tmp/r");
         EXPECT_TRUE(o.creaBaseDatos);
         EXPECT_TRUE(o.rar);
         EXPECT_EQ(o.claves, std::vector<int>{1});
       }},
      {{"--destino", "/tmp/x", "--ruta-windows", "C:\\Zelvano\\", "--reg", "/tmp/i.reg"}, true,
       [](const generador::Opciones& o) {
         EXPECT_EQ(o.rutaAplicacion, "C:\\Zelvano\\");
         EXPECT_EQ(o.ficheroReg, "/tmp/i.reg");
         EXPECT_FALSE(o.rar) << "Wine brings its own extraction tool";
       }},
      {{"--destino", "/tmp/x", "--clave", "8", "--clave", "1", "--puntos", "0,60,61", "--sin-version", "--pindal-dat"},
       true,
       [](const generador::Opciones& o) {
         EXPECT_EQ(o.claves, (std::vector<int>{8, 1}));
         EXPECT_EQ(o.puntosRestauracion, (std::vector<int>{0, 60, 61}));
         EXPECT_FALSE(o.recursoVersion);
         EXPECT_TRUE(o.pindalDat);
       }},
      {{"--destino", "/tmp/x", "--sin-clave", "--puntos", ""}, true,
       [](const generador::Opciones& o) {
         EXPECT_TRUE(o.claves.empty());
         EXPECT_TRUE(o.puntosRestauracion.empty());
       }},
      {{"--version", "20.21.1.0"}, false, nullptr},
      {{"--destino"}, false, nullptr},
      {{"--destino", "/tmp/x", "--inventada"}, false, nullptr},
      {{"--destino", "/tmp/x", "--clave", "uno"}, false, nullptr},
      {{"--destino", "/tmp/x", "--puntos", "3,,4"}, false, nullptr},
  };
  for (const CasoArgumentos& c : casos) {
    std::string linea;
    for (const auto& a : c.argumentos) linea += a + " ";
    SCOPED_TRACE(linea);
    if (!c.valido) {
      EXPECT_THROW(generador::LeeArgumentos(c.argumentos), generador::Error);
      continue;
    }
    c.comprueba(generador::LeeArgumentos(c.argumentos));
  }
}

TEST(Generador, OpcionesImposiblesSeRechazanSinCrearNada) {
  for (int clave : {0, 10}) {
    Escenario e;
    generador::Opciones o = e.Opciones();
    o.claves = {clave};
    EXPECT_THROW(generador::GeneraInstalacion(o), generador::Error) << clave;
    EXPECT_FALSE(fs::exists(e.Aplicacion()));
  }
}

TEST(Generador, ProgramaDeLineaDeOrdenes) {
  prueba::CarpetaTemporal c;
  const std::string programa = (prueba::DirBuild() / "tools" / "generador" / "genera_instalacion").string();
  const prueba::Resultado mal = prueba::Ejecuta(programa, {"--destino", (c.Ruta() / "a").string(), "--nada"});
  EXPECT_EQ(mal.estado, 2);
  EXPECT_NE(mal.salida.find("--nada"), std::string::npos) << mal.salida;
  EXPECT_FALSE(fs::exists(c.Ruta() / "a"));
  const prueba::Resultado bien = prueba::Ejecuta(
      programa, {"--destino", (c.Ruta() / "b").string(), "--version", "20.21.1.8", "--registro", (c.Ruta() / "r").string()});
  EXPECT_EQ(bien.estado, 0) << bien.salida;
  EXPECT_EQ(TfV::VersionFichero(T(c.Ruta() / "b" / "Zelvano_Start.exe"), u"FileVersion"), u"20.21.1.8");
  EXPECT_TRUE(fs::exists(c.Ruta() / "r"));
}

}  // namespace
}  // namespace prueba_arranque
