// Folder copy and delete of the main window.
#include "staging/Carpetas.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

}  // namespace

// A copy that fails onto a file already holding the same bytes (a running
// program that was never deleted) left nothing unrestored. Files of any size
// are compared in pieces: a whole database must not be held in memory.
bool MismoContenido(const Texto& a, const Texto& b) {
  uint64_t ta = 0, tb = 0;
  if (!plataforma::TamanoFichero(a, ta) || !plataforma::TamanoFichero(b, tb) || ta != tb) return false;
  std::FILE* fa = plataforma::AbreFlujo(a, "rb");
  if (!fa) return false;
  std::FILE* fb = plataforma::AbreFlujo(b, "rb");
  if (!fb) {
    std::fclose(fa);
    return false;
  }
  std::vector<char> pa(1 << 16), pb(1 << 16);
  bool iguales = true;
  for (;;) {
    const size_t na = std::fread(pa.data(), 1, pa.size(), fa);
    const size_t nb = std::fread(pb.data(), 1, pb.size(), fb);
    if (na != nb || std::memcmp(pa.data(), pb.data(), na) != 0) {
      iguales = false;
      break;
    }
    if (na < pa.size()) {
      iguales = !std::ferror(fa) && !std::ferror(fb);
      break;
    }
  }
  std::fclose(fa);
  std::fclose(fb);
  return iguales;
}

FallosCopia CopiaCarpetaContando(Informe& informe, const Texto& origen, const Texto& destino, double& total,
                                 Omision omite) {
  FallosCopia fallos;
  if (!plataforma::ExisteDirectorio(destino) && !plataforma::CreaDirectorio(destino) &&
      !plataforma::ExisteDirectorio(destino)) {
    fallos.Anota(destino);
  }
  Bombea();

  plataforma::Busqueda busqueda;
  plataforma::EntradaDirectorio entrada;
  if (!busqueda.Primero(origen + u"\\*.*", entrada)) {
    if (FalloAlListar(origen)) fallos.Anota(origen);
    return fallos;
  }
  bool hay = true;
  while (hay) {
    Bombea();
    if (!EsPuntoOPadre(entrada.nombre) && !(omite && omite(entrada.nombre))) {
      const Texto desde = origen + u"\\" + entrada.nombre;
      const Texto hacia = destino + u"\\" + entrada.nombre;
      if (entrada.atributos & plataforma::ATR_PUNTO_REPARSE) {
        // A link may lead out of the installation, or back into the tree
        // it lies in: it is never followed.
        informe.Registra(textos::kEnlaceNoCopiado + desde);
      } else if (entrada.atributos & plataforma::ATR_DIRECTORIO) {
        fallos.Suma(CopiaCarpetaContando(informe, desde, hacia, total));
        Bombea();
      } else {
        Bombea();
        informe.AnadeLinea(textos::kCopiandoFichero + desde);
        informe.AnadeLinea(textos::kFicheroA + hacia + textos::kFicheroOk);
        total += static_cast<double>(entrada.tamano);
        informe.MuestraTamanos(entrada.tamano, total);
        if (!plataforma::CopiaFichero(desde, hacia, false) && !MismoContenido(desde, hacia)) fallos.Anota(desde);
        Bombea();
      }
    }
    hay = busqueda.Siguiente(entrada);
    if (!hay && plataforma::UltimoError() != plataforma::ERROR_NO_MAS_FICHEROS) fallos.Anota(origen);
    Bombea();
  }
  busqueda.Cierra();
  return fallos;
}

// Paths are plain texts of any length: there is no fixed buffer to overrun.
// A path the file system refuses (too long for it) simply fails to delete and
// the folder is reported as not removed. Entry names never contain separators
// and "." / ".." are skipped, so nothing outside the folder is reached; a
// symbolic link or junction inside the tree is removed as a link and its
// target is never entered.
bool BorraCarpeta(Informe& informe, const Texto& carpeta) { return BorraCarpetaSalvo(informe, carpeta, nullptr); }

bool BorraFicheroSoloLectura(const Texto& ruta) {
  const uint32_t atributos = plataforma::LeeAtributos(ruta);
  const bool soloLectura = atributos != plataforma::ATR_INVALIDO && (atributos & plataforma::ATR_SOLO_LECTURA);
  const uint32_t conservados = atributos & (plataforma::ATR_SOLO_LECTURA | plataforma::ATR_OCULTO |
                                            plataforma::ATR_SISTEMA | plataforma::ATR_ARCHIVO);
  if (soloLectura) {
    const uint32_t resto = conservados & ~plataforma::ATR_SOLO_LECTURA;
    plataforma::PonAtributos(ruta, resto ? resto : plataforma::ATR_NORMAL);
  }
  if (plataforma::BorraFichero(ruta)) return true;
  if (soloLectura) plataforma::PonAtributos(ruta, conservados);
  return false;
}

bool CarpetaVacia(const Texto& carpeta) {
  plataforma::Busqueda busqueda;
  plataforma::EntradaDirectorio entrada;
  if (!busqueda.Primero(carpeta + u"\\*", entrada))
    return plataforma::UltimoError() == plataforma::ERROR_FICHERO_NO_ENCONTRADO;
  for (bool hay = true; hay; hay = busqueda.Siguiente(entrada))
    if (!EsPuntoOPadre(entrada.nombre)) return false;
  return plataforma::UltimoError() == plataforma::ERROR_NO_MAS_FICHEROS;
}

bool BorraCarpetaSalvo(Informe& informe, const Texto& carpeta, Omision omite) {
  // A folder that is itself a link goes as a link: the folder it points to,
  // maybe outside the installation, is not emptied.
  const uint32_t atributos = plataforma::LeeAtributos(carpeta);
  if (atributos != plataforma::ATR_INVALIDO && (atributos & plataforma::ATR_PUNTO_REPARSE)) {
    return (atributos & plataforma::ATR_DIRECTORIO) ? plataforma::EliminaDirectorio(carpeta)
                                                    : plataforma::BorraFichero(carpeta);
  }
  plataforma::Busqueda busqueda;
  plataforma::EntradaDirectorio entrada;
  if (!busqueda.Primero(carpeta + u"\\*", entrada)) return false;
  bool conservado = false;
  bool hay = true;
  while (hay) {
    const bool esCarpeta = (entrada.atributos & plataforma::ATR_DIRECTORIO) != 0;
    if (omite && omite(entrada.nombre)) {
      conservado = true;
    } else if (!(entrada.nombre == u"." || entrada.nombre == u"..")) {
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
        borrado = BorraCarpetaSalvo(informe, hijo, nullptr);
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
  return conservado || plataforma::EliminaDirectorio(carpeta);
}

}  // namespace staging
