// The product injects no faults: the seam exists for the posix tests only.
#include "platform/plataforma.h"

namespace plataforma {

bool OperacionInyectable(const char*, const Texto&) { return false; }

}  // namespace plataforma
