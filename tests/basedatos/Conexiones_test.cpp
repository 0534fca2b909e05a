// Who else has the database open, on the real server: what counts as another
// connection, and the wait before a saved database file is put back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "database/Conexiones.h"
#include "tests/basedatos/Comun.h"

namespace {

using basedatos::Ocupacion;
using basedatos::Quien;
using pruebas_bd::BaseTemporal;
using pruebas_bd::ModuloPrueba;
using pruebas_bd::U8;

Texto Nombre(const std::string& ruta) { return texto::DeUtf8(soporte_bd::NombreLoopback(ruta)); }
Ocupacion Mira(const std::string& ruta, Quien quien) {
  return basedatos::MiraOcupacion(Nombre(ruta), u"SYSDBA", texto::DeUtf8(soporte_bd::kClave), quien);
}

// Pauses as the tests of whole runs take them: none.
class SinPausas {
 public:
  SinPausas() { ::setenv("ZELVANO_FACTOR_PAUSAS", "0", 1); }
  ~SinPausas() { ::unsetenv("ZELVANO_FACTOR_PAUSAS"); }
};

// The server's own housekeeping attachments (garbage collector, cache
// writer) and the asker's are never counted; each terminal is.
TEST(Conexiones, CuentaLasDeLosTerminalesYNadaMas) {
  BaseTemporal base("20.21.1.8");
  ModuloPrueba m(base.Ruta());
  EXPECT_EQ(m.datos->ConexionesAjenas(), 0);
  auto caja1 = base.Conecta();
  auto caja2 = base.Conecta();
  EXPECT_EQ(m.datos->ConexionesAjenas(), 2);
  caja1.reset();
  EXPECT_EQ(m.datos->ConexionesAjenas(), 1);
  caja2.reset();
  EXPECT_EQ(m.datos->ConexionesAjenas(), 0);
  // The count leaves the module's own transaction as it was.
  EXPECT_TRUE(m.datos->TransaccionActiva());
}

TEST(Conexiones, OcupacionSegunQuienCuenta) {
  BaseTemporal base("20.21.1.8");
  struct Caso {
    const char* nombre;
    bool terminal;
    std::string ruta;
    Quien quien;
    Ocupacion::Estado estado;
    int conexiones;
  };
  const std::string sinFichero = base.Carpeta() + "NOEXISTE.FB";
  const Caso casos[] = {
      {"nadie", false, base.Ruta(), Quien::Todas, Ocupacion::Estado::Libre, 0},
      {"un terminal, para quien espera a todos", true, base.Ruta(), Quien::Todas, Ocupacion::Estado::EnUso, 1},
      // A terminal is no service of the server's: the lost-link wait does not wait for it.
      {"un terminal, para quien espera al servidor", true, base.Ruta(), Quien::Servicios, Ocupacion::Estado::Libre, 0},
      {"sin fichero", false, sinFichero, Quien::Todas, Ocupacion::Estado::Libre, 0},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    std::unique_ptr<soporte_bd::ConexionPrueba> terminal;
    if (c.terminal) terminal = base.Conecta();
    const Ocupacion o = Mira(c.ruta, c.quien);
    EXPECT_EQ(o.estado, c.estado);
    EXPECT_EQ(o.conexiones, c.conexiones);
  }
  // Nothing listens on port 1.
  const Ocupacion o = basedatos::MiraOcupacion(u"127.0.0.1/1:" + texto::DeUtf8(base.Ruta()), u"SYSDBA",
                                               texto::DeUtf8(soporte_bd::kClave), Quien::Todas);
  EXPECT_EQ(o.estado, Ocupacion::Estado::SinServidor);
}

// The terminal closes while the wizard waits: the file may go back, and the
// log says why it waited and that the wait is over.
TEST(Conexiones, EsperaAQueElTerminalSeCierre) {
  SinPausas sinPausas;
  BaseTemporal base("20.21.1.8");
  auto caja = base.Conecta();
  std::vector<Texto> log;
  int bombeos = 0;
  const bool libre = basedatos::EsperaQueSeCierreLaBaseDatos(
      Nombre(base.Ruta()), u"SYSDBA", texto::DeUtf8(soporte_bd::kClave),
      [&](const Texto& l) { log.push_back(l); },
      [&] {
        if (++bombeos == 3) caja.reset();
      });
  EXPECT_TRUE(libre);
  EXPECT_GE(bombeos, 3);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(U8(log[0]),
            "La base de datos sigue abierta (queda 1 conexión): esperando a que se cierren Zelvano y Corvisto en "
            "todos los terminales para reponerla...");
  EXPECT_EQ(U8(log[1]), "La base de datos ya no tiene otras conexiones: se repone.");
}

// A terminal that stays connected: after the bound the file must stay as it
// is, and the log says so. A database nobody has open goes back at once,
// without a line.
TEST(Conexiones, TerminalQueNoSeCierraRetieneLaBaseDatos) {
  SinPausas sinPausas;
  BaseTemporal base("20.21.1.8");
  std::vector<Texto> log;
  auto Espera = [&] {
    return basedatos::EsperaQueSeCierreLaBaseDatos(Nombre(base.Ruta()), u"SYSDBA",
                                                   texto::DeUtf8(soporte_bd::kClave),
                                                   [&](const Texto& l) { log.push_back(l); }, [] {});
  };
  EXPECT_TRUE(Espera());
  EXPECT_TRUE(log.empty());

  auto caja1 = base.Conecta();
  auto caja2 = base.Conecta();
  EXPECT_FALSE(Espera());
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(U8(log[0]).rfind("La base de datos sigue abierta (quedan 2 conexiones): esperando", 0), 0u);
  EXPECT_EQ(U8(log[1]), "La base de datos sigue abierta (quedan 2 conexiones): no se repone.");
}

}  // namespace
