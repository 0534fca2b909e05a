// Durable whole-file replace through the Windows API: temporary name,
// FlushFileBuffers, then MoveFileExW replacing with write-through.
#include "platform/plataforma.h"
#include "platform/win32/win32_comun.h"

namespace plataforma {

using win32::R;

bool EscribeFicheroSeguro(const Texto& ruta, const std::string& bytes) {
  if (OperacionInyectable("escribe_seguro", ruta)) return false;
  const Texto temporal = ruta + u".nuevo";
  ::DeleteFileW(R(temporal));  // a leftover of an earlier attempt
  HANDLE h = ::CreateFileW(R(temporal), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool bien = true;
  size_t hecho = 0;
  while (bien && hecho < bytes.size()) {
    DWORD escritos = 0;
    const size_t resto = bytes.size() - hecho;
    const DWORD pedir = static_cast<DWORD>(resto > 0x40000000u ? 0x40000000u : resto);
    bien = ::WriteFile(h, bytes.data() + hecho, pedir, &escritos, nullptr) != 0;
    hecho += escritos;
  }
  bien = bien && ::FlushFileBuffers(h) != 0;
  DWORD error = ::GetLastError();
  if (!::CloseHandle(h) && bien) {
    bien = false;
    error = ::GetLastError();
  }
  if (bien && !::MoveFileExW(R(temporal), R(ruta), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    bien = false;
    error = ::GetLastError();
  }
  if (!bien) {
    ::DeleteFileW(R(temporal));
    ::SetLastError(error);
    return false;
  }
  ::SetLastError(0);
  return true;
}

bool SustituyeFichero(const Texto& nuevo, const Texto& destino) {
  HANDLE h = ::CreateFileW(R(nuevo), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool volcado = ::FlushFileBuffers(h) != 0;
  const DWORD error = ::GetLastError();
  ::CloseHandle(h);
  if (!volcado) {
    ::SetLastError(error);
    return false;
  }
  if (!::MoveFileExW(R(nuevo), R(destino), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return false;
  ::SetLastError(0);
  return true;
}

}  // namespace plataforma
