// Clock, pauses, system facts, shell, own path, linked data and locale on
// posix. The environment variables ZELVANO_* let tests and the demo play a
// given machine (see plataforma.h and the project README).
#include <langinfo.h>
#include <locale.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "platform/plataforma.h"
#include "platform/posix/posix_comun.h"

// The build defines ZELVANO_CON_DATOS_NUEVOS when it links the archive.
#if defined(ZELVANO_CON_DATOS_NUEVOS) && __has_include("resources/datos_nuevos.h")
#include "resources/datos_nuevos.h"
#define ZELVANO_LEE_DATOS_NUEVOS 1
#endif

namespace plataforma {

int64_t ContadorRendimiento() {
  struct timespec t;
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

int64_t FrecuenciaRendimiento() { return 1000000000; }

bool PausaFijada(uint32_t milisegundos);  // platform/comun/espera.cpp

void Duerme(uint32_t milisegundos) {
  double factor = 1.0;
  const std::string f = posix::Entorno("ZELVANO_FACTOR_PAUSAS");
  if (!f.empty()) {
    char* fin;
    double v = std::strtod(f.c_str(), &fin);
    if (fin != f.c_str() && v >= 0.0 && v <= 1.0) factor = v;
  }
  // The pauses a run asks for, whatever the factor, one line each, for the
  // benchmarks' account of a whole run.
  const std::string cuenta = posix::Entorno("ZELVANO_CUENTA_PAUSAS");
  if (!cuenta.empty()) {
    if (std::FILE* f = std::fopen(cuenta.c_str(), "a")) {
      std::fprintf(f, "%u\n", static_cast<unsigned>(milisegundos));
      std::fclose(f);
    }
  }
  const double ms = milisegundos * factor;
  if (PausaFijada(static_cast<uint32_t>(ms))) return;
  struct timespec resto;
  resto.tv_sec = static_cast<time_t>(ms / 1000);
  resto.tv_nsec = static_cast<long>((ms - static_cast<double>(resto.tv_sec) * 1000) * 1000000);
  while (::nanosleep(&resto, &resto) != 0 && errno == EINTR) {
  }
}

Texto NombreEquipo(size_t tamano) {
  Texto nombre;
  const std::string forzado = posix::Entorno("ZELVANO_NOMBRE_EQUIPO");
  if (!forzado.empty()) {
    nombre = texto::DeUtf8(forzado);
  } else {
    char buf[256] = {};
    ::gethostname(buf, sizeof buf - 1);
    // The NetBIOS form Windows reports: first label, upper case.
    for (const char* p = buf; *p && *p != '.'; ++p) nombre += texto::MayusculaSimple(static_cast<unsigned char>(*p));
  }
  if (tamano == 0) return Texto();
  if (nombre.size() > tamano - 1) nombre.resize(tamano - 1);
  return nombre;
}

bool MismoNombreEquipo(const Texto& a, const Texto& b) { return texto::IgualesSinMayusculas(a, b); }

VersionSistema LeeVersionSistema() {
  VersionSistema v{10, 0, 2};
  const std::string s = posix::Entorno("ZELVANO_VERSION_SO");
  if (!s.empty()) {
    char* fin;
    v.mayor = static_cast<uint32_t>(std::strtoul(s.c_str(), &fin, 10));
    v.menor = *fin == '.' ? static_cast<uint32_t>(std::strtoul(fin + 1, nullptr, 10)) : 0;
  }
  return v;
}

bool EsWow64() { return posix::Entorno("ZELVANO_WOW64") == "1"; }

namespace {

void Traza(const std::string& linea) {
  const std::string f = posix::Entorno("ZELVANO_TRAZA_SHELL");
  if (!f.empty()) AnadeAFichero(texto::DeUtf8(f), linea + "\n");
}

}  // namespace

void AbreDireccion(const Texto& direccion) { Traza("ABRE " + texto::AUtf8(direccion)); }

void NotificaCambioAsociaciones() { Traza("NOTIFICA 134217728"); }

Texto RutaEjecutable() {
  const std::string forzada = posix::Entorno("ZELVANO_RUTA_EJECUTABLE");
  if (!forzada.empty()) return texto::DeUtf8(forzada);
  std::vector<char> buf(4096);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return Texto();
    if (static_cast<size_t>(n) < buf.size()) return texto::DeUtf8(std::string(buf.data(), static_cast<size_t>(n)));
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
#ifdef ZELVANO_LEE_DATOS_NUEVOS
  if (tipo == 10 && texto::IgualesSinMayusculas(nombre, u"DATOS_NUEVOS") && idioma == 3082) {
    datos.assign(reinterpret_cast<const char*>(datos_nuevos), datos_nuevos_tam);
    return true;
  }
#else
  (void)tipo;
  (void)nombre;
  (void)idioma;
  (void)datos;
#endif
  posix::FijaError(ERROR_RECURSO_NO_ENCONTRADO);
  return false;
}

namespace {

// Separators of the locale LANG names (LC_ALL and LC_NUMERIC first), or the
// Spanish ones when it names none that provides them.
struct Separadores {
  char16_t decimal = u',';
  char16_t miles = u'.';
};

Separadores LeeSeparadores() {
  Separadores s;
  std::string nombre = posix::Entorno("LC_ALL");
  if (nombre.empty()) nombre = posix::Entorno("LC_NUMERIC");
  if (nombre.empty()) nombre = posix::Entorno("LANG");
  if (nombre.empty() || nombre == "C" || nombre == "POSIX" || nombre.compare(0, 2, "C.") == 0) return s;
  locale_t loc = ::newlocale(LC_NUMERIC_MASK, nombre.c_str(), static_cast<locale_t>(nullptr));
  if (!loc) return s;
  texto::Texto decimal = texto::DeUtf8(::nl_langinfo_l(RADIXCHAR, loc));
  texto::Texto miles = texto::DeUtf8(::nl_langinfo_l(THOUSEP, loc));
  ::freelocale(loc);
  if (decimal.size() == 1) s.decimal = decimal[0];
  if (miles.size() == 1) s.miles = miles[0];
  // A narrow no-break space as thousands separator reads as a blank.
  if (miles == u"\u202F") s.miles = u'\u00A0';
  return s;
}

// Read once, as a program reads the user's format settings at start-up, and
// again only when told that they changed: every number the log shows asks
// for the separators, and looking the variables up each time cost more than
// the rest of the formatting.
std::mutex cerrojoSeparadores;
bool separadoresLeidos = false;
Separadores separadores;

Separadores LosSeparadores() {
  std::lock_guard<std::mutex> guarda(cerrojoSeparadores);
  if (!separadoresLeidos) {
    separadores = LeeSeparadores();
    separadoresLeidos = true;
  }
  return separadores;
}

Texto FormatoHora(const char* formato) {
  std::time_t ahora = std::time(nullptr);
  struct tm local;
  ::localtime_r(&ahora, &local);
  char buf[64];
  size_t n = std::strftime(buf, sizeof buf, formato, &local);
  return texto::DeUtf8(std::string(buf, n));
}

}  // namespace

std::string AAnsi(const Texto& t) { return texto::ACp1252(t); }
Texto DeAnsi(const std::string& bytes) { return texto::DeCp1252(bytes); }

char16_t SeparadorDecimal() { return LosSeparadores().decimal; }
char16_t SeparadorMiles() { return LosSeparadores().miles; }

void ConfiguracionRegionalCambiada() {
  std::lock_guard<std::mutex> guarda(cerrojoSeparadores);
  separadoresLeidos = false;
}

// The short date and long time formats of a Spanish Windows system:
// dd/MM/yyyy and H:mm:ss (the hour without a leading zero).
Texto FechaCortaActual() { return FormatoHora("%d/%m/%Y"); }
Texto HoraLargaActual() { return FormatoHora("%-H:%M:%S"); }

}  // namespace plataforma
