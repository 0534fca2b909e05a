// Free space weighed in the volume's allocation units, end to end: 20,000
// files of 45 bytes in "Datos" are 0.9 MB of bytes but 78 MB of 4 KB units.
// On a volume (a tmpfs of fixed size) that has room for their bytes but not
// for their copy, the run is refused before anything is touched.
//
// Needs root to mount the volume: skipped otherwise, and says why.
#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/extremo/Arnes.h"

namespace {

using namespace prueba;

TEST(EspacioEnUnidades, VeinteMilFicherosPequenosNoCabenAunqueSusBytesSi) {
  if (::geteuid() != 0) GTEST_SKIP() << "sin volumen de tamaño fijo: hace falta ser root para montarlo";
  CarpetaTemporal carpeta;
  const fs::path punto = carpeta.Ruta() / "volumen";
  fs::create_directories(punto);
  if (std::system(("mount -t tmpfs -o size=200m tmpfs '" + punto.string() + "'").c_str()) != 0)
    GTEST_SKIP() << "sin volumen de tamaño fijo: no se ha podido montar un tmpfs";
  struct Desmonta {
    fs::path p;
    ~Desmonta() { std::system(("umount '" + p.string() + "'").c_str()); }
  } desmonta{punto};

  OpcionesInstalacion opciones;
  opciones.nombrePC = "CAJA1";
  opciones.baseDatos = false;
  const Instalacion inst = GeneraInstalacion(punto, opciones);
  const fs::path tickets = inst.aplicacion / "Datos" / "Tickets";
  fs::create_directories(tickets);
  for (int i = 0; i < 20000; ++i) EscribeFichero(tickets / ("T" + std::to_string(i) + ".dat"), std::string(45, 't'));
  // The fixture is what the finding needs: their bytes would fit many times
  // over in what is free, their units would not fit once.
  struct statvfs v;
  ASSERT_EQ(::statvfs(punto.c_str(), &v), 0);
  const uint64_t libres = static_cast<uint64_t>(v.f_bavail) * v.f_frsize;
  ASSERT_EQ(v.f_frsize, 4096u);
  ASSERT_GT(libres, 50u * 20000 * 45 + (50u << 20));

  const Resultado r = EjecutaAsistente(inst, kGuionCompleto);
  ASSERT_EQ(r.estado, 0) << r.salida;
  const std::vector<Json> dialogos = Dialogos(inst);
  ASSERT_EQ(dialogos.size(), 1u) << Textos(dialogos);
  EXPECT_EQ(Tipo(dialogos[0]), "33");
  const std::string texto = dialogos[0].Texto("texto");
  EXPECT_EQ(texto.rfind("No hay espacio suficiente en el disco de la instalación (", 0), 0u) << texto;
  EXPECT_NE(texto.find("Libere espacio en el disco y vuelva a intentarlo."), std::string::npos) << texto;
  // Refused before the save: nothing was copied.
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp" / "202103_202128"));
  EXPECT_TRUE(fs::exists(inst.aplicacion / "Zelvano.exe"));
}

}  // namespace
