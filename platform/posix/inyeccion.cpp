// The fault seam of the posix backend: tests make one chosen operation fail,
// or kill the process just before it, or cut the power there (corte.cpp), to
// prove that no fault loses data.
// Every operation that may fail counts once, in the order the wizard makes
// them, so a test can walk N over a whole run. Off unless the environment
// asks for it; the shipped Windows executable has no seam at all (its test
// build has platform/win32/inyeccion_pruebas.cpp).
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/plataforma.h"
#include "platform/posix/posix_comun.h"

namespace plataforma {

namespace {

struct Ajustes {
  bool activo = false;
  unsigned long falloEn = 0;   // 0: none
  unsigned long mataEn = 0;    // 0: none
  unsigned long bdDesde = 0;   // 0: none; else every database call from there on fails (a link lost for good)
  unsigned long corteEn = 0;   // 0: none
  uint32_t errorFicheros = ERROR_ACCESO_DENEGADO;
  std::string traza;
};

unsigned long Numero(const char* nombre) {
  const char* v = std::getenv(nombre);
  if (!v || !*v) return 0;
  char* fin = nullptr;
  const unsigned long n = std::strtoul(v, &fin, 10);
  return *fin == '\0' ? n : 0;
}

const Ajustes& Lee() {
  static const Ajustes ajustes = [] {
    Ajustes a;
    a.falloEn = Numero("ZELVANO_FALLO_EN");
    a.mataEn = Numero("ZELVANO_MATA_EN");
    a.bdDesde = Numero("ZELVANO_FALLO_BD_DESDE");
    a.corteEn = Numero("ZELVANO_CORTE_EN");
    if (const char* t = std::getenv("ZELVANO_TRAZA_OPERACIONES")) a.traza = t;
    if (const char* e = std::getenv("ZELVANO_FALLO_ERROR")) {
      if (std::strcmp(e, "compartir") == 0) a.errorFicheros = ERROR_COMPARTIR;
      else if (std::strcmp(e, "disco_lleno") == 0) a.errorFicheros = ERROR_DISCO_LLENO;
      else if (std::strcmp(e, "ruta_larga") == 0) a.errorFicheros = ERROR_NOMBRE_DEMASIADO_LARGO;
    }
    a.activo = a.falloEn || a.mataEn || a.bdDesde || a.corteEn || !a.traza.empty();
    return a;
  }();
  return ajustes;
}

unsigned long g_cuenta = 0;

void Traza(const Ajustes& a, unsigned long n, const char* tipo, const Texto& ruta) {
  if (a.traza.empty()) return;
  // Appended and closed at once: the line must survive a kill that follows.
  if (std::FILE* f = std::fopen(a.traza.c_str(), "ae")) {
    std::fprintf(f, "%lu %s %s\n", n, tipo, texto::AUtf8(ruta).c_str());
    std::fclose(f);
  }
}

}  // namespace

bool OperacionInyectable(const char* tipo, const Texto& ruta) {
  const Ajustes& a = Lee();
  if (!a.activo) return false;
  const unsigned long n = ++g_cuenta;
  Traza(a, n, tipo, ruta);
  if (n == a.mataEn) ::kill(::getpid(), SIGKILL);
  if (a.corteEn) {
    if (n == 1) posix::CorteInicio();
    if (n == a.corteEn) {
      posix::CorteAplica();
      ::kill(::getpid(), SIGKILL);
    }
  }
  const bool bd = std::strncmp(tipo, "bd_", 3) == 0;
  if (n != a.falloEn && !(bd && a.bdDesde && n >= a.bdDesde)) return false;
  // Database calls report their own failure; file operations get the error
  // the test chose.
  posix::FijaError(bd ? ERROR_GENERICO : a.errorFicheros);
  return true;
}

}  // namespace plataforma
