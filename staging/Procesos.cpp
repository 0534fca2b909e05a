// External processes and the embedded archive.
#include "staging/Procesos.h"

#include <string>
#include <vector>

#include "platform/excepciones.h"
#include "platform/plataforma.h"
#include "platform/ui.h"
#include "staging/Tablas.h"

namespace staging {

Texto LineaExtraccion(const Texto& carpeta) {
  return u"\"" + carpeta + kHerramientaExtraccion + u"\" x \"" + carpeta + kFicheroArchivo + u"\" -o+ \"" + carpeta;
}

std::string EscribeArchivoNuevo(const Texto& ruta) {
  std::string datos;
  if (!plataforma::LeeRecurso(kTipoRecursoDatos, kRecursoArchivo, kIdiomaRecurso, datos)) {
    throw EResNotFound(textos::kSinRecurso);
  }
  if (!plataforma::EscribeFicheroCompleto(ruta, datos)) {
    throw EFCreateError(textos::kSinFichero + (u"\"" + ruta + u"\""));
  }
  return datos;
}

Texto MayusculasAscii(const Texto& t) {
  Texto r = t;
  for (char16_t& c : r) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return r;
}

namespace {

Texto ParteNombre(const Texto& ruta) {
  const size_t corte = ruta.find_last_of(u"\\/:");
  return corte == Texto::npos ? ruta : ruta.substr(corte + 1);
}

}  // namespace

// No overall limit: the tool may take long on a slow disk, and the window
// stays alive through the pump while it works.
bool EjecutaYEspera(const Texto& lineaComandos, uint32_t* codigoSalida) {
  plataforma::Proceso proceso;
  if (!proceso.Inicia(lineaComandos)) return false;
  while (proceso.Espera(100) == plataforma::ESPERA_TIEMPO_AGOTADO) ui::aplicacion::ProcesaMensajes();
  // A wait that failed leaves no exit code: that counts as a failure.
  if (codigoSalida && !proceso.CodigoSalida(*codigoSalida)) *codigoSalida = plataforma::ESPERA_FALLO;
  proceso.Cierra();
  return true;
}

bool CierraProceso(const Texto& ejecutable) {
  std::vector<plataforma::EntradaProceso> procesos;
  if (!plataforma::InstantaneaProcesos(procesos)) return false;
  const Texto buscado = MayusculasAscii(ejecutable);
  for (const plataforma::EntradaProceso& p : procesos) {
    if (MayusculasAscii(ParteNombre(p.ejecutable)) == buscado ||
        MayusculasAscii(p.ejecutable) == buscado) {
      return plataforma::TerminaProcesoId(p.id, 0);
    }
  }
  return false;
}

}  // namespace staging
