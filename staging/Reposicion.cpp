#include "staging/Reposicion.h"

#include <string>
#include <vector>

#include "platform/plataforma.h"
#include "platform/ui.h"
#include "system/Informe.h"
#include "staging/Carpetas.h"
#include "staging/ContenidoArchivo.h"
#include "staging/Tablas.h"

namespace staging::reposicion {

namespace {

const char16_t* const kNoRepuestoUno = u"No se ha podido devolver a su sitio 1 fichero guardado: ";
const char16_t* const kNoRepuestosAntes = u"No se han podido devolver a su sitio ";
const char16_t* const kNoRepuestosDespues = u" ficheros guardados; el primero es: ";
const char16_t* const kLogApartado = u"Fichero cambiado después de guardarse, conservado en: ";

std::vector<plataforma::EntradaDirectorio> Entradas(const Texto& carpeta, bool& leida) {
  std::vector<plataforma::EntradaDirectorio> r;
  plataforma::Busqueda busqueda;
  plataforma::EntradaDirectorio e;
  bool hay = busqueda.Primero(carpeta + u"\\*", e);
  leida = hay || plataforma::UltimoError() == plataforma::ERROR_FICHERO_NO_ENCONTRADO ||
          plataforma::UltimoError() == plataforma::ERROR_RUTA_NO_ENCONTRADA;
  for (; hay; hay = busqueda.Siguiente(e))
    if (e.nombre != u"." && e.nombre != u"..") r.push_back(e);
  if (leida && !r.empty()) leida = plataforma::UltimoError() == plataforma::ERROR_NO_MAS_FICHEROS;
  return r;
}

Texto Mayusculas(Texto t) {
  for (char16_t& ch : t)
    if (ch >= u'a' && ch <= u'z') ch = static_cast<char16_t>(ch - u'a' + u'A');
  return t;
}

Texto Une(const Texto& relativo, const Texto& nombre) { return relativo.empty() ? nombre : relativo + u"\\" + nombre; }

}  // namespace

const char16_t* const kCopiaDanada =
    u"La copia guardada no tiene lo que se guardó (el disco no llegó a escribirla entera): no se ha copiado "
    u"encima de nada y no se ha borrado nada.";
const char16_t* const kConservadosCambiados =
    u"Los ficheros que habían cambiado después de guardarse la copia no se han perdido: se conservan en ";

FallosCopia Danados(const manifiesto::Manifiesto& m, const Texto& carpeta) {
  FallosCopia danados;
  if (!plataforma::ExisteDirectorio(carpeta)) return danados;
  bool leida = true;
  for (const plataforma::EntradaDirectorio& e : Entradas(carpeta, leida)) {
    const Texto ruta = carpeta + u"\\" + e.nombre;
    if (e.atributos & plataforma::ATR_PUNTO_REPARSE) continue;
    if (e.atributos & plataforma::ATR_DIRECTORIO) danados.Suma(Danados(m, ruta));
    else if (!m.Coincide(ruta)) danados.Anota(ruta);
  }
  if (!leida) danados.Anota(carpeta);
  return danados;
}

Texto MensajeDanados(const FallosCopia& danados) {
  return danados.cuenta == 1 ? kNoRepuestoUno + danados.primero
                             : kNoRepuestosAntes + texto::FormatoEntero(danados.cuenta) + kNoRepuestosDespues +
                                   danados.primero;
}

EscritosPorLaEjecucion EscritosPorLaEjecucion::DelArchivo() {
  EscritosPorLaEjecucion r;
  std::string datos;
  std::vector<EntradaArchivo> entradas;
  if (!plataforma::LeeRecurso(kTipoRecursoDatos, kRecursoArchivo, kIdiomaRecurso, datos) ||
      !LeeContenidoArchivo(datos, entradas))
    return r;  // nothing is taken for the run's own: whatever differs is kept
  for (const EntradaArchivo& e : entradas) {
    if (e.carpeta) continue;
    r.entradas_[Mayusculas(e.ruta)] = manifiesto::Entrada{e.tamano, e.crc};
    r.rutas_.push_back(e.ruta);
  }
  return r;
}

void EscritosPorLaEjecucion::AnadeCualquierContenido(const Texto& relativa) {
  cualquierContenido_.insert(Mayusculas(relativa));
}

bool EscritosPorLaEjecucion::LoEscribio(const Texto& relativa, const Texto& fichero) const {
  if (cualquierContenido_.count(Mayusculas(relativa))) return true;
  const auto it = entradas_.find(Mayusculas(relativa));
  if (it == entradas_.end()) return false;
  uint64_t tamano = 0;
  if (!plataforma::TamanoFichero(fichero, tamano) || tamano != it->second.tamano) return false;
  manifiesto::Entrada huella;
  return manifiesto::Huella(fichero, huella) && huella.crc == it->second.crc;
}

Resultado Repone(Informe& informe, const Texto& origen, const Texto& destino, const Texto& relativo, double& total,
                 const EscritosPorLaEjecucion& escritos, apartado::Conservada& conservada, Omision omite) {
  Resultado r;
  if (!plataforma::ExisteDirectorio(destino) && !plataforma::CreaDirectorio(destino) &&
      !plataforma::ExisteDirectorio(destino))
    r.noRepuestos.Anota(destino);
  ui::aplicacion::ProcesaMensajes();
  bool leida = true;
  for (const plataforma::EntradaDirectorio& e : Entradas(origen, leida)) {
    ui::aplicacion::ProcesaMensajes();
    if (omite && omite(e.nombre)) continue;
    const Texto desde = origen + u"\\" + e.nombre;
    const Texto hacia = destino + u"\\" + e.nombre;
    const Texto relativa = Une(relativo, e.nombre);
    if (e.atributos & plataforma::ATR_PUNTO_REPARSE) {
      informe.Registra(textos::kEnlaceNoCopiado + desde);
      continue;
    }
    if (e.atributos & plataforma::ATR_DIRECTORIO) {
      const Resultado dentro = Repone(informe, desde, hacia, relativa, total, escritos, conservada);
      r.noRepuestos.Suma(dentro.noRepuestos);
      r.apartados += dentro.apartados;
      continue;
    }
    informe.AnadeLinea(textos::kCopiandoFichero + desde);
    informe.AnadeLinea(textos::kFicheroA + hacia + textos::kFicheroOk);
    total += static_cast<double>(e.tamano);
    informe.MuestraTamanos(e.tamano, total);
    const uint32_t enSitio = plataforma::LeeAtributos(hacia);
    if (enSitio != plataforma::ATR_INVALIDO && !(enSitio & plataforma::ATR_DIRECTORIO)) {
      // Already back (or never changed): nothing to write.
      if (MismoContenido(desde, hacia)) continue;
      // Newer data than the copy, not the run's: kept, untouched.
      if (!escritos.LoEscribio(relativa, hacia)) {
        if (!conservada.Aparta(hacia, relativa)) {
          r.noRepuestos.Anota(desde);
          continue;
        }
        ++r.apartados;
        informe.Registra(kLogApartado + conservada.Carpeta() + u"\\" + relativa);
      }
    }
    if (!plataforma::CopiaFichero(desde, hacia, false) && !MismoContenido(desde, hacia)) r.noRepuestos.Anota(desde);
    ui::aplicacion::ProcesaMensajes();
  }
  if (!leida) r.noRepuestos.Anota(origen);
  return r;
}

void ApartaSiNoSeGuardo(Informe& informe, const Texto& copia, const Texto& app, const Texto& relativa,
                        apartado::Conservada& conservada, FallosCopia& noRepuestos) {
  const Texto enSitio = app + relativa;
  if (!plataforma::ExisteFichero(enSitio) || plataforma::ExisteFichero(copia + u"\\" + relativa)) return;
  if (!conservada.Aparta(enSitio, relativa)) {
    noRepuestos.Anota(enSitio);
    return;
  }
  informe.Registra(kLogApartado + conservada.Carpeta() + u"\\" + relativa);
}

void ApartaRestos(Informe& informe, const Texto& copia, const Texto& app, const EscritosPorLaEjecucion& escritos,
                 apartado::Conservada& conservada, FallosCopia& noRepuestos) {
  for (const Texto& relativa : escritos.rutas_)
    if (!escritos.LoEscribio(relativa, app + relativa))
      ApartaSiNoSeGuardo(informe, copia, app, relativa, conservada, noRepuestos);
}

}  // namespace staging::reposicion
