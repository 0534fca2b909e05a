// "Zelvano_Start.exe" comes from the installation: any bytes may stand in
// its place. The whole version lookup of start-up runs on them, and the raw
// bytes are also walked as a version block on their own.
#include "platform/plataforma.h"
#include "shell/UnidadVentas.h"
#include "tools/fuzz/comun.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  const texto::Texto ruta = fuzz::EscribeEntrada("version", datos, n);
  const texto::Texto version = TfV::VersionFichero(ruta, u"FileVersion");
  FUZZ_COMPRUEBA(version == u"(null)" || version.size() <= n / 2);

  const std::vector<uint8_t> bloque(datos, datos + n);
  for (const char16_t* sub : {u"\\VarFileInfo\\Translation", u"\\StringFileInfo\\0C0A04E4\\FileVersion", u"\\"}) {
    const uint8_t* valor = nullptr;
    uint32_t longitud = 0;
    if (!plataforma::ConsultaVersion(bloque, sub, valor, longitud)) continue;
    FUZZ_COMPRUEBA(valor >= bloque.data() && valor <= bloque.data() + bloque.size());
    volatile uint8_t suma = 0;
    for (const uint8_t* p = valor; p < bloque.data() + bloque.size(); ++p) suma = static_cast<uint8_t>(suma + *p);
  }
  return 0;
}
