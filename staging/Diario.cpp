#include "staging/Diario.h"

#include <exception>
#include <string>

#include "database/ModuloDatos.h"
#include "platform/plataforma.h"
#include "system/Informe.h"
#include "staging/Tablas.h"

namespace staging::diario {

namespace {

// The file is plain INI text in UTF-8 (the folder may carry any name), one
// value a line, so that a technician can read it with any editor.
const char* const kSeccion = "[Diario]";

struct NombreEtapa {
  Etapa etapa;
  const char* nombre;
};
const NombreEtapa kEtapas[] = {
    {Etapa::Iniciada, "Iniciada"},
    {Etapa::GuardadoCompleto, "GuardadoCompleto"},
    {Etapa::InstalacionCambiada, "InstalacionCambiada"},
    {Etapa::BaseDatosIniciada, "BaseDatosIniciada"},
    {Etapa::BaseDatosTerminada, "BaseDatosTerminada"},
    {Etapa::RegistroEscrito, "RegistroEscrito"},
};

const char* Nombre(Etapa e) {
  for (const NombreEtapa& n : kEtapas)
    if (n.etapa == e) return n.nombre;
  return "";
}

bool DeNombre(const std::string& nombre, Etapa& e) {
  for (const NombreEtapa& n : kEtapas) {
    if (nombre == n.nombre) {
      e = n.etapa;
      return true;
    }
  }
  return false;
}

// What this process has written so far; Iniciada starts it again.
Contenido g_actual;

Texto Ahora() { return plataforma::FechaCortaActual() + u" " + plataforma::HoraLargaActual(); }

std::string Linea(const char* clave, const Texto& valor) {
  return std::string(clave) + "=" + texto::AUtf8(valor) + "\r\n";
}

std::string Serializa(const Contenido& c) {
  std::string s = std::string(kSeccion) + "\r\n";
  s += std::string("Etapa=") + Nombre(c.etapa) + "\r\n";
  s += Linea("Hora", c.hora);
  s += Linea("Inicio", c.inicio);
  s += Linea("VersionAnterior", c.version);
  s += std::string("Servidor=") + (c.servidor ? "1" : "0") + "\r\n";
  s += Linea("BaseDatos", c.baseDatos);
  if (c.cerrado) s += "Cerrado=1\r\n";
  return s;
}

bool Escribe(Informe& informe, const Contenido& c) {
  try {
    const Texto temp = informe.Datos().aplicacion + kCarpetaTemp;
    if (!plataforma::ExisteDirectorio(temp) && plataforma::CreaDirectorio(temp))
      plataforma::PonAtributos(temp, plataforma::ATR_OCULTO | plataforma::ATR_DIRECTORIO);
    return plataforma::EscribeFicheroSeguro(Ruta(informe.Datos().aplicacion), Serializa(c));
  } catch (const std::exception&) {
    // A journal that cannot be written must not break the run it serves.
    return false;
  }
}

}  // namespace

Texto Ruta(const Texto& aplicacion) { return aplicacion + kCarpetaTemp + u"\\" + kDiario; }

Texto RutaBloqueo(const Texto& aplicacion) { return aplicacion + kCarpetaTemp + u"\\" + kBloqueoDiario; }

Bloqueo TomaBloqueo(const Texto& aplicacion, bool creaTemp) {
  const Texto temp = aplicacion + kCarpetaTemp;
  if (!plataforma::ExisteDirectorio(temp)) {
    if (!creaTemp) return Bloqueo::SinTemp;
    if (!plataforma::CreaDirectorio(temp)) return Bloqueo::Imposible;
    plataforma::PonAtributos(temp, plataforma::ATR_OCULTO | plataforma::ATR_DIRECTORIO);  // result ignored
  }
  if (plataforma::BloqueaDeVida(RutaBloqueo(aplicacion))) return Bloqueo::Tomado;
  return plataforma::UltimoError() == plataforma::ERROR_COMPARTIR ? Bloqueo::Ocupado : Bloqueo::Imposible;
}

bool Anota(Informe& informe, Etapa etapa) {
  try {
    if (etapa == Etapa::Iniciada) {
      g_actual = Contenido{};
      g_actual.inicio = Ahora();
      g_actual.version = informe.Datos().version;
      g_actual.servidor = informe.Datos().servidor;
      if (g_actual.servidor && MDatos) g_actual.baseDatos = MDatos->NombreBaseDatos();
    }
    g_actual.etapa = etapa;
    g_actual.hora = Ahora();
    g_actual.cerrado = false;
    return Escribe(informe, g_actual);
  } catch (const std::exception&) {
    return false;
  }
}

bool Cierra(Informe& informe) {
  try {
    // A run that never wrote its journal (none of this process) still
    // closes the one on disk: the rollback at start-up reaches here too.
    Contenido c;
    if (g_actual.inicio.empty() && Lee(informe.Datos().aplicacion, c) == Estado::Ausente) return true;
    if (!g_actual.inicio.empty()) c = g_actual;
    c.cerrado = true;
    c.hora = Ahora();
    g_actual = c;
    return Escribe(informe, c);
  } catch (const std::exception&) {
    return false;
  }
}

Estado Lee(const Texto& aplicacion, Contenido& contenido) {
  const Texto ruta = Ruta(aplicacion);
  if (!plataforma::ExisteFichero(ruta)) return Estado::Ausente;
  std::string bytes;
  if (!plataforma::LeeFicheroCompleto(ruta, bytes)) return Estado::Ilegible;
  Contenido c;
  bool seccion = false, conEtapa = false;
  for (const std::string& linea : texto::PartePorLineas(bytes)) {
    if (linea == kSeccion) {
      seccion = true;
      continue;
    }
    const size_t igual = linea.find('=');
    if (!seccion || igual == std::string::npos) continue;
    const std::string clave = linea.substr(0, igual);
    const std::string valor = linea.substr(igual + 1);
    if (clave == "Etapa") conEtapa = DeNombre(valor, c.etapa);
    else if (clave == "Hora") c.hora = texto::DeUtf8(valor);
    else if (clave == "Inicio") c.inicio = texto::DeUtf8(valor);
    else if (clave == "VersionAnterior") c.version = texto::DeUtf8(valor);
    else if (clave == "Servidor") c.servidor = valor == "1";
    else if (clave == "BaseDatos") c.baseDatos = texto::DeUtf8(valor);
    else if (clave == "Cerrado") c.cerrado = valor == "1";
  }
  contenido = c;
  if (c.cerrado) return Estado::Cerrado;
  return conEtapa && !c.version.empty() ? Estado::Abierto : Estado::Ilegible;
}

}  // namespace staging::diario
