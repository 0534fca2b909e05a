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

bool DatosVolumen(const Texto& carpeta, uint64_t& unidad, Texto& volumen) {
  // The cluster size is asked of the volume's root (a mount point included).
  wchar_t raiz[MAX_PATH + 1] = {};
  if (!::GetVolumePathNameW(win32::W(carpeta), raiz, MAX_PATH)) return false;
  DWORD sectoresPorCluster = 0, bytesPorSector = 0, libres = 0, total = 0;
  if (!::GetDiskFreeSpaceW(raiz, &sectoresPorCluster, &bytesPorSector, &libres, &total)) return false;
  unidad = static_cast<uint64_t>(sectoresPorCluster) * bytesPorSector;
  if (unidad == 0) unidad = 1;
  volumen.clear();
  for (const wchar_t* p = raiz; *p; ++p) volumen += texto::MayusculaSimple(static_cast<char16_t>(*p));
  return true;
}

}  // namespace plataforma
