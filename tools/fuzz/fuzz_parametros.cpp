// The parameter check scans every statement before it is prepared. Its
// promises: a text without ':' or '?' passes unchanged, every marker becomes
// exactly one '?', and nothing but a marker's name is dropped.
#include "database/Parametros.h"
#include "tools/fuzz/comun.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  texto::Texto sentencia;
  for (size_t i = 0; i + 1 < n; i += 2) sentencia += static_cast<char16_t>(datos[i] | (datos[i + 1] << 8));
  const TextoMarcado r = MarcaParametros(sentencia);
  FUZZ_COMPRUEBA(r.marcadores >= 0 && r.texto.size() <= sentencia.size());
  if (sentencia.find_first_of(u":?") == texto::Texto::npos) {
    FUZZ_COMPRUEBA(r.texto == sentencia && r.marcadores == 0);
  }
  size_t preguntas = 0;
  for (char16_t c : r.texto) preguntas += c == u'?';
  FUZZ_COMPRUEBA(preguntas >= static_cast<size_t>(r.marcadores));
  // Scanning the result again finds the same markers: each is a bare '?'.
  FUZZ_COMPRUEBA(MarcaParametros(r.texto).texto == r.texto);
  return 0;
}
