// Free space of a volume through the Windows API: the bytes available to
// the calling user (quotas included), not the volume's raw free count.
#include "platform/plataforma.h"
#include "platform/win32/win32_comun.h"

namespace plataforma {

bool EspacioLibre(const Texto& carpeta, uint64_t& libres) {
  ULARGE_INTEGER disponibles;
  if (!::GetDiskFreeSpaceExW(win32::W(carpeta), &disponibles, nullptr, nullptr)) return false;
  libres = disponibles.QuadPart;
  return true;
}

}  // namespace plataforma
