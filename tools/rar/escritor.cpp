#include "tools/rar/escritor.h"

#include <sstream>
#include <stdexcept>

#include "tools/rar/compresor29.h"
#include "tools/rar/crc32.h"
#include "tools/rar/nombres.h"

namespace zelvano::rar {

EscritorRar::EscritorRar(std::ostream& salida, OpcionesEscritor opciones)
    : salida_(salida), opciones_(opciones) {
  if (opciones_.comprimir) compresor_ = std::make_unique<Compresor29>(opciones_.profundidad);
  escribe(std::vector<uint8_t>(kFirma, kFirma + sizeof kFirma));
  escribe(bloque_principal(opciones_.marca_solido ? kPrincipalSolido : 0));
}

EscritorRar::~EscritorRar() = default;

void EscritorRar::escribe(const std::vector<uint8_t>& bytes) {
  salida_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!salida_) throw std::runtime_error("no se pudo escribir el archivo comprimido");
}

CabeceraFichero EscritorRar::cabecera(const std::string& nombre, uint32_t atributos, uint32_t fecha) {
  if (terminado_) throw std::logic_error("archivo ya terminado");
  std::string interno = a_barras_invertidas(nombre);
  if (!opciones_.permite_nombres_peligrosos && !nombre_seguro(interno))
    throw std::invalid_argument("nombre de entrada no válido: " + nombre);
  CabeceraFichero c;
  bool unicode = false;
  c.nombre = codifica_nombre(interno, unicode);
  if (unicode) c.banderas |= kNombreUnicode;
  c.atributos = atributos;
  c.fecha_dos = fecha;
  return c;
}

void EscritorRar::agrega_carpeta(const std::string& nombre, uint32_t atributos, uint32_t fecha) {
  CabeceraFichero c = cabecera(nombre, atributos | kAtributoCarpeta, fecha);
  c.banderas |= kEsCarpeta;
  hubo_comprimido_ = false;
  escribe(bloque_fichero(c));
}

void EscritorRar::agrega_fichero(const std::string& nombre, std::istream& datos, uint64_t tam,
                                 uint32_t atributos, uint32_t fecha) {
  CabeceraFichero c = cabecera(nombre, atributos, fecha);
  c.tam = tam;
  c.banderas |= kDiccionario4M;
  if (compresor_ && tam > 0) {
    bool continua = opciones_.encadenar && hubo_comprimido_;
    std::vector<uint8_t> empaquetado;
    c.crc = compresor_->comprime(datos, tam, continua, empaquetado);
    c.metodo = kMetodoMejor;
    if (continua) c.banderas |= kFicheroSolido;
    c.tam_comprimido = empaquetado.size();
    hubo_comprimido_ = true;
    escribe(bloque_fichero(c));
    escribe(empaquetado);
    return;
  }
  hubo_comprimido_ = false;
  agrega_almacenado(c, datos, nombre);
}

void EscritorRar::agrega_almacenado(CabeceraFichero c, std::istream& datos, const std::string& nombre) {
  // The header carries the CRC before the data, so the data is buffered.
  uint64_t tam = c.tam;
  c.metodo = kMetodoAlmacenado;
  c.banderas &= static_cast<uint16_t>(~kFicheroSolido);
  std::vector<uint8_t> contenido(static_cast<size_t>(tam));
  datos.read(reinterpret_cast<char*>(contenido.data()), static_cast<std::streamsize>(tam));
  if (static_cast<uint64_t>(datos.gcount()) != tam)
    throw std::runtime_error("el fichero de entrada se acabó antes de tiempo: " + nombre);
  c.crc = crc32(contenido.data(), contenido.size());
  c.tam_comprimido = tam;
  escribe(bloque_fichero(c));
  escribe(contenido);
}

void EscritorRar::agrega_fichero(const std::string& nombre, const std::vector<uint8_t>& datos,
                                 uint32_t atributos, uint32_t fecha) {
  std::istringstream flujo(std::string(datos.begin(), datos.end()));
  agrega_fichero(nombre, flujo, datos.size(), atributos, fecha);
}

void EscritorRar::termina() {
  if (terminado_) return;
  escribe(bloque_fin());
  salida_.flush();
  terminado_ = true;
}

}  // namespace zelvano::rar
