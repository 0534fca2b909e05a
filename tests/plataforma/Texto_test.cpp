// Encodings, comparison and number formats.
#include <gtest/gtest.h>

#include <limits>

#include "platform/texto.h"
#include "tests/plataforma/Entorno.h"

namespace {

using texto::Texto;

TEST(Codificaciones, Utf8IdaYVuelta) {
  const std::pair<std::string, Texto> casos[] = {
      {"", u""},
      {"Actualizaci\xC3\xB3n", u"Actualizaci\u00F3n"},
      {"\xE2\x82\xAC", u"\u20AC"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
  };
  for (const auto& [utf8, utf16] : casos) {
    EXPECT_EQ(texto::DeUtf8(utf8), utf16);
    EXPECT_EQ(texto::AUtf8(utf16), utf8);
  }
  // Broken sequences become U+FFFD, never a crash or a lost tail.
  EXPECT_EQ(texto::DeUtf8("a\xC3"), u"a\uFFFD");
  EXPECT_EQ(texto::DeUtf8("\xFF" "b"), u"\uFFFDb");
  // Overlong forms and encoded surrogates are no characters: a name on disk
  // holding "\xC0\xAF" must not read as one holding a '/', nor "\xE0\x80\xAE"
  // as a '.'; a surrogate read from UTF-8 would not convert back.
  EXPECT_EQ(texto::DeUtf8("a\xC0\xAF" "b"), u"a\uFFFD\uFFFDb");
  EXPECT_EQ(texto::DeUtf8("\xE0\x80\xAE"), u"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(texto::DeUtf8("\xF0\x80\x80\xAF"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(texto::DeUtf8("\xED\xA0\x80" "x"), u"\uFFFD\uFFFD\uFFFDx");
  EXPECT_EQ(texto::DeUtf8("\xEF\xBF\xBD\xED\x9F\xBF"), u"\uFFFD\uD7FF");
  EXPECT_EQ(texto::AUtf8(Texto(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Codificaciones, Cp1252TodosLosBytesVuelven) {
  std::string todos;
  for (int b = 0; b < 256; ++b) todos += static_cast<char>(b);
  const Texto t = texto::DeCp1252(todos);
  ASSERT_EQ(t.size(), 256u);
  EXPECT_EQ(texto::ACp1252(t), todos);
  struct {
    unsigned char byte;
    char16_t caracter;
  } tabla[] = {{0x80, 0x20AC}, {0x81, 0x0081}, {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090},
               {0x9D, 0x009D}, {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xF1, 0x00F1}, {0x41, u'A'}};
  for (const auto& f : tabla) EXPECT_EQ(t[f.byte], f.caracter) << int(f.byte);
  EXPECT_EQ(texto::ACp1252(u"\u0100\u4E2D"), "??");
  EXPECT_FALSE(texto::RepresentableEnCp1252(u'\u0080'));
  EXPECT_TRUE(texto::RepresentableEnCp1252(u'\u20AC'));
}

TEST(Codificaciones, Latin1) {
  EXPECT_EQ(texto::ALatin1(u"\u00D1and\u00FA \u20AC\u0080"), "\xD1" "and\xFA ?\x80");
}

TEST(Comparacion, PorUnidadDeCodigo) {
  const Texto menor = u"20.21.0.3", mayor = u"20.21.1.8";
  // Accepted: between the two bounds, compared as text.
  for (const Texto v : {u"20.21.0.3", u"20.21.1.10", u"20.21.1.8", u"20.21.0.9", u"20.21.1.0"}) {
    EXPECT_GE(texto::Compara(v, menor), 0) << texto::AUtf8(v);
    EXPECT_LE(texto::Compara(v, mayor), 0) << texto::AUtf8(v);
  }
  // Outside: below or above.
  for (const Texto v : {u"(null)", u"20.21", u"20.21.0", u"", u"20.20.9.9", u"1.0"})
    EXPECT_LT(texto::Compara(v, menor), 0) << texto::AUtf8(v);
  for (const Texto v : {u"20.21.2.8", u"20.21.1.9", u"20.21.1.8.1", u"3"})
    EXPECT_GT(texto::Compara(v, mayor), 0) << texto::AUtf8(v);
  EXPECT_EQ(texto::Compara(u"abc", u"abc"), 0);
  // Code units, not letters: upper case sorts before lower case, and a
  // character above U+7FFF is not negative.
  EXPECT_LT(texto::Compara(u"Z", u"a"), 0);
  EXPECT_GT(texto::Compara(u"\uFF21", u"A"), 0);
}

TEST(Comparacion, SinMayusculas) {
  EXPECT_TRUE(texto::IgualesSinMayusculas(u"Software\\Zelvano", u"SOFTWARE\\zelvano"));
  EXPECT_TRUE(texto::IgualesSinMayusculas(u"\u00F1\u00E1\u00FF\u0161", u"\u00D1\u00C1\u0178\u0160"));
  EXPECT_FALSE(texto::IgualesSinMayusculas(u"\u00F7", u"\u00D7"));
  EXPECT_FALSE(texto::IgualesSinMayusculas(u"ab", u"abc"));
  // Greek (final sigma and accents included) and Cyrillic.
  EXPECT_TRUE(texto::IgualesSinMayusculas(u"\u03AC\u03AF\u03CC\u03CE\u03C2\u03C3",
                                          u"\u0386\u038A\u038C\u038F\u03A3\u03A3"));
  EXPECT_TRUE(texto::IgualesSinMayusculas(u"\u0430\u044F\u0451\u045F", u"\u0410\u042F\u0401\u040F"));
  EXPECT_FALSE(texto::IgualesSinMayusculas(u"\u03A3", u"\u0421"));
}

struct CasoFormato {
  double valor;
  const char16_t* kb;
  const char16_t* mb;
};

TEST(Formatos, TamanosConSeparadoresEspanoles) {
  prueba::VariableEntorno lcAll("LC_ALL", std::nullopt), lcNum("LC_NUMERIC", std::nullopt);
  for (const char* lang : {"es_ES.UTF-8", "C", "C.UTF-8"}) {
    prueba::VariableEntorno l("LANG", std::string(lang));
    SCOPED_TRACE(lang);
    const CasoFormato casos[] = {
        {500, u"0,49 KB", u"0,00 MB"},
        {512, u"0,50 KB", u"0,00 MB"},
        {2048, u"2,00 KB", u"0,00 MB"},
        {5120, u"5,00 KB", u"0,00 MB"},  // 0.0048828125 MB: under half a hundredth
        {5243, u"5,12 KB", u"0,01 MB"},  // 0.00500011 MB
        {3145728, u"3.072,00 KB", u"3,00 MB"},
        {1234567890, u"1.205.632,71 KB", u"1.177,38 MB"},
        {0, u"0,00 KB", u"0,00 MB"},
        {10, u"0,01 KB", u"0,00 MB"},  // 0.009765625: rounded half away from zero
    };
    for (const CasoFormato& c : casos) {
      EXPECT_EQ(texto::AUtf8(texto::FormatoKB(c.valor)), texto::AUtf8(c.kb)) << c.valor;
      EXPECT_EQ(texto::AUtf8(texto::FormatoMB(c.valor)), texto::AUtf8(c.mb)) << c.valor;
    }
    EXPECT_EQ(texto::FormatoMiles(1234), u"1.234");
    EXPECT_EQ(texto::FormatoMiles(20000), u"20.000");
    EXPECT_EQ(texto::FormatoMiles(999), u"999");
    EXPECT_EQ(texto::FormatoMiles(0), u"0");
    EXPECT_EQ(texto::FormatoMiles(-1234567), u"-1.234.567");
    EXPECT_EQ(texto::FormatoDosDecimales(0.125), u"0,13");
    EXPECT_EQ(texto::FormatoDosDecimales(-0.125), u"-0,13");
    EXPECT_EQ(texto::FormatoDosDecimales(-0.001), u"0,00");
    EXPECT_EQ(texto::FormatoDosDecimales(999.995), u"1.000,00");
    // 1000.00499999999999545...: its 18 significant digits end in a 5, which
    // then rounds up; 1000.01499999999998636... stays below.
    EXPECT_EQ(texto::FormatoDosDecimales(1000.005), u"1.000,01");
    EXPECT_EQ(texto::FormatoDosDecimales(1000.015), u"1.000,01");
  }
}

TEST(Formatos, SeparadoresDelLocale) {
  prueba::VariableEntorno lcAll("LC_ALL", std::nullopt), lcNum("LC_NUMERIC", std::nullopt);
  prueba::VariableEntorno l("LANG", std::string("en_US.UTF-8"));
  EXPECT_EQ(texto::FormatoMiles(1234), u"1,234");
  EXPECT_EQ(texto::FormatoKB(3145728), u"3,072.00 KB");
  // The elapsed seconds keep a point whatever the locale says.
  EXPECT_EQ(texto::FormatoSegundos(1.5), u"1.500000 seg.");
  prueba::VariableEntorno n("LC_NUMERIC", std::string("es_ES.UTF-8"));
  EXPECT_EQ(texto::FormatoMiles(1234), u"1.234");
}

TEST(Formatos, SegundosYReloj) {
  prueba::VariableEntorno l("LANG", std::string("es_ES.UTF-8"));
  EXPECT_EQ(texto::FormatoSegundos(12.3456789), u"12.345679 seg.");
  EXPECT_EQ(texto::FormatoSegundos(0), u"0.000000 seg.");
  const std::pair<double, const char16_t*> relojes[] = {
      {3725.9, u"Tiempo: 01:02:05"}, {59.99, u"Tiempo: 00:00:59"}, {360000, u"Tiempo: 100:00:00"},
      {0, u"Tiempo: 00:00:00"},      {3600, u"Tiempo: 01:00:00"},  {86399.5, u"Tiempo: 23:59:59"},
      {86400, u"Tiempo: 24:00:00"},  {7199.999, u"Tiempo: 01:59:59"},
  };
  for (const auto& [s, esperado] : relojes) EXPECT_EQ(texto::AUtf8(texto::FormatoReloj(s)), texto::AUtf8(esperado)) << s;
  EXPECT_EQ(texto::FormatoEntero(0), u"0");
  EXPECT_EQ(texto::FormatoEntero(-42), u"-42");
}

// Sizes and clocks come from counters and clocks nobody here controls: no
// value may overrun a buffer, overflow a cast or print garbage.
TEST(Formatos, ValoresNoFinitosOEnormesDanUnTextoCerrado) {
  prueba::VariableEntorno lcAll("LC_ALL", std::nullopt), lcNum("LC_NUMERIC", std::nullopt);
  prueba::VariableEntorno l("LANG", std::string("es_ES.UTF-8"));
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Caso {
    double valor;
    const char16_t* dos;  // FormatoDosDecimales
    const char16_t* kb;
    const char16_t* mb;
  };
  const Caso casos[] = {
      {inf, u"INF", u"INF KB", u"INF MB"},
      {-inf, u"-INF", u"-INF KB", u"-INF MB"},
      {nan, u"NAN", u"NAN KB", u"NAN MB"},
      {-nan, u"NAN", u"NAN KB", u"NAN MB"},
      {-0.0, u"0,00", u"0,00 KB", u"0,00 MB"},
      {std::numeric_limits<double>::denorm_min(), u"0,00", u"0,00 KB", u"0,00 MB"},
      // Eighteen significant digits, as the product rounds, then zeros.
      {1e30, u"1.000.000.000.000.000.020.000.000.000.000,00", u"976.562.500.000.000.019.000.000.000,00 KB",
       u"953.674.316.406.250.019.000.000,00 MB"},
      {9.2233720368547758e18, u"9.223.372.036.854.775.810,00", u"9.007.199.254.740.992,00 KB",
       u"8.796.093.022.208,00 MB"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.valor);
    EXPECT_EQ(texto::AUtf8(texto::FormatoDosDecimales(c.valor)), texto::AUtf8(c.dos));
    EXPECT_EQ(texto::AUtf8(texto::FormatoKB(c.valor)), texto::AUtf8(c.kb));
    EXPECT_EQ(texto::AUtf8(texto::FormatoMB(c.valor)), texto::AUtf8(c.mb));
  }
  // The largest double is written in full: 309 digits, 102 separators.
  const Texto maximo = texto::FormatoDosDecimales(std::numeric_limits<double>::max());
  EXPECT_EQ(maximo.size(), 309u + 102u + 3u);
  EXPECT_EQ(maximo.substr(0, 8), u"179.769.");
  EXPECT_EQ(maximo.substr(maximo.size() - 3), u",00");
  EXPECT_EQ(texto::AUtf8(texto::FormatoDosDecimales(-std::numeric_limits<double>::max())).substr(0, 5), "-179.");

  // A clock cannot run backwards: NaN and negatives read zero; beyond the
  // counter the clock stops at its largest whole second.
  const std::pair<double, const char16_t*> relojes[] = {
      {nan, u"Tiempo: 00:00:00"},
      {-5, u"Tiempo: 00:00:00"},
      {-inf, u"Tiempo: 00:00:00"},
      {1e30, u"Tiempo: 2562047788015215:30:07"},
      {inf, u"Tiempo: 2562047788015215:30:07"},
      {9.2e18, u"Tiempo: 2555555555555555:33:20"},
  };
  for (const auto& [s, esperado] : relojes) EXPECT_EQ(texto::AUtf8(texto::FormatoReloj(s)), texto::AUtf8(esperado)) << s;
  EXPECT_EQ(texto::FormatoSegundos(inf), u"inf seg.");
  EXPECT_EQ(texto::FormatoSegundos(std::numeric_limits<double>::max()).size(), 309u + 12u);
}

TEST(Lineas, PartePorSaltos) {
  using V = std::vector<Texto>;
  EXPECT_EQ(texto::PartePorLineas(u""), V{});
  EXPECT_EQ(texto::PartePorLineas(u"a"), V{u"a"});
  EXPECT_EQ(texto::PartePorLineas(u"a\n"), V{u"a"});
  EXPECT_EQ(texto::PartePorLineas(u"a\n\nb"), (V{u"a", u"", u"b"}));
  EXPECT_EQ(texto::PartePorLineas(u"a\r\nb\rc"), (V{u"a", u"b", u"c"}));
  EXPECT_EQ(texto::PartePorLineas(u"\n"), V{u""});
}

}  // namespace
