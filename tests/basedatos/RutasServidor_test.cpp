// File names as the server receives them: the wizard's path form becomes the
// server's path, the server part stays.
#include <gtest/gtest.h>

#include <cstdlib>

#include "database/ClienteFirebird.h"

namespace {

TEST(RutasServidor, WizardPathsBecomeServerPaths) {
  ::setenv("ZELVANO_UNIDAD_C", "/srv/unidad_c", 1);
  const struct {
    const char16_t* nombre;
    const char* servidor;
  } casos[] = {
      {u"127.0.0.1:C:\\Zelvano\\Datos\\QVD.FB", "127.0.0.1:/srv/unidad_c/Zelvano/Datos/QVD.FB"},
      {u"SERVIDOR:/tmp/datos\\QVD.FB", "SERVIDOR:/tmp/datos/QVD.FB"},
      {u"C:\\Datos\\QVD.FBK", "/srv/unidad_c/Datos/QVD.FBK"},
      {u"127.0.0.1:/tmp/Sal\u00F3n/QVD.FB", "127.0.0.1:/tmp/Sal\xC3\xB3n/QVD.FB"},
  };
  for (const auto& c : casos) EXPECT_EQ(fbcliente::NombreEnServidor(c.nombre), c.servidor) << c.servidor;
  EXPECT_EQ(fbcliente::RutaEnServidor(u"C:\\Datos\\QVD.FBK"), "/srv/unidad_c/Datos/QVD.FBK");
  ::unsetenv("ZELVANO_UNIDAD_C");
}

}  // namespace

#include "database/EstadoDatos.h"

namespace {

TEST(SalidaServicio, OnlyGbakErrorLinesCountAsFailures) {
  const struct {
    const char16_t* linea;
    bool error;
  } casos[] = {
      {u"gbak: ERROR:cannot open backup file /datos/QVD.FBK", true},
      {u"gbak:ERROR:I/O error during \"open\" operation", true},
      {u"ERROR: database in use", true},
      {u"gbak:    writing data for table ERRORES", false},
      {u"gbak:restoring column ERROR_TEXTO", false},
      {u"gbak:closing file, committing, and finishing. 1234 bytes written", false},
      {u"", false},
  };
  for (const auto& c : casos) EXPECT_EQ(LineaDeErrorDeServicio(c.linea), c.error) << texto::AUtf8(c.linea);
}

}  // namespace
