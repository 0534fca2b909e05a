// The number formats take sizes from directory entries and seconds from a
// clock: any double, finite or not, must give a closed, bounded text.
#include <cstring>

#include "platform/texto.h"
#include "tools/fuzz/comun.h"

namespace {

void CompruebaCerrado(const texto::Texto& t) {
  FUZZ_COMPRUEBA(!t.empty() && t.size() < 512);
  for (char16_t c : t) FUZZ_COMPRUEBA((c >= 0x20 && c < 0x7F) || c == 0xA0 || c == 0x202F);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  for (size_t i = 0; i + sizeof(double) <= n; i += sizeof(double)) {
    double v;
    std::memcpy(&v, datos + i, sizeof v);
    CompruebaCerrado(texto::FormatoKB(v));
    CompruebaCerrado(texto::FormatoMB(v));
    CompruebaCerrado(texto::FormatoDosDecimales(v));
    CompruebaCerrado(texto::FormatoSegundos(v));
    const texto::Texto reloj = texto::FormatoReloj(v);
    CompruebaCerrado(reloj);
    FUZZ_COMPRUEBA(reloj.find(u'-') == texto::Texto::npos);
    long long entero;
    std::memcpy(&entero, datos + i, sizeof entero);
    CompruebaCerrado(texto::FormatoMiles(entero));
    CompruebaCerrado(texto::FormatoEntero(entero));
  }
  return 0;
}
