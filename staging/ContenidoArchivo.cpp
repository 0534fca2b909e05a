// Header walk of the embedded archive: the block layout is the archive
// library's, the checks are the wizard's own (a header never trusted to lie
// inside the bytes).
#include "staging/ContenidoArchivo.h"

#include <cstring>

#include "platform/plataforma.h"
#include "staging/Tablas.h"
#include "staging/rar/cabeceras.h"
#include "staging/rar/nombres.h"

namespace staging {

namespace {

uint32_t Lee16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | (p[1] << 8)); }
uint32_t Lee32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

bool LeeContenidoArchivo(const std::string& datos, std::vector<EntradaArchivo>& entradas) {
  namespace rar = zelvano::rar;
  entradas.clear();
  const uint8_t* base = reinterpret_cast<const uint8_t*>(datos.data());
  const uint64_t tam = datos.size();
  if (tam < sizeof rar::kFirma || std::memcmp(base, rar::kFirma, sizeof rar::kFirma) != 0) return false;
  uint64_t pos = sizeof rar::kFirma;
  while (pos < tam) {
    if (tam - pos < 7) return false;
    const uint8_t* b = base + pos;
    const uint8_t tipo = b[2];
    const uint16_t banderas = static_cast<uint16_t>(Lee16(b + 3));
    const uint32_t cabecera = Lee16(b + 5);
    if (cabecera < 7 || cabecera > tam - pos) return false;
    uint64_t datosBloque = 0;
    if (banderas & rar::kBloqueLargo) {
      if (cabecera < 11) return false;
      datosBloque = Lee32(b + 7);
    }
    if (tipo == rar::kBloqueFichero) {
      rar::CabeceraFichero c;
      if (!rar::lee_cabecera_fichero(std::vector<uint8_t>(b, b + cabecera), c)) return false;
      datosBloque = c.tam_comprimido;
      EntradaArchivo e;
      e.ruta = texto::DeUtf8(rar::decodifica_nombre(c.nombre.data(), c.nombre.size(),
                                                    (c.banderas & rar::kNombreUnicode) != 0));
      for (char16_t& ch : e.ruta)
        if (ch == u'/') ch = u'\\';
      e.carpeta = c.es_carpeta();
      e.tamano = c.tam;
      e.crc = c.crc;
      entradas.push_back(std::move(e));
    }
    if (datosBloque > tam - pos - cabecera) return false;
    pos += cabecera + datosBloque;
    if (tipo == rar::kBloqueFin) return true;
  }
  return false;  // no end-of-archive block
}

namespace {

bool DentroDe(const texto::Texto& ruta, const texto::Texto& carpeta) {
  return ruta.size() > carpeta.size() && ruta[carpeta.size()] == u'\\' &&
         texto::IgualesSinMayusculas(ruta.substr(0, carpeta.size()), carpeta);
}

bool SeGuardaYa(const texto::Texto& ruta) {
  for (const char16_t* f : kFicherosPrograma)
    if (texto::IgualesSinMayusculas(ruta, f)) return true;
  for (const char16_t* f : kFicherosConfiguracion)
    if (texto::IgualesSinMayusculas(ruta, f)) return true;
  for (const char16_t* c : kCarpetasGuardadas)
    if (DentroDe(ruta, c)) return true;
  for (const CarpetaObsoleta& c : kCarpetasObsoletas)
    if (DentroDe(ruta, c.ruta)) return true;
  return false;
}

}  // namespace

std::vector<texto::Texto> FicherosQueSobrescribe(const texto::Texto& app, const std::vector<EntradaArchivo>& entradas) {
  std::vector<texto::Texto> r;
  for (const EntradaArchivo& e : entradas) {
    if (e.carpeta || SeGuardaYa(e.ruta)) continue;
    const uint32_t a = plataforma::LeeAtributos(app + e.ruta);
    if (a == plataforma::ATR_INVALIDO || (a & (plataforma::ATR_DIRECTORIO | plataforma::ATR_PUNTO_REPARSE))) continue;
    r.push_back(e.ruta);
  }
  return r;
}

}  // namespace staging
