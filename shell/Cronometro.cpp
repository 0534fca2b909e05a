#include "shell/Cronometro.h"

double SegundosEntre(int64_t inicio, int64_t fin, int64_t frecuencia) {
  if (frecuencia <= 0) return 0.0;
  // Extended precision keeps the sub-microsecond part of long runs.
  return static_cast<double>(static_cast<long double>(fin - inicio) / static_cast<long double>(frecuencia));
}
