// Databases of any accepted version for tests and the demo.
#include "tools/basedatos/Fixture.h"

#include <stdexcept>

#include "database/ModuloDatos.h"
#include "database/migrations/Lotes.h"
#include "tools/basedatos/ConexionPrueba.h"
#include "tools/basedatos/FixtureEsquema.h"

namespace soporte_bd {

namespace {

// A data module that logs nowhere and takes the test server's password.
std::unique_ptr<TMDatos> ModuloSilencioso(const std::string& ruta) {
  auto datos = std::make_unique<TMDatos>();
  TMDatos::Entorno entorno;
  entorno.Registra = [](const texto::Texto&) {};
  entorno.Bombea = [] {};
  entorno.Usuario = [] { return texto::DeUtf8(kUsuario); };
  entorno.Clave = [] { return texto::DeUtf8(kClave); };
  datos->SetEntorno(entorno);
  datos->SetNombreBaseDatos(texto::DeUtf8(NombreLoopback(ruta)));
  return datos;
}

void EjecutaPasos(const std::string& ruta, const migracion::Lote& lote, size_t desde, size_t hasta) {
  auto datos = ModuloSilencioso(ruta);
  datos->Abre();
  for (size_t i = desde; i < hasta && i < lote.size(); ++i)
    datos->EjecutaSentencia(lote[i].etiqueta, lote[i].sentencia, lote[i].instruccion);
  datos->Cierra();
}

void EjecutaLoteCompleto(const std::string& ruta, const migracion::Lote& lote) {
  EjecutaPasos(ruta, lote, 0, lote.size());
}

}  // namespace

void PreparaColumnasCincoDecimales(const std::string& ruta) {
  ConexionPrueba c(ruta);
  static const char* const kColumnas[][2] = {
      {"ENVASADO", "UNIDAD_MINIMA"}, {"AYUDA_MEDIDA", "UND_POR_VENTA"}, {"ESCANDALLOS", "CANTIDAD"}};
  for (const auto& col : kColumnas) {
    c.Ejecuta(std::string("ALTER TABLE ") + col[0] + " ALTER COLUMN " + col[1] + " TYPE D_DEC_0_NN_5DEC");
    c.Ejecuta(std::string("ALTER TABLE ") + col[0] + " ALTER COLUMN " + col[1] + " SET NOT NULL");
  }
}

void EjecutaLoteAnteriorEnFirebird3(const std::string& ruta) {
  const migracion::Lote& lote = migracion::Lote_Anterior_20_21_1_0();
  EjecutaPasos(ruta, lote, 0, 1);   // the domain
  PreparaColumnasCincoDecimales(ruta);  // in place of steps 2 to 4
  EjecutaPasos(ruta, lote, 4, lote.size());
}

void CreaBaseDatos(const std::string& ruta, const std::string& version, int tamanoPagina) {
  const texto::Texto v = texto::DeUtf8(version);
  if (texto::Compara(v, u"20.21.0.3") < 0 || texto::Compara(v, u"20.21.1.8") > 0)
    throw std::invalid_argument("versión fuera de 20.21.0.3 ... 20.21.1.8: " + version);
  ConexionPrueba::BorraBase(ruta);
  ConexionPrueba::CreaBase(ruta, tamanoPagina);
  {
    ConexionPrueba c(ruta);
    for (const std::string& s : EsquemaVersion_20_21_0_3()) c.Ejecuta(s);
  }
  if (v != u"20.21.0.3") {
    EjecutaLoteCompleto(ruta, migracion::Lote_20_21_0_3());
    if (texto::Compara(v, u"20.21.1.0") >= 0) EjecutaLoteAnteriorEnFirebird3(ruta);
    if (texto::Compara(v, u"20.21.1.1") >= 0) EjecutaLoteCompleto(ruta, migracion::Lote_Precios_Compra());
    if (texto::Compara(v, u"20.21.1.2") >= 0) EjecutaLoteCompleto(ruta, migracion::Lote_Formas_Pago_CH());
  }
  ConexionPrueba c(ruta);
  c.Ejecuta("UPDATE EMPRESA SET VERSION_ZELVANO = '" + version + "'");
}

}  // namespace soporte_bd
