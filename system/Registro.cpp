// ActualizaRegistro and AsociaPdf: the registry and shell settings that the
// end of a successful run leaves behind.
#include "system/Registro.h"


namespace registro {

const Texto SubclaveObsoleta = u"Corvisto TeleComandas Application Name";
const Texto Navegador = u"C:\\Program Files (x86)\\Google\\Chrome\\Application\\chrome.exe";
const Texto ClaveEleccionPdf =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.pdf";

std::vector<std::pair<Texto, Texto>> ValoresProducto(const Texto& carpetaAplicacion) {
  return {
      {u"Application Install Patch", carpetaAplicacion},
      {u"Application Name File", u"Zelvano_Start.exe"},
      {u"Application Version", u"2021.28"},
      {u"Application Version File", u"20.21.2.8"},
      {u"BDD Install Patch", carpetaAplicacion + u"Datos\\"},
      {u"BDD SQL Comments", u"SQL FireBird WI-V2.5.9.27139 SuperServer"},
      {u"Copyright", u"Copyright \u00A9 Pelmora Soft. Todos los derechos reservados."},
      {u"DLL Requerids", u"Zelvano.dll; Firibllu.dll; libeay32.dll; ssleay32.dll"},
      {u"E-Mail Contact", u"soporte@pelmorasoft.es"},
      {u"TeleComandas Application Name", u"Corvisto.exe"},
      {u"Update", u"https://www.pelmorasoft.es/descargas.htm"},
      {u"Web", u"https://www.pelmorasoft.es"},
  };
}

std::vector<std::pair<Texto, Texto>> ClavesAsociacionPdf() {
  return {
      {u".pdf", u"pdffile"},
      {u"pdffile", Texto()},
      {u"pdffile\\DefaultIcon", Navegador + u",0"},
      {u"pdffile\\shell\\open\\command", Navegador + u" \"%1\""},
  };
}

bool AsociacionPdfAplicable(bool wow64, const plataforma::VersionSistema& sistema,
                            bool navegadorPresente) {
  if (!wow64 || sistema.plataforma != 2) return false;
  const bool versionValida = (sistema.mayor == 6 && (sistema.menor == 2 || sistema.menor == 3)) ||
                             (sistema.mayor == 10 && sistema.menor == 0);
  return versionValida && navegadorPresente;
}

void ActualizaRegistro(const Texto& ruta, const Texto& carpetaAplicacion) {
  if (ruta.empty()) return;
  // The key object closes itself on every way out, a failed write included:
  // the failure then travels to the run's failure path.
  plataforma::Clave clave;
  if (!clave.AbreOCrea(plataforma::Raiz::UsuarioActual, ruta)) return;
  for (const auto& [nombre, valor] : ValoresProducto(carpetaAplicacion))
    clave.EscribeTexto(nombre, valor);
  plataforma::BorraClave(plataforma::Raiz::UsuarioActual, ruta + u"\\" + SubclaveObsoleta);
  clave.Cierra();
}

void AsociaPdf() {
  // The browser is only looked for on the systems where it matters, as the
  // existence test may touch a slow or absent drive.
  const bool wow64 = plataforma::EsWow64();
  const plataforma::VersionSistema sistema = plataforma::LeeVersionSistema();
  if (!AsociacionPdfAplicable(wow64, sistema, true)) return;
  if (!AsociacionPdfAplicable(wow64, sistema, plataforma::ExisteFichero(Navegador))) return;

  plataforma::BorraClave(plataforma::Raiz::UsuarioActual, ClaveEleccionPdf);
  for (const auto& [ruta, valor] : ClavesAsociacionPdf()) {
    plataforma::Clave clave;
    clave.AbreOCrea(plataforma::Raiz::ClasesRaiz, ruta);
    // An unopened key makes the write raise, which ends the run's protected
    // block; the key object is closed on the way out all the same.
    if (!valor.empty()) clave.EscribeTexto(Texto(), valor);
    clave.Cierra();
  }
  plataforma::NotificaCambioAsociaciones();
}

}  // namespace registro
