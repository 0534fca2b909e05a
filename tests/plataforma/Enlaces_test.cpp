// Which reparse points the Windows build takes for links, from the find data
// of real entries: the attributes and the reparse tag (dwReserved0). Only
// links are passed over by the copy and removed as links by the delete;
// deduplicated, compressed and cloud placeholder files are the shop's data
// and must be saved. Wine makes no reparse point but its own Unix links, so
// the rule is checked on this table of records.
#include <gtest/gtest.h>

#include "platform/plataforma.h"
#include "platform/win32/enlaces.h"

namespace {

using namespace plataforma;

struct Registro {
  const char* que;
  uint32_t atributos;  // dwFileAttributes
  uint32_t etiqueta;   // dwReserved0
  bool enlace;
};

constexpr uint32_t kArchivo = ATR_ARCHIVO, kCarpeta = ATR_DIRECTORIO, kReparse = ATR_PUNTO_REPARSE;
constexpr uint32_t kDisperso = 0x200, kFueraDeLinea = 0x1000, kComprimido = 0x800;

const Registro kRegistros[] = {
    {"enlace simbólico a un fichero", kArchivo | kReparse, 0xA000000C, true},
    {"enlace simbólico a una carpeta", kCarpeta | kReparse, 0xA000000C, true},
    {"unión (junction)", kCarpeta | kReparse, 0xA0000003, true},
    {"enlace simbólico de WSL", kArchivo | kReparse, 0xA000001D, true},
    {"enlace de Unix bajo Wine (sin etiqueta)", kCarpeta | kReparse, 0, true},
    {"fichero deduplicado", kArchivo | kReparse | kDisperso, 0x80000013, false},
    {"fichero comprimido por WOF", kArchivo | kReparse | kDisperso, 0x80000017, false},
    {"marcador de nube sin descargar", kArchivo | kReparse | kFueraDeLinea, 0x9000001A, false},
    {"carpeta de nube", kCarpeta | kReparse, 0x9000701A, false},
    {"fichero de almacenamiento jerárquico", kArchivo | kReparse | kFueraDeLinea, 0xC0000004, false},
    {"alias de ejecución de aplicación", kArchivo | kReparse, 0x8000001B, false},
    {"fichero normal con dwReserved0 sin sentido", kArchivo | kComprimido, 0xA000000C, false},
    {"carpeta normal", kCarpeta, 0, false},
};

TEST(EnlacesWindows, SoloLosEnlacesConservanElAtributoDePuntoDeReparse) {
  for (const Registro& r : kRegistros) {
    SCOPED_TRACE(r.que);
    const uint32_t vistos = win32::AtributosVistos(r.atributos, r.etiqueta);
    EXPECT_EQ((vistos & ATR_PUNTO_REPARSE) != 0, r.enlace);
    // Nothing else of the entry changes: a folder stays a folder, a file
    // keeps its other attributes.
    EXPECT_EQ(vistos & ~ATR_PUNTO_REPARSE, r.atributos & ~ATR_PUNTO_REPARSE);
  }
}

}  // namespace
