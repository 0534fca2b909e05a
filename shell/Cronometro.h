// Elapsed seconds between two performance-counter readings.
#pragma once

#include <cstdint>

// Zero when the frequency was never read (no run has started yet): there is
// no valid divisor then.
double SegundosEntre(int64_t inicio, int64_t fin, int64_t frecuencia);
