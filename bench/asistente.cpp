// The wizard's own code for the benchmarks, one operation per call, so the
// suite can time it against the system's tools on the same data:
//
//   asistente copia ORIGEN DESTINO     the folder copy of the main window
//                                      (log lines, size panel, pumps)
//   asistente copia-durable ORIGEN DESTINO
//                                      the same copy as the save makes it
//                                      durable: every copied file read back
//                                      into the manifest, the manifest
//                                      written, one flush of the volume
//   asistente registro LINEAS VENTANA  appends LINEAS log lines as the run
//                                      logs them; prints the microseconds per
//                                      line of the VENTANA lines from line 100
//                                      and of the VENTANA lines before the last
//   asistente migra RUTA_BD VERSION    the batches of that installed version
//                                      and the stamp (posix)
//   asistente guion-sql VERSION        the same statements as an isql script
//   asistente copia-bd CARPETA         backup to QVD.FBK and restore over
//                                      QVD.FB; prints each one's seconds
//
// The main window is shown (without its start-up events) and its clock runs,
// as during an update run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "platform/plataforma.h"
#include "platform/ui.h"
#include "shell/UnidadVentas.h"
#include "staging/Manifiesto.h"

#ifndef ZELVANO_WIN32
#include "database/ClienteFirebird.h"
#include "database/ModuloDatos.h"
#include "database/Parametros.h"
#include "database/migrations/Lotes.h"
#include "tools/basedatos/ConexionPrueba.h"
#endif

