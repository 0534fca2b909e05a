// The helper's commands on files and processes, and the one that drives a
// whole run as a technician who accepts everything.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "ordenes_internas.h"
#include "ventanas.h"

namespace ayudante {

// Holds the file open without sharing, as a running program holds its own
// executable, so that nobody can delete or replace it meanwhile; with
// "lectura", others may still read it (and so copy it) but not replace it.
int Bloquea(const Argumentos& a) {
  const bool lectura = a.size() > 2 && a[2] == L"lectura";
  if (a.size() > 2 && !lectura) return Falla("el tercer argumento solo puede ser \"lectura\"");
  HANDLE f = CreateFileW(a[0].c_str(), GENERIC_READ, lectura ? FILE_SHARE_READ : 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) {
    char b[64];
    std::snprintf(b, sizeof b, " (error %lu)", GetLastError());
    return Falla("no se pudo abrir \"" + Utf8(a[0]) + "\"" + b);
  }
  Escribe("bloqueado\n");
  Sleep(static_cast<DWORD>(Segundos(a, 1, 60) * 1000.0));
  CloseHandle(f);
  return 0;
}

// The file's attributes as letters (A, R, H, S, each or "-"), after setting
// or clearing read-only with "+r" / "-r": through the API, with the "\\?\"
// form, so that a path past 260 characters is reached too (the shell's
// attrib is not).
int Atributos(const Argumentos& a) {
  const std::wstring ruta = a[0].size() >= 248 && a[0].compare(0, 4, L"\\\\?\\") != 0 ? L"\\\\?\\" + a[0] : a[0];
  DWORD atributos = GetFileAttributesW(ruta.c_str());
  if (atributos == INVALID_FILE_ATTRIBUTES) return Falla("no se pueden leer los atributos de \"" + Utf8(a[0]) + "\"");
  if (a.size() > 1) {
    if (a[1] != L"+r" && a[1] != L"-r") return Falla("el segundo argumento solo puede ser +r o -r");
    atributos = a[1] == L"+r" ? (atributos | FILE_ATTRIBUTE_READONLY) : (atributos & ~FILE_ATTRIBUTE_READONLY);
    if (!SetFileAttributesW(ruta.c_str(), atributos & ~FILE_ATTRIBUTE_DIRECTORY))
      return Falla("no se pudieron cambiar los atributos de \"" + Utf8(a[0]) + "\"");
  }
  std::string letras;
  letras += atributos & FILE_ATTRIBUTE_ARCHIVE ? 'A' : '-';
  letras += atributos & FILE_ATTRIBUTE_READONLY ? 'R' : '-';
  letras += atributos & FILE_ATTRIBUTE_HIDDEN ? 'H' : '-';
  letras += atributos & FILE_ATTRIBUTE_SYSTEM ? 'S' : '-';
  Escribe(letras + "\n");
  return 0;
}

// Appends the text as one line to the file: registered as the handler of
// web addresses, it records every page the wizard opens.
int Anota(const Argumentos& a) {
  HANDLE f = CreateFileW(a[0].c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return Falla("no se pudo abrir \"" + Utf8(a[0]) + "\"");
  const std::string linea = Utf8(a[1]) + "\n";
  DWORD escritos = 0;
  const BOOL bien = WriteFile(f, linea.data(), static_cast<DWORD>(linea.size()), &escritos, nullptr);
  CloseHandle(f);
  return bien && escritos == linea.size() ? 0 : Falla("no se pudo escribir en \"" + Utf8(a[0]) + "\"");
}

// Copied into an installation as its "rar.exe", the helper receives the
// extraction command ("x ...") and stays there, as a tool that hangs on a
// large archive: the file named by ZELVANO_MARCA_EXTRACCION then says that
// the wizard is waiting for it, so that a test can end the wizard at that
// moment.
int ExtraccionParada(const Argumentos&) {
  const wchar_t* marca = _wgetenv(L"ZELVANO_MARCA_EXTRACCION");
  if (!marca || !*marca) return Falla("ZELVANO_MARCA_EXTRACCION no está definida");
  HANDLE f = CreateFileW(marca, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return Falla("no se pudo crear \"" + Utf8(marca) + "\"");
  CloseHandle(f);
  Sleep(600000);
  return 0;
}

// Ends every process of that executable name at once, as the task manager's
// "End task" does: no window message, no chance to clean up.
int Mata(const Argumentos& a) {
  HANDLE instantanea = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (instantanea == INVALID_HANDLE_VALUE) return Falla("no hay lista de procesos");
  PROCESSENTRY32W p{};
  p.dwSize = sizeof p;
  int muertos = 0;
  for (BOOL hay = Process32FirstW(instantanea, &p); hay; hay = Process32NextW(instantanea, &p)) {
    if (_wcsicmp(p.szExeFile, a[0].c_str()) != 0) continue;
    HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, p.th32ProcessID);
    if (!h) continue;
    if (TerminateProcess(h, 1)) {
      WaitForSingleObject(h, 10000);
      ++muertos;
    }
    CloseHandle(h);
  }
  CloseHandle(instantanea);
  if (muertos == 0) return Falla("ningún proceso \"" + Utf8(a[0]) + "\" terminado");
  Escribe(std::to_string(muertos) + "\n");
  return 0;
}

// ---- a whole run as a user goes through it --------------------------------

namespace {

bool ProcesoVivo(const std::wstring& ejecutable) {
  HANDLE instantanea = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (instantanea == INVALID_HANDLE_VALUE) return true;
  PROCESSENTRY32W p{};
  p.dwSize = sizeof p;
  bool vivo = false;
  for (BOOL hay = Process32FirstW(instantanea, &p); hay && !vivo; hay = Process32NextW(instantanea, &p))
    vivo = _wcsicmp(p.szExeFile, ejecutable.c_str()) == 0;
  CloseHandle(instantanea);
  return vivo;
}

// A click on the control if the user could click it now.
bool PulsaSiSePuede(HWND ventana, const wchar_t* control) {
  HWND h = Control(ventana, control);
  if (!h || !IsWindowVisible(h) || !IsWindowEnabled(h) || !IsWindowEnabled(ventana)) return false;
  PostMessageW(h, BM_CLICK, 0, 0);
  return true;
}

void MarcaSiHaceFalta(HWND ventana, const wchar_t* casilla) {
  HWND h = Control(ventana, casilla);
  DWORD_PTR estado = 0;
  if (h && SendMessageTimeoutW(h, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &estado) && estado != BST_CHECKED)
    SendMessageTimeoutW(h, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 2000, &estado);
}

}  // namespace

// Goes through a whole run of the wizard in one process, as a technician
// who accepts everything: the notice screen, "Iniciar Actualización" once,
// "Aceptar" (or "Si") on every message, the final screen. Each message's
// text and the final screen are appended to the file, one block each
// (blocks end with a line "--"). Returns when the wizard's process has
// ended (or was not seen within 20 seconds); status 1 when it is still there
// after the given seconds (a hang).
int Conduce(const Argumentos& a) {
  const std::wstring ejecutable = a[0];
  HANDLE f = CreateFileW(a[1].c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return Falla("no se pudo abrir \"" + Utf8(a[1]) + "\"");
  auto Anota = [&](const std::string& bloque) {
    const std::string t = bloque + "\n--\n";
    DWORD escritos = 0;
    WriteFile(f, t.data(), static_cast<DWORD>(t.size()), &escritos, nullptr);
  };
  const Plazo plazo(Segundos(a, 2, 300)), inicio(20);
  // The main window shows a moment before the notice screen that disables
  // it: a click on the start button then is lost, as a user's would be. The
  // start button is pressed once the notice has been passed.
  bool visto = false, avisoPasado = false, iniciado = false;
  // A window pressed is left alone until it is gone (the next one of the
  // same name may follow at once).
  auto EsperaQueSeVaya = [&](HWND v) {
    while (IsWindow(v) && IsWindowVisible(v) && !plazo.Vencido()) Pausa();
  };
  for (;;) {
    const bool vivo = ProcesoVivo(ejecutable);
    visto = visto || vivo;
    if (visto && !vivo) break;
    // A wizard that ends at once (a start-up refusal) may be gone before
    // this helper first looks: whoever started it has its exit status.
    if (!visto && inicio.Vencido()) break;
    if (plazo.Vencido()) {
      CloseHandle(f);
      return Falla("el asistente no terminó a tiempo");
    }
    const auto dialogos = VentanasPrincipales(L"frmDialogo");
    const auto finales = VentanasPrincipales(L"frm_Final");
    const auto avisos = VentanasPrincipales(L"frmAviso");
    if (!dialogos.empty()) {
      HWND d = dialogos.front();
      std::wstring t;
      HWND mensaje = Control(d, L"Mensaje");
      if (mensaje) TextoControl(mensaje, t);
      if (PulsaSiSePuede(d, L"Aceptar") || PulsaSiSePuede(d, L"Si")) {
        Anota(Utf8(t));
        EsperaQueSeVaya(d);
      }
    } else if (!finales.empty()) {
      HWND v = finales.front();
      MarcaSiHaceFalta(v, L"He Leído y Entendido");
      if (PulsaSiSePuede(v, L"Aceptar")) {
        Anota("PANTALLA FINAL");
        // The channel message comes first; the screen closes after it.
        const Plazo breve(2);
        while (IsWindowVisible(v) && VentanasPrincipales(L"frmDialogo").empty() && !breve.Vencido()) Pausa();
      }
    } else if (!avisos.empty()) {
      MarcaSiHaceFalta(avisos.front(), L"He Leído y Entendido");
      if (PulsaSiSePuede(avisos.front(), L"» Siguiente")) {
        EsperaQueSeVaya(avisos.front());
        avisoPasado = true;
      }
    } else if (avisoPasado && !iniciado) {
      const auto principales = VentanasPrincipales(L"fV");
      if (!principales.empty()) iniciado = PulsaSiSePuede(principales.front(), L"Iniciar Actualización");
    }
    Pausa();
  }
  CloseHandle(f);
  return 0;
}

}  // namespace ayudante
