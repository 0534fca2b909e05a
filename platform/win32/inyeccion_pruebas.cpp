// The fault seam of the Windows executable's test build
// (Act_202103_a_202128_pruebas.exe), never linked into the shipped one: the
// same variables as the posix seam, so that a test walks N over a whole run
// under Wine as it does on Linux. File operations fail with the Windows
// error the test names: access denied (the default), a sharing violation,
// a full disk or a path too long; the process ends at once, as the task
// manager would end it, just before the Nth operation.
//   ZELVANO_FALLO_EN=N, ZELVANO_FALLO_ERROR=denegado|compartir|disco_lleno|ruta_larga
//   ZELVANO_MATA_EN=N, ZELVANO_TRAZA_OPERACIONES=file ("N kind path" a line)
//   ZELVANO_FACTOR_PAUSAS=0..1 shortens every fixed pause
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "platform/plataforma.h"
#include "platform/win32/win32_comun.h"

namespace plataforma {

namespace {

struct Ajustes {
  bool activo = false;
  unsigned long falloEn = 0;  // 0: none
  unsigned long mataEn = 0;   // 0: none
  DWORD errorFicheros = ERROR_ACCESS_DENIED;
  std::wstring traza;
  double factorPausas = 1.0;
};

const wchar_t* Variable(const wchar_t* nombre) {
  const wchar_t* v = ::_wgetenv(nombre);
  return v && *v ? v : nullptr;
}

unsigned long Numero(const wchar_t* nombre) {
  const wchar_t* v = Variable(nombre);
  if (!v) return 0;
  wchar_t* fin = nullptr;
  const unsigned long n = std::wcstoul(v, &fin, 10);
  return *fin == L'\0' ? n : 0;
}

const Ajustes& Lee() {
  static const Ajustes ajustes = [] {
    Ajustes a;
    a.falloEn = Numero(L"ZELVANO_FALLO_EN");
    a.mataEn = Numero(L"ZELVANO_MATA_EN");
    if (const wchar_t* t = Variable(L"ZELVANO_TRAZA_OPERACIONES")) a.traza = t;
    if (const wchar_t* e = Variable(L"ZELVANO_FALLO_ERROR")) {
      if (std::wcscmp(e, L"compartir") == 0) a.errorFicheros = ERROR_SHARING_VIOLATION;
      else if (std::wcscmp(e, L"disco_lleno") == 0) a.errorFicheros = ERROR_DISK_FULL;
      else if (std::wcscmp(e, L"ruta_larga") == 0) a.errorFicheros = ERROR_FILENAME_EXCED_RANGE;
    }
    if (const wchar_t* f = Variable(L"ZELVANO_FACTOR_PAUSAS")) {
      wchar_t* fin = nullptr;
      const double v = std::wcstod(f, &fin);
      if (fin != f && v >= 0.0 && v <= 1.0) a.factorPausas = v;
    }
    a.activo = a.falloEn || a.mataEn || !a.traza.empty();
    return a;
  }();
  return ajustes;
}

unsigned long g_cuenta = 0;

void Traza(const Ajustes& a, unsigned long n, const char* tipo, const Texto& ruta) {
  if (a.traza.empty()) return;
  // Appended and closed at once: the line must survive the end that follows.
  const HANDLE f = ::CreateFileW(a.traza.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  const std::string linea = std::to_string(n) + " " + tipo + " " + texto::AUtf8(ruta) + "\n";
  DWORD escritos = 0;
  ::WriteFile(f, linea.data(), static_cast<DWORD>(linea.size()), &escritos, nullptr);
  ::CloseHandle(f);
}

}  // namespace

bool OperacionInyectable(const char* tipo, const Texto& ruta) {
  const Ajustes& a = Lee();
  if (!a.activo) return false;
  const unsigned long n = ++g_cuenta;
  const DWORD previo = ::GetLastError();
  Traza(a, n, tipo, ruta);
  if (n == a.mataEn) ::TerminateProcess(::GetCurrentProcess(), 1);
  if (n != a.falloEn) {
    ::SetLastError(previo);
    return false;
  }
  ::SetLastError(std::strncmp(tipo, "bd_", 3) == 0 ? ERROR_GEN_FAILURE : a.errorFicheros);
  return true;
}

namespace win32 {
uint32_t PausaDePrueba(uint32_t milisegundos) {
  return static_cast<uint32_t>(milisegundos * Lee().factorPausas);
}
}  // namespace win32

}  // namespace plataforma
