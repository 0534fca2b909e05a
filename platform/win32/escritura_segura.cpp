// Durable writes through the Windows API: the whole-file replace (temporary
// name, FlushFileBuffers, then MoveFileExW replacing with write-through) and
// the flush of a volume at a boundary of the run.
#include <algorithm>
#include <map>
#include <vector>

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

namespace {

// Files written since the last boundary, for when the volume cannot be
// opened (a process without administrator rights). A flush runs on a worker
// thread while the window's thread goes on: the list is shared under a lock.
std::vector<Texto>& Escritos() {
  static std::vector<Texto> escritos;
  return escritos;
}
SRWLOCK gCerrojoEscritos = SRWLOCK_INIT;

struct CerrojoEscritos {
  CerrojoEscritos() { ::AcquireSRWLockExclusive(&gCerrojoEscritos); }
  ~CerrojoEscritos() { ::ReleaseSRWLockExclusive(&gCerrojoEscritos); }
  CerrojoEscritos(const CerrojoEscritos&) = delete;
  CerrojoEscritos& operator=(const CerrojoEscritos&) = delete;
};

std::vector<Texto> CopiaEscritos() {
  CerrojoEscritos cerrojo;
  return Escritos();
}

// "\\.\C:" for a folder on drive C:; empty when the folder has no drive
// letter of its own (a share, a mounted folder).
Texto Volumen(const Texto& carpeta) {
  wchar_t raiz[MAX_PATH + 1] = {};
  if (!::GetVolumePathNameW(win32::W(carpeta), raiz, MAX_PATH)) return Texto();
  const Texto r = win32::T(raiz);
  if (r.size() < 2 || r[1] != u':') return Texto();
  return Texto(u"\\\\.\\") + r.substr(0, 2);
}

bool VuelcaManejador(HANDLE h) {
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool bien = ::FlushFileBuffers(h) != 0;
  const DWORD error = ::GetLastError();
  ::CloseHandle(h);
  if (!bien) ::SetLastError(error);
  return bien;
}

}  // namespace

namespace win32 {
void AnotaEscrito(const Texto& ruta) {
  CerrojoEscritos cerrojo;
  Escritos().push_back(ruta);
}
}  // namespace win32

void AnotaEscritoPorOtro(const Texto& ruta) { win32::AnotaEscrito(ruta); }

namespace {

// Takes out of the list the files that the flush just made durable: those
// it had when the flush began, and of them only those on `volumen` when a
// whole volume was flushed (a file on another volume, or on a share, is
// still waiting for its own flush).
void OlvidaVolcados(const std::vector<Texto>& volcados, const Texto& volumen) {
  std::vector<Texto> quedan;
  if (!volumen.empty()) {
    std::map<Texto, bool> enElVolumen;  // by folder: many files share one
    for (const Texto& ruta : volcados) {
      const size_t barra = ruta.find_last_of(u"\\/");
      const Texto carpeta = barra == Texto::npos ? ruta : ruta.substr(0, barra + 1);
      auto it = enElVolumen.find(carpeta);
      if (it == enElVolumen.end()) it = enElVolumen.emplace(carpeta, Volumen(carpeta) == volumen).first;
      if (!it->second) quedan.push_back(ruta);
    }
  }
  CerrojoEscritos cerrojo;
  std::vector<Texto>& escritos = Escritos();
  // Whatever was written while the flush ran comes after the copy taken.
  const size_t hechos = std::min(volcados.size(), escritos.size());
  escritos.erase(escritos.begin(), escritos.begin() + static_cast<std::ptrdiff_t>(hechos));
  escritos.insert(escritos.begin(), quedan.begin(), quedan.end());
}

bool VuelcaAhora(const Texto& carpeta) {
  const std::vector<Texto> escritos = CopiaEscritos();
  const Texto volumen = Volumen(carpeta);
  if (!volumen.empty() &&
      VuelcaManejador(::CreateFileW(win32::W(volumen), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr))) {
    OlvidaVolcados(escritos, volumen);
    ::SetLastError(0);
    return true;
  }
  // One file at a time: a file that is gone since (moved on, deleted) has
  // nothing left to flush; one still there that cannot be flushed fails it.
  for (const Texto& ruta : escritos) {
    const DWORD a = ::GetFileAttributesW(R(ruta));
    if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (!VuelcaManejador(::CreateFileW(R(ruta), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)))
      return false;
  }
  OlvidaVolcados(escritos, Texto());
  ::SetLastError(0);
  return true;
}

struct VolcadoEnCurso {
  Texto carpeta;
  bool bien = false;
  DWORD error = 0;
};

DWORD WINAPI VuelcaAparte(void* p) {
  auto* v = static_cast<VolcadoEnCurso*>(p);
  v->bien = VuelcaAhora(v->carpeta);
  v->error = v->bien ? 0 : ::GetLastError();
  return 0;
}

}  // namespace

// Flushing a volume after a large copy can take seconds: it runs apart while
// the window keeps its beat, as the copy itself does.
bool VuelcaVolumen(const Texto& carpeta) {
  if (OperacionInyectable("vuelca", carpeta)) return false;
  if (!Latidos::Hay()) return VuelcaAhora(carpeta);
  VolcadoEnCurso v{carpeta};
  HANDLE hilo = ::CreateThread(nullptr, 0, VuelcaAparte, &v, 0, nullptr);
  if (!hilo) return VuelcaAhora(carpeta);
  win32::EsperaConLatido(hilo);
  ::SetLastError(v.error);
  return v.bien;
}

}  // namespace plataforma
