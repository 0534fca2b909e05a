// Files and folders through the Windows API.
#include "platform/plataforma.h"
#include "platform/win32/enlaces.h"
#include "platform/win32/win32_comun.h"

namespace plataforma {

using win32::R;
using win32::T;
using win32::W;

uint32_t UltimoError() { return ::GetLastError(); }

struct Busqueda::Estado {
  HANDLE h = INVALID_HANDLE_VALUE;
};

Busqueda::Busqueda() = default;
Busqueda::~Busqueda() { Cierra(); }

namespace {

void Copia(const WIN32_FIND_DATAW& d, EntradaDirectorio& e) {
  e.nombre = T(d.cFileName);
  e.atributos = win32::AtributosVistos(d.dwFileAttributes, d.dwReserved0);
  e.tamano = (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

}  // namespace

bool Busqueda::Primero(const Texto& patron, EntradaDirectorio& entrada) {
  Cierra();
  if (OperacionInyectable("lista", patron)) return false;
  WIN32_FIND_DATAW d;
  HANDLE h = ::FindFirstFileW(R(patron), &d);
  if (h == INVALID_HANDLE_VALUE) return false;
  estado_ = std::make_unique<Estado>();
  estado_->h = h;
  Copia(d, entrada);
  return true;
}

bool Busqueda::Siguiente(EntradaDirectorio& entrada) {
  if (!estado_) {
    ::SetLastError(ERROR_NO_MORE_FILES);
    return false;
  }
  WIN32_FIND_DATAW d;
  if (!::FindNextFileW(estado_->h, &d)) return false;
  if (OperacionInyectable("siguiente", T(d.cFileName))) return false;
  Copia(d, entrada);
  return true;
}

void Busqueda::Cierra() {
  if (estado_ && estado_->h != INVALID_HANDLE_VALUE) ::FindClose(estado_->h);
  estado_.reset();
}

namespace {

// From this size on a copy runs on a thread of its own while this one, the
// windows' thread, waits with a beat every few tens of milliseconds: one
// large file must not leave the window unanswered (the system then calls it
// not responding). A copy's own progress routine would do on Windows, but
// Wine never calls it. Smaller files are copied right here, as before.
constexpr uint64_t kCopiaConLatido = uint64_t{16} << 20;

struct CopiaEnCurso {
  const wchar_t* origen;
  const wchar_t* destino;
  BOOL fallaSiExiste;
  BOOL bien = FALSE;
  DWORD error = 0;
};

DWORD WINAPI CopiaAparte(void* p) {
  auto* c = static_cast<CopiaEnCurso*>(p);
  c->bien = ::CopyFileW(c->origen, c->destino, c->fallaSiExiste);
  c->error = c->bien ? 0 : ::GetLastError();
  return 0;
}

// CopyFileW, with the window's beat while a large file goes.
BOOL CopiaConLatido(const Texto& origen, const Texto& destino, BOOL fallaSiExiste) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!Latidos::Hay() || !::GetFileAttributesExW(R(origen), GetFileExInfoStandard, &d) ||
      ((static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow) < kCopiaConLatido)
    return ::CopyFileW(R(origen), R(destino), fallaSiExiste);
  const win32::RutaW desde(origen), hacia(destino);
  CopiaEnCurso c{desde, hacia, fallaSiExiste};
  HANDLE hilo = ::CreateThread(nullptr, 0, CopiaAparte, &c, 0, nullptr);
  if (!hilo) return ::CopyFileW(R(origen), R(destino), fallaSiExiste);
  win32::EsperaConLatido(hilo);
  ::SetLastError(c.error);
  return c.bien;
}

}  // namespace

void win32::EsperaConLatido(HANDLE hilo) {
  Latidos latidos;
  while (::MsgWaitForMultipleObjects(1, &hilo, FALSE, kIntervaloLatidoMs, QS_ALLINPUT) != WAIT_OBJECT_0) {
    latidos.Late();
    // What the beat left in the queue waits for the next one, without
    // waking this loop again meanwhile.
    ::GetQueueStatus(QS_ALLINPUT);
  }
  ::CloseHandle(hilo);
}

// The destination keeps its old content until the new one is complete: the
// copy goes to a name beside it that then replaces it, so a copy that fails
// half-way (disk full, source unreadable) never leaves it truncated. The
// refusals of CopyFileW on an existing destination are kept.
bool CopiaFichero(const Texto& origen, const Texto& destino, bool fallaSiExiste) {
  if (OperacionInyectable("copia", destino)) return false;
  // Most copies make a new file: tried first as such, a destination that
  // does not exist is looked up once (under Wine, looking up a missing name
  // reads its whole folder).
  if (CopiaConLatido(origen, destino, TRUE)) {
    win32::AnotaEscrito(destino);
    return true;
  }
  const DWORD motivo = ::GetLastError();
  if (fallaSiExiste || (motivo != ERROR_FILE_EXISTS && motivo != ERROR_ALREADY_EXISTS)) return false;
  const DWORD previo = ::GetFileAttributesW(R(destino));
  if (previo == INVALID_FILE_ATTRIBUTES) return false;
  if (previo & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  // A name already near the 255-character limit takes a short one.
  const size_t inicio = destino.find_last_of(u"\\/") == Texto::npos ? 0 : destino.find_last_of(u"\\/") + 1;
  const Texto temporal = destino.size() - inicio + 9 <= 255 ? destino + u".~zelvano"
                                                            : destino.substr(0, inicio) + u"~zelvano.tmp";
  if (!CopiaConLatido(origen, temporal, FALSE)) return false;
  if (!::MoveFileExW(R(temporal), R(destino), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD error = ::GetLastError();
    ::DeleteFileW(R(temporal));
    ::SetLastError(error);
    return false;
  }
  win32::AnotaEscrito(destino);
  return true;
}

bool BorraFichero(const Texto& ruta) {
  return !OperacionInyectable("borra", ruta) && ::DeleteFileW(R(ruta)) != 0;
}
bool CreaDirectorio(const Texto& ruta) {
  return !OperacionInyectable("crea_carpeta", ruta) && ::CreateDirectoryW(R(ruta), nullptr) != 0;
}
bool EliminaDirectorio(const Texto& ruta) {
  return !OperacionInyectable("elimina_carpeta", ruta) && ::RemoveDirectoryW(R(ruta)) != 0;
}
bool Mueve(const Texto& origen, const Texto& destino) {
  if (OperacionInyectable("mueve", origen) || !::MoveFileExW(R(origen), R(destino), 0)) return false;
  win32::AnotaEscrito(destino);
  return true;
}
bool PonAtributos(const Texto& ruta, uint32_t atributos) {
  return !OperacionInyectable("atributos", ruta) && ::SetFileAttributesW(R(ruta), atributos) != 0;
}
namespace {

// The reparse tag of one entry, from its own directory entry (0, taken for a
// link, when it cannot be read).
uint32_t EtiquetaReparse(Texto ruta) {
  while (ruta.size() > 1 && (ruta.back() == u'\\' || ruta.back() == u'/')) ruta.pop_back();
  WIN32_FIND_DATAW d;
  const HANDLE h = ::FindFirstFileW(R(ruta), &d);
  if (h == INVALID_HANDLE_VALUE) return 0;
  ::FindClose(h);
  return (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? d.dwReserved0 : 0;
}

}  // namespace

uint32_t LeeAtributos(const Texto& ruta) {
  const DWORD a = ::GetFileAttributesW(R(ruta));
  if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_REPARSE_POINT)) return a;
  const DWORD error = ::GetLastError();
  const uint32_t vistos = win32::AtributosVistos(a, EtiquetaReparse(ruta));
  ::SetLastError(error);
  return vistos;
}

bool ExisteFichero(const Texto& ruta) {
  const DWORD a = ::GetFileAttributesW(R(ruta));
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ExisteDirectorio(const Texto& ruta) {
  const DWORD a = ::GetFileAttributesW(R(ruta));
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool TamanoFichero(const Texto& ruta, uint64_t& tamano) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!::GetFileAttributesExW(R(ruta), GetFileExInfoStandard, &d)) return false;
  tamano = (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
  return true;
}

bool LeeFicheroCompleto(const Texto& ruta, std::string& bytes) {
  if (OperacionInyectable("lee", ruta)) return false;
  HANDLE h = ::CreateFileW(R(ruta), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  std::string datos;
  char buf[1 << 15];
  DWORD leidos = 0;
  bool bien = true;
  for (;;) {
    if (!::ReadFile(h, buf, sizeof buf, &leidos, nullptr)) {
      bien = false;
      break;
    }
    if (leidos == 0) break;
    datos.append(buf, leidos);
  }
  const DWORD error = ::GetLastError();
  ::CloseHandle(h);
  if (!bien) {
    ::SetLastError(error);
    return false;
  }
  bytes.swap(datos);
  return true;
}

namespace {

bool Escribe(const Texto& ruta, const std::string& bytes, bool anade) {
  if (OperacionInyectable("escribe", ruta)) return false;
  HANDLE h = ::CreateFileW(R(ruta), anade ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           anade ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  size_t hecho = 0;
  bool bien = true;
  while (hecho < bytes.size()) {
    DWORD escritos = 0;
    const DWORD pedir = static_cast<DWORD>(bytes.size() - hecho > 0x40000000u ? 0x40000000u : bytes.size() - hecho);
    if (!::WriteFile(h, bytes.data() + hecho, pedir, &escritos, nullptr)) {
      bien = false;
      break;
    }
    hecho += escritos;
  }
  const DWORD error = ::GetLastError();
  if (!::CloseHandle(h)) bien = false;
  if (!bien) ::SetLastError(error);
  else win32::AnotaEscrito(ruta);
  return bien;
}

}  // namespace

bool EscribeFicheroCompleto(const Texto& ruta, const std::string& bytes) { return Escribe(ruta, bytes, false); }
bool AnadeAFichero(const Texto& ruta, const std::string& bytes) { return Escribe(ruta, bytes, true); }

// ---- Profile files -------------------------------------------------------

Texto LeePerfil(const Texto& fichero, const Texto& seccion, const Texto& clave, const Texto& defecto,
                size_t tamanoBuffer, bool* leido) {
  if (leido) {
    // GetPrivateProfileStringW gives the default for a file it cannot read.
    *leido = true;
    if (::GetFileAttributesW(R(fichero)) != INVALID_FILE_ATTRIBUTES) {
      const HANDLE h = ::CreateFileW(R(fichero), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h == INVALID_HANDLE_VALUE) *leido = false;
      else ::CloseHandle(h);
    }
  }
  if (tamanoBuffer == 0) return Texto();
  std::vector<wchar_t> buf(tamanoBuffer);
  const DWORD n = ::GetPrivateProfileStringW(W(seccion), W(clave), W(defecto), buf.data(),
                                             static_cast<DWORD>(tamanoBuffer), W(fichero));
  return T(buf.data(), n);
}

bool EscribePerfil(const Texto& fichero, const Texto& seccion, const Texto& clave, const Texto& valor) {
  if (OperacionInyectable("perfil", fichero)) return false;
  return ::WritePrivateProfileStringW(W(seccion), W(clave), W(valor), W(fichero)) != 0;
}

// ---- Version resources ---------------------------------------------------

uint32_t TamanoInfoVersion(const Texto& fichero) {
  DWORD manejador = 0;
  return ::GetFileVersionInfoSizeW(W(fichero), &manejador);
}

bool LeeInfoVersion(const Texto& fichero, std::vector<uint8_t>& bloque) {
  const DWORD tam = TamanoInfoVersion(fichero);
  if (tam == 0) return false;
  bloque.assign(tam, 0);
  return ::GetFileVersionInfoW(W(fichero), 0, tam, bloque.data()) != 0;
}

bool ConsultaVersion(const std::vector<uint8_t>& bloque, const Texto& subbloque, const uint8_t*& valor,
                     uint32_t& longitud) {
  if (bloque.empty()) return false;
  void* p = nullptr;
  UINT n = 0;
  if (!::VerQueryValueW(bloque.data(), W(subbloque), &p, &n) || !p) return false;
  valor = static_cast<const uint8_t*>(p);
  longitud = n;
  return true;
}

}  // namespace plataforma
