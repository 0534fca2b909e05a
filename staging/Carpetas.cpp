// Folder copy and delete of the main window.
#include "staging/Carpetas.h"

#include <string>

#include "platform/plataforma.h"
#include "platform/ui.h"
#include "staging/Tablas.h"

namespace staging {

namespace {

bool EsPuntoOPadre(const Texto& nombre) { return nombre == u"." || nombre == u".."; }

void Bombea() { ui::aplicacion::ProcesaMensajes(); }

// An existing folder whose listing cannot even start lost its content for the
// copy; a missing source is not a failure (it simply has nothing to give).
bool FalloAlListar(const Texto& carpeta) {
  const uint32_t error = plataforma::UltimoError();
  if (error == plataforma::ERROR_NO_MAS_FICHEROS || error == plataforma::ERROR_FICHERO_NO_ENCONTRADO) return false;
  return plataforma::ExisteDirectorio(carpeta);
}

// A copy that fails onto a file already holding the same bytes (a running
// program that was never deleted) left nothing unrestored.
bool MismoContenido(const Texto& a, const Texto& b) {
  uint64_t ta = 0, tb = 0;
  if (!plataforma::TamanoFichero(a, ta) || !plataforma::TamanoFichero(b, tb) || ta != tb) return false;
  std::string ca, cb;
  return plataforma::LeeFicheroCompleto(a, ca) && plataforma::LeeFicheroCompleto(b, cb) && ca == cb;
}

void MuestraTamanos(TfV& v, uint64_t tamano, double total) {
  v.ST_F->SetCaption(texto::FormatoKB(static_cast<double>(tamano)));
  v.ST_T->SetCaption(total < 1024.0 ? texto::FormatoKB(total) : texto::FormatoMB(total));
  v.ST_F->Repaint();
  v.ST_T->Repaint();
}

}  // namespace

int CopiaCarpetaContando(TfV& v, const Texto& origen, const Texto& destino, double& total) {
  int fallos = 0;
  if (!plataforma::ExisteDirectorio(destino) && !plataforma::CreaDirectorio(destino) &&
      !plataforma::ExisteDirectorio(destino)) {
    ++fallos;
  }
  Bombea();

  plataforma::Busqueda busqueda;
  plataforma::EntradaDirectorio entrada;
  if (!busqueda.Primero(origen + u"\\*.*", entrada)) {
    if (FalloAlListar(origen)) ++fallos;
    return fallos;
  }
  bool hay = true;
  while (hay) {
    Bombea();
    if (!EsPuntoOPadre(entrada.nombre)) {
      const Texto desde = origen + u"\\" + entrada.nombre;
      const Texto hacia = destino + u"\\" + entrada.nombre;
      if (entrada.atributos & plataforma::ATR_DIRECTORIO) {
        fallos += CopiaCarpetaContando(v, desde, hacia, total);
        Bombea();
      } else {
        Bombea();
        v.AnadeLinea(textos::kCopiandoFichero + desde);
        v.AnadeLinea(textos::kFicheroA + hacia + textos::kFicheroOk);
        total += static_cast<double>(entrada.tamano);
        MuestraTamanos(v, entrada.tamano, total);
        if (!plataforma::CopiaFichero(desde, hacia, false) && !MismoContenido(desde, hacia)) ++fallos;
        Bombea();
      }
    }
    hay = busqueda.Siguiente(entrada);
    if (!hay && plataforma::UltimoError() != plataforma::ERROR_NO_MAS_FICHEROS) ++fallos;
    Bombea();
  }
  busqueda.Cierra();
  return fallos;
}

}  // namespace staging

void TfV::CopiaCarpeta(const Texto& origen, const Texto& destino, double& total) {
  staging::CopiaCarpetaContando(*this, origen, destino, total);
}

// Paths are plain texts of any length: there is no fixed buffer to overrun.
// A path the file system refuses (too long for it) simply fails to delete and
// the folder is reported as not removed. Entry names never contain separators
// and "." / ".." are skipped, so nothing outside the folder is reached; a
// symbolic link or junction inside the tree is removed as a link and its
// target is never entered.
bool TfV::BorraCarpeta(const Texto& carpeta) {
  plataforma::Busqueda busqueda;
  plataforma::EntradaDirectorio entrada;
  if (!busqueda.Primero(carpeta + u"\\*", entrada)) return false;
  bool hay = true;
  while (hay) {
    const bool esCarpeta = (entrada.atributos & plataforma::ATR_DIRECTORIO) != 0;
    if (!(entrada.nombre == u"." || entrada.nombre == u"..")) {
      const Texto hijo = carpeta + u"\\" + entrada.nombre;
      if (entrada.atributos & plataforma::ATR_SOLO_LECTURA) {
        const uint32_t resto = entrada.atributos & ~(plataforma::ATR_SOLO_LECTURA | plataforma::ATR_DIRECTORIO |
                                                     plataforma::ATR_PUNTO_REPARSE);
        plataforma::PonAtributos(hijo, resto ? resto : plataforma::ATR_NORMAL);
      }
      bool borrado;
      if (entrada.atributos & plataforma::ATR_PUNTO_REPARSE) {
        borrado = esCarpeta ? plataforma::EliminaDirectorio(hijo) : plataforma::BorraFichero(hijo);
      } else if (esCarpeta) {
        borrado = BorraCarpeta(hijo);
      } else {
        borrado = plataforma::BorraFichero(hijo);
      }
      if (!borrado) {
        busqueda.Cierra();
        return false;
      }
    }
    hay = busqueda.Siguiente(entrada);
  }
  const bool completa = plataforma::UltimoError() == plataforma::ERROR_NO_MAS_FICHEROS;
  busqueda.Cierra();
  if (!completa) return false;
  return plataforma::EliminaDirectorio(carpeta);
}
