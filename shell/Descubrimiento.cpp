// Where the product is installed, which version it is, which machine serves
// its database and where the database file lies.
#include <cstdio>

#include "database/ModuloDatos.h"
#include "platform/plataforma.h"
#include "system/Cifrado.h"
#include "shell/UnidadVentas.h"
#include "staging/Recuperacion.h"

namespace {

// The product has been published under several names; the first key that
// opens is the installation's.
const Texto kClavesProducto[] = {
    u"SOFTWARE\\Pelmora Soft\\Zelvano Nova",
    u"SOFTWARE\\Pelmora Soft\\Zelvano \u00C1pice",
    u"SOFTWARE\\Pelmora Soft\\Zelvano Apice",
    u"SOFTWARE\\Pelmora Soft\\Zelvano Start \u00C1pice",
    u"SOFTWARE\\Pelmora Soft\\Zelvano Start Apice",
    u"SOFTWARE\\Pelmora Soft\\Zelvano Start \u00C1pice 8",
    u"SOFTWARE\\Pelmora Soft\\Zelvano Start Apice 8",
    u"SOFTWARE\\Pelmora Soft\\Zelvano",
    u"SOFTWARE\\PelmoraSoft\\Zelvano",
};
const Texto kValorRuta = u"Application Install Patch";
const Texto kStart = u"Zelvano_Start.exe";
const Texto kSubcarpetaUpdate = u"Update";
const Texto kBaseDatos = u"QVD.FB";
const Texto kTraduccion = u"\\VarFileInfo\\Translation";
const Texto kSinVersion = u"(null)";

// A run cut short after deleting the programs left the journal: the folder
// is the installation all the same, so that start-up can put it right.
bool EsInstalacion(const Texto& carpeta) {
  return plataforma::ExisteFichero(carpeta + kStart) || staging::recuperacion::HayEjecucionInacabada(carpeta);
}
const Texto kSinRuta =
    u"No encuentro la Ruta de Zelvano_Start.exe.\nSaldr\u00E1 del asistente de actualizaci\u00F3n.";
const Texto kConfiguracionIlegible = u"No se puede leer el fichero de configuraci\u00F3n de Zelvano: ";
const Texto kQueHacerConfiguracion =
    u"No se ha cambiado nada. Compruebe que ning\u00FAn programa lo tenga abierto y vuelva a intentarlo.";
constexpr char16_t kTipoAviso = u'!';  // 33
constexpr size_t kBufferPerfil = 2048;

// "\StringFileInfo\%04X%04X\%s"
Texto SubbloqueCadena(uint16_t idioma, uint16_t paginaCodigos, const Texto& nombre) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%04X%04X", idioma, paginaCodigos);
  Texto r = u"\\StringFileInfo\\";
  for (const char* c = hex; *c; ++c) r += static_cast<char16_t>(*c);
  return r + u"\\" + nombre;
}

}  // namespace

void TfV::BuscaRutaAplicacion() {
  plataforma::Clave clave;
  for (const Texto& ruta : kClavesProducto) {
    if (!clave.AbreLectura(plataforma::Raiz::UsuarioActual, ruta)) continue;
    Texto carpeta;
    if (!clave.LeeTexto(kValorRuta, carpeta)) carpeta.clear();
    RutaTPV->SetText(carpeta);
    Valores->ClaveRegistro = ruta;
    clave.Cierra();
    break;
  }
  if (EsInstalacion(RutaTPV->Text())) {
    Valores->RutaAplicacion = RutaTPV->Text();
    return;
  }

  // Started from the installation itself, or from its "Update" subfolder.
  Texto propia = plataforma::CarpetaEjecutable();
  if (propia.find(kSubcarpetaUpdate) != Texto::npos && propia.size() >= 8) {
    // Drops "\Update" from "...\Update\": the seven characters before the
    // final separator, wherever "Update" appeared.
    propia.erase(propia.size() - 8, 7);
  }
  RutaTPV->SetText(propia);
  if (EsInstalacion(propia)) {
    Valores->RutaAplicacion = propia;
    return;
  }

  ui::SetCursor(ui::Cursor::Normal);
  MuestraDialogo(kSinRuta, kTipoAviso, false, 0);
  Finaliza();
}

