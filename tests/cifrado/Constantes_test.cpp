// Every stored constant turns into its intended text and has its length.
#include <gtest/gtest.h>

#include "system/Cifrado.h"
#include "system/Constantes.h"

namespace {

using texto::Texto;
namespace c = constantes;

enum class Esquema { Permutacion, Bytes, Mensaje };

struct Caso {
  const char* nombre;
  const Texto& guardado;
  Esquema esquema;
  Texto claro;
  size_t longitud;
};

TEST(Constantes, SeDescifranEnSuTextoYLongitud) {
  const Caso casos[] = {
      {"ClaveBaseDatosGuardada", c::ClaveBaseDatosGuardada, Esquema::Permutacion, u"Zv2128", 6},
      {"SeccionInstalacion", c::SeccionInstalacion, Esquema::Bytes, u"IN", 2},
      {"IdentNombrePC", c::IdentNombrePC, Esquema::Bytes, u"Nombre_PC", 9},
      {"IdentRutaAplicacion", c::IdentRutaAplicacion, Esquema::Bytes, u"Ruta_App", 8},
      {"IdentNombreServidor", c::IdentNombreServidor, Esquema::Bytes, u"Nombre_Servidor", 15},
      {"IdentRutaDatos", c::IdentRutaDatos, Esquema::Bytes, u"Ruta_de_Datos", 13},
      {"NombreParamUsuario", c::NombreParamUsuario, Esquema::Bytes, u"user_name", 9},
      {"NombreParamClave", c::NombreParamClave, Esquema::Bytes, u"password", 8},
      {"NombreParamTercero", c::NombreParamTercero, Esquema::Bytes, u"sql_role_name", 13},
      {"ValorParamTercero", c::ValorParamTercero, Esquema::Bytes, u"RDB$ADMIN", 9},
      {"TituloAviso", c::TituloAviso, Esquema::Mensaje, u"\u00A1\u00A1\u00A1 Atenci\u00F3n !!!...", 19},
      {"TituloPregunta", c::TituloPregunta, Esquema::Mensaje, u"\u00BFConfirma esta operaci\u00F3n?", 25},
      {"TituloError", c::TituloError, Esquema::Mensaje, u"\u00A1\u00A1\u00A1 Error grave !!!", 19},
      {"TituloMantenimiento", c::TituloMantenimiento, Esquema::Mensaje,
       u"Mantenimiento de la instalaci\u00F3n Zelvano.", 40},
      {"TituloN", c::TituloN, Esquema::Mensaje, u"\u00A1\u00A1\u00A1 Notificaci\u00F3n !!!...", 23},
      {"TituloR", c::TituloR, Esquema::Mensaje, u"Revisi\u00F3n del mantenimiento de Zelvano", 37},
      {"TituloS", c::TituloS, Esquema::Mensaje, u"Aviso del servicio t\u00E9cnico", 26},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    EXPECT_EQ(k.guardado.size(), k.longitud);
    EXPECT_EQ(k.claro.size(), k.longitud);
    Texto descifrado;
    switch (k.esquema) {
      case Esquema::Permutacion: descifrado = TransformaTexto(k.guardado, 0); break;
      case Esquema::Bytes: descifrado = CifraBytes(k.guardado); break;
      case Esquema::Mensaje: descifrado = DescifraMensaje(k.guardado); break;
    }
    EXPECT_EQ(texto::AUtf8(descifrado), texto::AUtf8(k.claro));
    // The plain text is never what the program holds.
    EXPECT_NE(k.guardado, k.claro);
  }
}

TEST(Constantes, NombresDelPerfilDistintosSinMayusculas) {
  // The profile file matches names without regard to case: two names that
  // differ only in case would read the same setting.
  const Texto* nombres[] = {&c::IdentNombrePC, &c::IdentRutaAplicacion, &c::IdentNombreServidor,
                            &c::IdentRutaDatos};
  for (const Texto* a : nombres)
    for (const Texto* b : nombres) {
      if (a != b) {
        EXPECT_FALSE(texto::IgualesSinMayusculas(*a, *b));
      }
    }
}

}  // namespace
