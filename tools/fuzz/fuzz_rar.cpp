// The archive the extraction stand-in unpacks: headers, names, stored data
// and the method 0x35 decoder. Every entry is decoded in order into a sink
// (nothing is written to disk). Most mutations break a header checksum and
// would stop at the first block, so when the first byte is odd the target
// mends every header checksum first and lets the fuzzer reach the headers'
// fields and the packed data behind them.
#include <filesystem>

#include "tools/fuzz/comun.h"
#include "staging/rar/cabeceras.h"
#include "staging/rar/crc32.h"
#include "tools/rar/error.h"
#include "tools/rar/lector.h"
#include "staging/rar/nombres.h"

namespace {

uint32_t Le16(const std::vector<uint8_t>& v, size_t p) { return v[p] | (v[p + 1] << 8); }

void ArreglaCabeceras(std::vector<uint8_t>& v) {
  size_t pos = 7;
  while (pos + 7 <= v.size()) {
    const size_t tam = Le16(v, pos + 5);
    if (tam < 7 || pos + tam > v.size()) return;
    const uint16_t crc = zelvano::rar::crc16_cabecera(v.data() + pos + 2, tam - 2);
    v[pos] = static_cast<uint8_t>(crc);
    v[pos + 1] = static_cast<uint8_t>(crc >> 8);
    uint64_t datos = 0;
    if ((Le16(v, pos + 3) & zelvano::rar::kBloqueLargo) && tam >= 11)
      datos = Le16(v, pos + 7) | (static_cast<uint64_t>(Le16(v, pos + 9)) << 16);
    pos += tam + datos;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  if (n < 1) return 0;
  std::vector<uint8_t> archivo(datos + 1, datos + n);
  if (datos[0] & 1) ArreglaCabeceras(archivo);
  const texto::Texto ruta = fuzz::EscribeEntrada("rar", archivo.data(), archivo.size());
  try {
    zelvano::rar::LectorRar lector{std::filesystem::u8path(texto::AUtf8(ruta))};
    for (size_t i = 0; i < lector.entradas().size(); ++i) {
      const zelvano::rar::Entrada& e = lector.entradas()[i];
      if (zelvano::rar::nombre_seguro(e.nombre)) zelvano::rar::ruta_destino("/destino", e.nombre);
      uint64_t producido = 0;
      lector.lee(i, [&](const uint8_t*, size_t m) { producido += m; });
      // A file whose CRC matched has its whole size; a folder has no data.
      FUZZ_COMPRUEBA(producido == (e.carpeta ? 0 : e.tam));
    }
  } catch (const zelvano::rar::ErrorRar&) {
  }
  return 0;
}
