// Processes and the single-instance guard through the Windows API.
#include "platform/plataforma.h"
#include "platform/win32/win32_comun.h"

#include <tlhelp32.h>

#include <cstdio>
#include <set>

namespace plataforma {

using win32::W;

struct Proceso::Estado {
  HANDLE h = nullptr;
};

Proceso::Proceso() = default;
Proceso::~Proceso() { Cierra(); }

bool Proceso::Inicia(const Texto& lineaComandos) {
  Cierra();
  if (OperacionInyectable("proceso", lineaComandos)) return false;
  // CreateProcessW may write into the command line.
  std::vector<wchar_t> linea(lineaComandos.begin(), lineaComandos.end());
  linea.push_back(0);
  STARTUPINFOW si;
  ZeroMemory(&si, sizeof si);
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi;
  ZeroMemory(&pi, sizeof pi);
  if (!::CreateProcessW(nullptr, linea.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  ::CloseHandle(pi.hThread);
  estado_ = std::make_unique<Estado>();
  estado_->h = pi.hProcess;
  return true;
}

uint32_t Proceso::Espera(uint32_t milisegundos) {
  if (!estado_) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return ESPERA_FALLO;
  }
  switch (::WaitForSingleObject(estado_->h, milisegundos)) {
    case WAIT_OBJECT_0: return ESPERA_TERMINADO;
    case WAIT_TIMEOUT: return ESPERA_TIEMPO_AGOTADO;
    default: return ESPERA_FALLO;
  }
}

bool Proceso::CodigoSalida(uint32_t& codigo) {
  DWORD c = 0;
  if (!estado_ || !::GetExitCodeProcess(estado_->h, &c) || c == STILL_ACTIVE) return false;
  codigo = c;
  return true;
}

void Proceso::Cierra() {
  if (estado_ && estado_->h) ::CloseHandle(estado_->h);
  estado_.reset();
}

bool InstantaneaProcesos(std::vector<EntradaProceso>& procesos) {
  procesos.clear();
  if (OperacionInyectable("instantanea", u"")) return false;
  HANDLE h = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (h == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W e;
  ZeroMemory(&e, sizeof e);
  e.dwSize = sizeof e;
  for (BOOL hay = ::Process32FirstW(h, &e); hay; hay = ::Process32NextW(h, &e))
    procesos.push_back(EntradaProceso{e.th32ProcessID, win32::T(e.szExeFile)});
  ::CloseHandle(h);
  return true;
}

bool TerminaProcesoId(uint32_t id, uint32_t codigo) {
  if (OperacionInyectable("termina", texto::FormatoEntero(id))) return false;
  HANDLE h = ::OpenProcess(PROCESS_TERMINATE, FALSE, id);
  if (!h) return false;
  const bool bien = ::TerminateProcess(h, codigo) != 0;
  ::CloseHandle(h);
  return bien;
}

void FijaAfinidadHilo(uintptr_t mascara) { ::SetThreadAffinityMask(::GetCurrentThread(), mascara); }

bool CreaMutexUnico(const Texto& nombre) {
  // The handle is kept by the system until the process ends.
  ::SetLastError(0);
  HANDLE h = ::CreateMutexW(nullptr, FALSE, W(nombre));
  return h != nullptr && ::GetLastError() == 0;
}

bool BloqueaDeVida(const Texto& ruta) {
  static std::set<Texto> tomados;
  if (tomados.count(ruta)) {
    ::SetLastError(0);
    return true;
  }
  // No sharing at all: another process's open fails with a sharing
  // violation. The handle is kept by the system until the process ends.
  HANDLE h = ::CreateFileW(W(ruta), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  tomados.insert(ruta);
  ::SetLastError(0);
  return true;
}

void TerminaAplicacion(int estado) {
  std::fflush(nullptr);
  ::ExitProcess(static_cast<UINT>(estado));
}

}  // namespace plataforma