namespace {

using Reloj = std::chrono::steady_clock;

double Segundos(Reloj::time_point desde) {
  return std::chrono::duration<double>(Reloj::now() - desde).count();
}

TfV& VentanaEnMarcha() {
  ui::aplicacion::Inicializa();
  fV = new TfV;
  fV->OnShow = nullptr;
  fV->OnActivate = nullptr;
  ui::aplicacion::SetFormularioPrincipal(fV);
  fV->Show();
  fV->FrecuenciaContador = plataforma::FrecuenciaRendimiento();
  fV->ContadorInicio = plataforma::ContadorRendimiento();
  fV->Timer1->SetEnabled(true);
  ui::aplicacion::ProcesaMensajes();
  return *fV;
}

int Copia(const Texto& origen, const Texto& destino) {
  TfV& v = VentanaEnMarcha();
  double total = 0;
  v.CopiaCarpeta(origen, destino, total);
  ui::aplicacion::ProcesaMensajes();
  std::printf("%.0f bytes, %zu lineas\n", total, v.MemoBackup->Lines().size());
  return 0;
}

// The manifest goes beside the copy (the folder that holds DESTINO plays
// the application folder).
int CopiaDurable(const Texto& origen, const Texto& destino) {
  TfV& v = VentanaEnMarcha();
  double total = 0;
  v.CopiaCarpeta(origen, destino, total);
  const Texto app = destino.substr(0, destino.find_last_of(u"\\/") + 1);
  plataforma::CreaDirectorio(app + u"Temp");
  staging::manifiesto::Manifiesto m(app);
  int ilegibles = 0;
  Texto ilegible;
  m.AnotaCarpeta(destino, ilegibles, ilegible);
  if (ilegibles || !m.Guarda() || !plataforma::VuelcaVolumen(app)) {
    std::fprintf(stderr, "copia no asegurada\n");
    return 1;
  }
  ui::aplicacion::ProcesaMensajes();
  std::printf("%.0f bytes, %zu lineas\n", total, v.MemoBackup->Lines().size());
  return 0;
}

// A line as long as those the folder copy writes.
Texto LineaDeRegistro(int n) {
  return u"Copiando... C:\\Zelvano\\Datos\\Cierres\\2021\\Cierre_" + texto::DeUtf8(std::to_string(n)) +
         u".dat";
}

int Registro(int lineas, int ventana) {
  if (lineas < 100 + 2 * ventana) {
    std::fprintf(stderr, "Hacen falta al menos %d líneas\n", 100 + 2 * ventana);
    return 2;
  }
  TfV& v = VentanaEnMarcha();
  double inicio = 0, fin = 0;
  Reloj::time_point t0{};
  for (int i = 0; i < lineas; ++i) {
    if (i == 100 || i == lineas - ventana) t0 = Reloj::now();
    v.Registra(LineaDeRegistro(i));
    if (i == 100 + ventana - 1) inicio = Segundos(t0);
    if (i == lineas - 1) fin = Segundos(t0);
  }
  std::printf("%.3f %.3f\n", inicio * 1e6 / ventana, fin * 1e6 / ventana);
  return 0;
}

#ifndef ZELVANO_WIN32

// The migration of a product database of the given version: the batches its
// gates choose and the stamp; from 20.21.0.3 only its own batch, since the
// next one writes system tables, which this server refuses.
std::vector<migracion::Paso> PasosDeMigracion(const Texto& version) {
  std::vector<migracion::Paso> pasos;
  const auto lotes = migracion::LotesAEjecutar(version);
  for (migracion::IdLote id : lotes) {
    const migracion::Lote& lote = migracion::PasosDe(id);
    pasos.insert(pasos.end(), lote.begin(), lote.end());
    if (id == migracion::IdLote::Lote_20_21_0_3) return pasos;
  }
  pasos.push_back(migracion::PasoSello());
  return pasos;
}

struct Modulo {
  explicit Modulo(const std::string& rutaBd) {
    VentanaEnMarcha();
    const std::string carpeta = rutaBd.substr(0, rutaBd.find_last_of('/') + 1);
    TMDatos::Entorno e;
    e.Registra = [](const Texto& linea) { fV->Registra(linea); };
    e.Bombea = [] { ui::aplicacion::ProcesaMensajes(); };
    e.Usuario = [] { return Texto(u"SYSDBA"); };
    e.Clave = [] { return texto::DeUtf8(soporte_bd::kClave); };
    e.RutaDatos = [carpeta] { return texto::DeUtf8(carpeta); };
    e.NombrePC = [] { return Texto(u"127.0.0.1"); };
    datos.SetEntorno(e);
    datos.SetNombreBaseDatos(u"127.0.0.1:" + texto::DeUtf8(rutaBd));
  }
  TMDatos datos;
};

int Migra(const std::string& rutaBd, const Texto& version) {
  Modulo m(rutaBd);
  m.datos.Abre();
  for (const migracion::Paso& p : PasosDeMigracion(version))
    m.datos.EjecutaSentencia(p.etiqueta, p.sentencia, p.instruccion);
  m.datos.Cierra();
  return 0;
}

// Each statement as the wizard sends it (markers replaced while the
// parameter check is on), committed after it as the wizard does.
int GuionSql(const Texto& version) {
  std::printf("SET TERM ^ ;\n");
  bool marca = false;
  for (const migracion::Paso& p : PasosDeMigracion(version)) {
    if (p.instruccion == ParamCheck::Encender) marca = true;
    if (p.instruccion == ParamCheck::Apagar) marca = false;
    const Texto sentencia = marca ? MarcaParametros(p.sentencia).texto : p.sentencia;
    std::printf("%s\n^\nCOMMIT\n^\n", texto::ALatin1(sentencia).c_str());
  }
  return 0;
}

int CopiaBd(const std::string& carpeta) {
  Modulo m(carpeta + "QVD.FB");
  // In a run the client library is loaded by then (the migration used it).
  fbcliente::Cliente();
  auto t0 = Reloj::now();
  m.datos.CopiaSeguridad();
  const double copia = Segundos(t0);
  t0 = Reloj::now();
  m.datos.RestauraCopia();
  const double restauracion = Segundos(t0);
  std::printf("%.6f %.6f %zu\n", copia, restauracion, fV->MemoBackup->Lines().size());
  return 0;
}

#endif

int Uso() {
  std::fprintf(stderr,
               "uso: asistente copia ORIGEN DESTINO | copia-durable ORIGEN DESTINO | registro LINEAS VENTANA"
#ifndef ZELVANO_WIN32
               " | migra RUTA_BD VERSION | guion-sql VERSION | copia-bd CARPETA/"
#endif
               "\n");
  return 2;
}

int Ejecuta(const std::vector<std::string>& a) {
  const size_t n = a.size();
  if (n == 3 && a[0] == "copia") return Copia(texto::DeUtf8(a[1]), texto::DeUtf8(a[2]));
  if (n == 3 && a[0] == "copia-durable") return CopiaDurable(texto::DeUtf8(a[1]), texto::DeUtf8(a[2]));
  if (n == 3 && a[0] == "registro") return Registro(std::atoi(a[1].c_str()), std::atoi(a[2].c_str()));
#ifndef ZELVANO_WIN32
  if (n == 3 && a[0] == "migra") return Migra(a[1], texto::DeUtf8(a[2]));
  if (n == 2 && a[0] == "guion-sql") return GuionSql(texto::DeUtf8(a[1]));
  if (n == 2 && a[0] == "copia-bd") return CopiaBd(a[1]);
#endif
  return Uso();
}

}  // namespace

#ifdef ZELVANO_WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> a;
  for (int i = 1; i < argc; ++i) a.push_back(texto::AUtf8(reinterpret_cast<const char16_t*>(argv[i])));
#else
int main(int argc, char** argv) {
  std::vector<std::string> a(argv + 1, argv + argc);
#endif
  try {
    return Ejecuta(a);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
