// The form in which the Windows build hands a path to the file functions: a
// long absolute path takes the "\\?\" prefix, and since the system then
// takes it literally, its separators and "." / ".." are put right first.
// Short paths, relative ones and those already prefixed go as they are.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/rutas_largas.h"

namespace {

using plataforma::win32::kLargoConPrefijo;
using plataforma::win32::RutaExtendida;
using texto::Texto;

// A folder name of `n` characters.
Texto Nombre(size_t n) { return Texto(n, u'x'); }

TEST(RutasLargas, LasCortasNoCambian) {
  const Texto casiLarga = u"C:\\Zelvano\\Datos\\" + Nombre(kLargoConPrefijo - 19) + u"/";
  ASSERT_EQ(casiLarga.size(), kLargoConPrefijo - 1);
  for (const Texto& r : {Texto(u"C:\\Zelvano\\\\Datos\\QVD.FBK"), Texto(u"C:\\Zelvano\\Temp\\*"),
                         Texto(u"\\\\SERVIDOR\\Zelvano\\Datos"), casiLarga})
    EXPECT_EQ(RutaExtendida(r), r);
}

TEST(RutasLargas, LasLargasLlevanElPrefijoYQuedanEnSuForma) {
  const Texto n = Nombre(250);
  struct Caso {
    Texto ruta, esperada;
  };
  const Caso casos[] = {
      {u"C:\\Zelvano\\Datos\\" + n + u"\\Cierre.txt", u"\\\\?\\C:\\Zelvano\\Datos\\" + n + u"\\Cierre.txt"},
      // The wizard's own joins: a doubled separator, a slash, a folder text
      // ending with one, a search pattern.
      {u"C:\\Zelvano\\\\Datos/" + n + u"\\", u"\\\\?\\C:\\Zelvano\\Datos\\" + n + u"\\"},
      {u"d:\\Datos Zelvano\\" + n + u"\\*.*", u"\\\\?\\d:\\Datos Zelvano\\" + n + u"\\*.*"},
      {u"C:\\Zelvano\\.\\Update\\..\\Datos\\" + n, u"\\\\?\\C:\\Zelvano\\Datos\\" + n},
      // ".." never climbs above the drive or the share.
      {u"C:\\..\\..\\" + n, u"\\\\?\\C:\\" + n},
      {u"\\\\SERVIDOR\\Zelvano\\..\\..\\" + n, u"\\\\?\\UNC\\SERVIDOR\\Zelvano\\" + n},
      {u"\\\\SERVIDOR\\Zelvano\\Datos\\" + n, u"\\\\?\\UNC\\SERVIDOR\\Zelvano\\Datos\\" + n},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(texto::AUtf8(c.ruta).substr(0, 40));
    EXPECT_EQ(texto::AUtf8(RutaExtendida(c.ruta)), texto::AUtf8(c.esperada));
  }
}

TEST(RutasLargas, LasQueNoSonAbsolutasOYaLlevanPrefijoNoCambian) {
  const Texto n = Nombre(300);
  for (const Texto& r : {u"\\\\?\\C:\\Zelvano\\" + n, u"\\\\.\\C:\\" + n, u"Datos\\" + n, u"C:Datos\\" + n,
                         u"\\Zelvano\\" + n})
    EXPECT_EQ(RutaExtendida(r), r);
}

}  // namespace
