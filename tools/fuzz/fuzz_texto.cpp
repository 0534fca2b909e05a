// The text conversions every file name, configuration value and log line
// goes through. Promises: Windows-1252 bytes round-trip, UTF-8 out of any
// text is valid UTF-8 that reads back the same text (lone surrogates become
// U+FFFD), and UTF-8 in of any bytes never yields a lone surrogate.
#include "platform/texto.h"
#include "tools/fuzz/comun.h"

namespace {

bool SinSustitutosSueltos(const texto::Texto& t) {
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] >= 0xD800 && t[i] <= 0xDBFF) {
      if (i + 1 >= t.size() || t[i + 1] < 0xDC00 || t[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (t[i] >= 0xDC00 && t[i] <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  const std::string bytes(reinterpret_cast<const char*>(datos), n);

  const texto::Texto ansi = texto::DeCp1252(bytes);
  FUZZ_COMPRUEBA(ansi.size() == n && texto::ACp1252(ansi) == bytes);

  const texto::Texto utf8 = texto::DeUtf8(bytes);
  FUZZ_COMPRUEBA(utf8.size() <= n);
  FUZZ_COMPRUEBA(texto::DeUtf8(texto::AUtf8(utf8)) == utf8);

  texto::Texto utf16;
  for (size_t i = 0; i + 1 < n; i += 2) utf16 += static_cast<char16_t>(datos[i] | (datos[i + 1] << 8));
  const texto::Texto vuelta = texto::DeUtf8(texto::AUtf8(utf16));
  FUZZ_COMPRUEBA(vuelta.size() == utf16.size() && SinSustitutosSueltos(vuelta));
  if (SinSustitutosSueltos(utf16)) FUZZ_COMPRUEBA(vuelta == utf16);
  FUZZ_COMPRUEBA(texto::ALatin1(utf16).size() == utf16.size());
  FUZZ_COMPRUEBA(texto::ACp1252(utf16).size() == utf16.size());
  for (const texto::Texto& linea : texto::PartePorLineas(utf16))
    FUZZ_COMPRUEBA(linea.find_first_of(u"\r\n") == texto::Texto::npos);
  return 0;
}
