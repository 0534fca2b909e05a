// Clock, pauses, system facts, shell, own path, resources and locale through
// the Windows API.
#include "platform/plataforma.h"
#include "platform/win32/win32_comun.h"

#include <shellapi.h>
#include <shlobj.h>

#include <atomic>

namespace plataforma {

using win32::T;
using win32::W;

int64_t ContadorRendimiento() {
  LARGE_INTEGER v;
  ::QueryPerformanceCounter(&v);
  return v.QuadPart;
}

int64_t FrecuenciaRendimiento() {
  LARGE_INTEGER v;
  ::QueryPerformanceFrequency(&v);
  return v.QuadPart;
}

bool PausaFijada(uint32_t milisegundos);  // platform/comun/espera.cpp

void Duerme(uint32_t milisegundos) {
  const uint32_t pausa = win32::PausaDePrueba(milisegundos);
  if (!PausaFijada(pausa)) ::Sleep(pausa);
}

Texto NombreEquipo(size_t tamano) {
  std::vector<wchar_t> buf(tamano + 1, 0);
  DWORD n = static_cast<DWORD>(tamano);
  if (tamano == 0 || !::GetComputerNameW(buf.data(), &n)) return Texto();
  return T(buf.data(), n);
}

VersionSistema LeeVersionSistema() {
  // The 284-byte record (the extended form) with its size filled in.
  OSVERSIONINFOEXW info;
  ZeroMemory(&info, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  VersionSistema v;
  if (::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
    v.mayor = info.dwMajorVersion;
    v.menor = info.dwMinorVersion;
    v.plataforma = info.dwPlatformId;
  }
  return v;
}

bool EsWow64() {
  using Funcion = BOOL(WINAPI*)(HANDLE, PBOOL);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32");
  if (!kernel) return false;
  FARPROC p = ::GetProcAddress(kernel, "IsWow64Process");
  if (!p) return false;
  Funcion f = reinterpret_cast<Funcion>(reinterpret_cast<void (*)()>(p));
  BOOL wow = FALSE;
  return f(::GetCurrentProcess(), &wow) && wow;
}

void AbreDireccion(const Texto& direccion) {
  ::ShellExecuteW(::GetActiveWindow(), nullptr, W(direccion), nullptr, nullptr, SW_SHOWNORMAL);
}

void NotificaCambioAsociaciones() { ::SHChangeNotify(SHCNE_ASSOCCHANGED, 0, nullptr, nullptr); }

Texto RutaEjecutable() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return Texto();
    if (n < buf.size()) return T(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

Texto CarpetaEjecutable() {
  Texto ruta = RutaEjecutable();
  size_t corte = ruta.find_last_of(u"\\/");
  return corte == Texto::npos ? Texto() : ruta.substr(0, corte + 1);
}

bool LeeRecurso(uint16_t tipo, const Texto& nombre, uint16_t idioma, std::string& datos) {
  if (OperacionInyectable("recurso", nombre)) return false;
  HRSRC r = ::FindResourceExW(nullptr, MAKEINTRESOURCEW(tipo), W(nombre), idioma);
  if (!r) return false;
  HGLOBAL g = ::LoadResource(nullptr, r);
  if (!g) return false;
  const void* p = ::LockResource(g);
  const DWORD tam = ::SizeofResource(nullptr, r);
  if (!p) return false;
  datos.assign(static_cast<const char*>(p), tam);
  return true;
}

namespace {

Texto InfoLocale(LCTYPE tipo) {
  wchar_t buf[16] = {};
  int n = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, tipo, buf, 16);
  return n > 1 ? T(buf) : Texto();
}

}  // namespace

std::string AAnsi(const Texto& t) {
  if (t.empty()) return {};
  const auto* w = reinterpret_cast<const wchar_t*>(t.data());
  const int largo = static_cast<int>(t.size());
  const int n = ::WideCharToMultiByte(CP_ACP, 0, w, largo, nullptr, 0, nullptr, nullptr);
  std::string r(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_ACP, 0, w, largo, r.data(), n, nullptr, nullptr);
  return r;
}

Texto DeAnsi(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int largo = static_cast<int>(bytes.size());
  const int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), largo, nullptr, 0);
  std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), largo, w.data(), n);
  return Texto(w.begin(), w.end());
}

namespace {

// Read once, as the application's format settings are at start-up: the
// counter and the size panel format numbers for every log line, and each
// lookup reads the user's settings from the registry. Zero: not read yet.
std::atomic<char16_t> separadorDecimal{0};
std::atomic<char16_t> separadorMiles{0};

char16_t Separador(std::atomic<char16_t>& guardado, LCTYPE tipo, char16_t siNoHay) {
  char16_t c = guardado.load();
  if (c == 0) {
    const Texto s = InfoLocale(tipo);
    c = s.empty() ? siNoHay : s[0];
    guardado.store(c);
  }
  return c;
}

}  // namespace

char16_t SeparadorDecimal() { return Separador(separadorDecimal, LOCALE_SDECIMAL, u','); }
char16_t SeparadorMiles() { return Separador(separadorMiles, LOCALE_STHOUSAND, u'.'); }

void ConfiguracionRegionalCambiada() {
  separadorDecimal.store(0);
  separadorMiles.store(0);
}

Texto FechaCortaActual() {
  wchar_t buf[80] = {};
  int n = ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, buf, 80);
  return n > 1 ? T(buf) : Texto();
}

Texto HoraLargaActual() {
  wchar_t buf[80] = {};
  int n = ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, buf, 80);
  return n > 1 ? T(buf) : Texto();
}

}  // namespace plataforma
