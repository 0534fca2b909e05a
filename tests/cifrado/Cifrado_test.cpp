// The two scrambling schemes: permutation with rotation, and the byte scheme.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "system/Cifrado.h"

namespace {

using texto::Texto;

const Texto kAlfabeto =
    u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
    u"\u00C1\u00C9\u00CD\u00D1\u00D3\u00DA\u00E1\u00E9\u00ED\u00F1\u00F3\u00FA";

// Printable Spanish text as stored in configuration files and constants.
const Texto kCubierto =
    u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    u"\u00E1\u00E9\u00ED\u00F3\u00FA\u00C1\u00C9\u00CD\u00D3\u00DA\u00F1\u00D1\u00FC\u00DC :\\.-_";

TEST(Permutacion, SustituyeDentroDelAlfabetoYEsBiyectiva) {
  ASSERT_EQ(kAlfabeto.size(), 74u);
  std::set<char16_t> imagenes;
  for (char16_t c : kAlfabeto) {
    Texto img = PermutaTexto(Texto(1, c));
    ASSERT_EQ(img.size(), 1u);
    EXPECT_NE(kAlfabeto.find(img[0]), Texto::npos) << "image outside the alphabet for " << int(c);
    imagenes.insert(img[0]);
    EXPECT_EQ(RestauraTexto(img), Texto(1, c));
  }
  EXPECT_EQ(imagenes.size(), 74u);
}

TEST(Permutacion, FueraDelAlfabetoNoCambia) {
  for (char32_t c = 0; c < 0x10000; ++c) {
    char16_t u = static_cast<char16_t>(c);
    if (kAlfabeto.find(u) != Texto::npos) continue;
    ASSERT_EQ(PermutaTexto(Texto(1, u)), Texto(1, u)) << int(c);
    ASSERT_EQ(RestauraTexto(Texto(1, u)), Texto(1, u)) << int(c);
  }
}

TEST(Permutacion, RotaUnaPosicion) {
  // "a-b": the blank-like '-' keeps its value, the others are substituted,
  // and the first character moves to the end.
  const Texto p = PermutaTexto(u"a-b");
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[0], u'-');
  EXPECT_EQ(p[1], PermutaTexto(u"b")[0]);
  EXPECT_EQ(p[2], PermutaTexto(u"a")[0]);
  const Texto r = RestauraTexto(u"-xy");
  EXPECT_EQ(r[0], RestauraTexto(u"y")[0]);
  EXPECT_EQ(r[1], u'-');
  EXPECT_EQ(r[2], RestauraTexto(u"x")[0]);
}

TEST(Permutacion, CasosLimite) {
  struct Caso {
    Texto texto;
  } casos[] = {{u""}, {u"Z"}, {u" "}, {u"\u20AC"}, {u"Zv2128"}, {u"--"}, {u"\u00F1\u00D1"}};
  for (const Caso& c : casos) {
    EXPECT_EQ(RestauraTexto(PermutaTexto(c.texto)), c.texto);
    EXPECT_EQ(PermutaTexto(RestauraTexto(c.texto)), c.texto);
    EXPECT_EQ(PermutaTexto(c.texto).size(), c.texto.size());
  }
  EXPECT_EQ(PermutaTexto(u""), u"");
}

TEST(Permutacion, TextosGeneradosVuelven) {
  std::mt19937 azar(20210328);
  const Texto extra = u" .,;:!?\u00BF\u00A1\u20AC\u00FC\u00E7@#\\";
  const Texto fuente = kAlfabeto + extra;
  for (int i = 0; i < 5000; ++i) {
    Texto t;
    size_t n = azar() % 40;
    for (size_t k = 0; k < n; ++k) t += fuente[azar() % fuente.size()];
    ASSERT_EQ(RestauraTexto(PermutaTexto(t)), t);
  }
}

TEST(Permutacion, TransformaTextoEligePorElSelector) {
  const Texto t = u"Prueba 123 \u00D1and\u00FA";
  EXPECT_EQ(TransformaTexto(t, 0), RestauraTexto(t));
  for (int sel : {1, 2, 0x7F, 0x80, 0xFF}) EXPECT_EQ(TransformaTexto(t, static_cast<uint8_t>(sel)), PermutaTexto(t));
  EXPECT_NE(PermutaTexto(t), RestauraTexto(t));
}

TEST(Bytes, CifraBytesEsSuPropiaInversa) {
  // Every character the code page can represent, alone and all together.
  Texto todos;
  for (char32_t c = 1; c < 0x10000; ++c) {
    char16_t u = static_cast<char16_t>(c);
    if (!texto::RepresentableEnCp1252(u)) continue;
    todos += u;
    ASSERT_EQ(CifraBytes(CifraBytes(Texto(1, u))), Texto(1, u)) << int(c);
    ASSERT_NE(CifraBytes(Texto(1, u)), Texto(1, u)) << "a byte that stays as it is: " << int(c);
  }
  EXPECT_EQ(todos.size(), 255u);
  EXPECT_EQ(CifraBytes(CifraBytes(todos)), todos);
  EXPECT_EQ(CifraBytes(todos).size(), todos.size());
  EXPECT_EQ(CifraBytes(u""), u"");
}

TEST(Bytes, ClaveSeguraParaFicherosDePerfil) {
  // Scrambled Spanish text must stay a well-formed profile value: no control
  // characters, no blanks (they would be trimmed), nothing the file syntax
  // reserves, no byte the code page leaves undefined, no backslash.
  const Texto prohibidos = u"=;[]\"' \\\u0081\u008D\u008F\u0090\u009D\u007F";
  for (char16_t c : kCubierto) {
    Texto s = CifraBytes(Texto(1, c));
    ASSERT_EQ(s.size(), 1u);
    EXPECT_GE(s[0], 0x20) << "control character for " << int(c);
    EXPECT_EQ(prohibidos.find(s[0]), Texto::npos) << "character " << int(s[0]) << " for " << int(c);
  }
}

TEST(Bytes, DescifraMensajeExpandeBarraN) {
  struct Caso {
    Texto claro;     // the bytes after the transform
    Texto esperado;
  } casos[] = {
      {u"\\n\\n", u"\n\n"},
      {u"a\\nb", u"a\nb"},
      {u"fin\\", u"fin\\"},
      {u"\\", u"\\"},
      {u"\\\\n", u"\\\n"},
      {u"\\N", u"\\N"},
      {u"n\\", u"n\\"},
      {u"", u""},
      {u"\u00A1Atenci\u00F3n!\\nSeguir", u"\u00A1Atenci\u00F3n!\nSeguir"},
  };
  for (const Caso& c : casos) EXPECT_EQ(DescifraMensaje(CifraBytes(c.claro)), c.esperado);
}

}  // namespace