Texto TfV::VersionFichero(const Texto& fichero, const Texto& nombre) {
  Texto resultado = kSinVersion;
  if (plataforma::TamanoInfoVersion(fichero) == 0) return resultado;
  std::vector<uint8_t> bloque;
  if (!plataforma::LeeInfoVersion(fichero, bloque)) return resultado;
  const uint8_t* valor = nullptr;
  uint32_t longitud = 0;
  if (!plataforma::ConsultaVersion(bloque, kTraduccion, valor, longitud) || !valor || longitud < 4)
    return resultado;
  const uint16_t idioma = static_cast<uint16_t>(valor[0] | (valor[1] << 8));
  const uint16_t pagina = static_cast<uint16_t>(valor[2] | (valor[3] << 8));
  if (!plataforma::ConsultaVersion(bloque, SubbloqueCadena(idioma, pagina, nombre), valor, longitud) || !valor)
    return resultado;
  // The value ends at its terminating zero, or at its stated length, or at
  // the end of the block: a value typed binary states its length in bytes,
  // not characters, and must not carry the reading past the block.
  const size_t caracteres = static_cast<size_t>(bloque.data() + bloque.size() - valor) / 2;
  resultado.clear();
  for (uint32_t i = 0; i < longitud && i < caracteres; ++i) {
    const char16_t c = static_cast<char16_t>(valor[2 * i] | (valor[2 * i + 1] << 8));
    if (c == 0) break;
    resultado += c;
  }
  return resultado;
}

void TfV::FormShow() {
  if (RutaTPV->Text().empty()) {
    ui::SetCursor(ui::Cursor::Normal);
    MuestraDialogo(kSinRuta, kTipoAviso, false, 0);
    Finaliza();
  }
  TEstr_Valores& v = *Valores;
  // A value that could not be read is not a missing one: an unread server
  // name would make the server pass for a client, which deletes its local
  // database files.
  bool todoLeido = true;
  const auto lee = [&v, &todoLeido](const Texto& nombre) {
    bool leido = true;
    const Texto valor = plataforma::LeePerfil(v.RutaIni, v.SeccionInstalacion, nombre, v.ValorVacio, kBufferPerfil, &leido);
    todoLeido = todoLeido && leido;
    return CifraBytes(valor);
  };
  v.NombreServidor = lee(v.IdentNombreServidor);
  v.RutaAplicacion = lee(v.IdentRutaAplicacion);
  v.RutaDatos = lee(v.IdentRutaDatos);
  NombrePC->SetText(lee(v.IdentNombrePC));
  if (!todoLeido) {
    ui::SetCursor(ui::Cursor::Normal);
    MuestraDialogo(kConfiguracionIlegible + v.RutaIni + u"\n" + kQueHacerConfiguracion, kTipoAviso, false, 0);
    Finaliza();
  }

  // From here on the configuration file's folder is the application folder.
  RutaTPV->SetText(v.RutaAplicacion);
  RutaDatos->SetText(v.RutaDatos);
  NombreServidor->SetText(v.NombreServidor);
  // Without an application folder every path of a run would be relative to
  // whatever the current folder is, and the save step deletes files there:
  // only "Salir" is offered.
  BtnAceptar->SetEnabled(!v.RutaAplicacion.empty());

  const Texto baseDatos = v.RutaDatos + kBaseDatos;
  if (MDatos) {
    MDatos->SetNombreBaseDatos(v.NombreServidor + u":" + baseDatos);
    MDatos->AnadeFicheroRestaurar(baseDatos);
    MDatos->SetServidorRestaurar(v.NombreServidor);
    MDatos->SetFicheroCopia(baseDatos);
    MDatos->SetServidorCopia(v.NombreServidor);
  }

  AnotaVentana("ventana");
}
