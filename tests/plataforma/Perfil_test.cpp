// Profile (INI) files read and written like GetPrivateProfileStringW and
// WritePrivateProfileStringW do, on real files.
#include <gtest/gtest.h>

#include "platform/plataforma.h"
#include "tests/plataforma/Entorno.h"

namespace {

using namespace plataforma;
using texto::Texto;

TEST(Perfil, LecturaComoWindows) {
  prueba::CarpetaTemporal t;
  // Windows-1252 bytes: 0xF3 is 'ó', 0xD5/0xF4 are scrambled-looking names.
  t.Escribe("p.ini",
            "clave=antes de toda seccion\r\n"
            "[Instalacion]\r\n"
            "  Nombre PC  =  caja1  \r\n"
            "Comillas=\"  con blancos  \"\r\n"
            "Simple='uno'\r\n"
            "Desparejas=\"abc'\r\n"
            "Vacia=\r\n"
            "Ruta=C:\\Zelvano\\Datos\\\r\n"
            "Acento=Actualizaci\xF3n\r\n"
            "\xD5\xF4=escondido\r\n"
            ";Comentario=no\r\n"
            "SoloNombre\r\n"
            "[Sin cierre\r\n"
            "Tras=sigue en Instalacion\r\n"
            "[ Otra ]\n"
            "Ruta=la de otra\n"
            "[Instalacion]\n"
            "Segunda=no se lee\n");
  const Texto f = t.Win("p.ini");
  struct Caso {
    const char16_t* seccion;
    const char16_t* clave;
    const char16_t* esperado;
  } casos[] = {
      {u"Instalacion", u"Nombre PC", u"caja1"},
      {u"INSTALACION", u"nombre pc", u"caja1"},
      {u"Instalacion", u"Comillas", u"  con blancos  "},
      {u"Instalacion", u"Simple", u"uno"},
      {u"Instalacion", u"Desparejas", u"\"abc'"},
      {u"Instalacion", u"Vacia", u""},
      {u"Instalacion", u"Ruta", u"C:\\Zelvano\\Datos\\"},
      {u"Instalacion", u"Acento", u"Actualizaci\u00F3n"},
      {u"Instalacion", u"\u00F5\u00D4", u"escondido"},
      {u"Instalacion", u"Comentario", u"DEF"},
      {u"Instalacion", u"SoloNombre", u"DEF"},
      {u"Instalacion", u"Tras", u"sigue en Instalacion"},
      {u"Sin cierre", u"Tras", u"DEF"},
      {u"otra", u"Ruta", u"la de otra"},
      {u"Instalacion", u"Falta", u"DEF"},
      {u"Falta", u"Ruta", u"DEF"},
      {u"", u"clave", u"DEF"},
  };
  for (const Caso& c : casos) {
    EXPECT_EQ(texto::AUtf8(LeePerfil(f, c.seccion, c.clave, u"DEF")), texto::AUtf8(c.esperado))
        << texto::AUtf8(c.seccion) << "/" << texto::AUtf8(c.clave);
  }
  // Missing file: the default, with its trailing blanks dropped.
  EXPECT_EQ(LeePerfil(t.Win("no.ini"), u"Instalacion", u"Ruta", u"def  "), u"def");
  EXPECT_EQ(LeePerfil(t.Win("no.ini"), u"Instalacion", u"Ruta", u""), u"");
}

TEST(Perfil, ValorLargoSeCortaAlBuffer) {
  prueba::CarpetaTemporal t;
  t.Escribe("l.ini", "[S]\r\nK=" + std::string(5000, 'v') + "\r\n");
  EXPECT_EQ(LeePerfil(t.Win("l.ini"), u"S", u"K", u"").size(), 2047u);
  EXPECT_EQ(LeePerfil(t.Win("l.ini"), u"S", u"K", u"", 10), u"vvvvvvvvv");
  EXPECT_EQ(LeePerfil(t.Win("l.ini"), u"S", u"K", u"", 1), u"");
  EXPECT_EQ(LeePerfil(t.Win("l.ini"), u"S", u"Falta", u"defecto", 4), u"def");
}

TEST(Perfil, EscrituraConservaLoDemas) {
  prueba::CarpetaTemporal t;
  const Texto f = t.Win("e.ini");
  // Creates the file and the section.
  ASSERT_TRUE(EscribePerfil(f, u"Uno", u"a", u"1"));
  ASSERT_TRUE(EscribePerfil(f, u"Uno", u"b", u"Actualizaci\u00F3n"));
  ASSERT_TRUE(EscribePerfil(f, u"Dos", u"c", u"3"));
  EXPECT_EQ(t.Lee("e.ini"), "[Uno]\r\na=1\r\nb=Actualizaci\xF3n\r\n[Dos]\r\nc=3\r\n");
  // Replaces an existing key found without regard to case (its name keeps
  // the file's spelling), adds a key at the end of its section.
  ASSERT_TRUE(EscribePerfil(f, u"uno", u"A", u"uno"));
  ASSERT_TRUE(EscribePerfil(f, u"UNO", u"d", u"4"));
  EXPECT_EQ(t.Lee("e.ini"), "[Uno]\r\na=uno\r\nb=Actualizaci\xF3n\r\nd=4\r\n[Dos]\r\nc=3\r\n");
  EXPECT_EQ(LeePerfil(f, u"Uno", u"b", u""), u"Actualizaci\u00F3n");
}

TEST(Perfil, SeccionNuevaTrasElRegistroDelLog) {
  prueba::CarpetaTemporal t;
  // A process log followed by one empty line, as the exception handler
  // leaves it before it adds its record.
  t.Escribe("log", "linea 1\r\nlinea 2\r\n\r\n");
  ASSERT_TRUE(EscribePerfil(t.Win("log"), u"10/12/2026 06:00:00", u"Excepcion producida", u"Excepcion del Programa"));
  EXPECT_EQ(t.Lee("log"),
            "linea 1\r\nlinea 2\r\n\r\n[10/12/2026 06:00:00]\r\nExcepcion producida=Excepcion del Programa\r\n");
  // A file without a final line break gets one before the new section.
  t.Escribe("sin", "texto");
  ASSERT_TRUE(EscribePerfil(t.Win("sin"), u"S", u"k", u"v"));
  EXPECT_EQ(t.Lee("sin"), "texto\r\n[S]\r\nk=v\r\n");
  // A read-only file is left as it is.
  t.Escribe("ro", "[S]\r\nk=v\r\n");
  ASSERT_TRUE(PonAtributos(t.Win("ro"), ATR_SOLO_LECTURA));
  EXPECT_FALSE(EscribePerfil(t.Win("ro"), u"S", u"k", u"otro"));
  EXPECT_EQ(t.Lee("ro"), "[S]\r\nk=v\r\n");
}

}  // namespace
