#include "tools/rar/escritor.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "tools/rar/compresor29.h"
#include "staging/rar/crc32.h"
#include "staging/rar/nombres.h"

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
  if (!compresor_ || tam == 0) {
    hubo_comprimido_ = false;
    agrega_almacenado(c, datos, nombre);
    return;
  }
  bool continua = opciones_.encadenar && hubo_comprimido_;
  c.metodo = kMetodoMejor;
  if (continua) c.banderas |= kFicheroSolido;
  hubo_comprimido_ = true;
  std::vector<uint8_t> empaquetado;
  auto inicio = salida_.tellp();
  if (inicio == std::streampos(-1)) {
    // Output that cannot seek back: the header needs the packed size first.
    c.crc = compresor_->comprime(datos, tam, continua, empaquetado);
    c.tam_comprimido = empaquetado.size();
    escribe(bloque_fichero(c));
    escribe(empaquetado);
    return;
  }
  // Provisional header, data streamed block by block, then the header again
  // with the CRC and packed size. Incompressible data grows by well under
  // 1 %, so sizes near 4 GiB get the 64-bit fields from the start.
  c.forzar_grande = tam > 0xFF000000u;
  escribe(bloque_fichero(c));
  uint64_t escritos = 0;
  c.crc = compresor_->comprime(datos, tam, continua, empaquetado, [&](std::vector<uint8_t>& bloque) {
    escribe(bloque);
    escritos += bloque.size();
    bloque.clear();
  });
  c.tam_comprimido = escritos;
  reescribe_cabecera(inicio, c);
}

void EscritorRar::reescribe_cabecera(std::streampos inicio, const CabeceraFichero& c) {
  auto fin = salida_.tellp();
  auto bloque = bloque_fichero(c);
  salida_.seekp(inicio);
  escribe(bloque);
  if (salida_.tellp() - inicio != static_cast<std::streamoff>(bloque.size()) || !salida_.seekp(fin))
    throw std::runtime_error("no se pudo completar la cabecera en el archivo comprimido");
}

void EscritorRar::agrega_almacenado(CabeceraFichero c, std::istream& datos, const std::string& nombre) {
  c.metodo = kMetodoAlmacenado;
  c.banderas &= static_cast<uint16_t>(~kFicheroSolido);
  c.tam_comprimido = c.tam;
  auto inicio = salida_.tellp();
  bool rebobinable = inicio != std::streampos(-1);
  std::vector<uint8_t> contenido;
  if (rebobinable) escribe(bloque_fichero(c));
  uint64_t restante = c.tam;
  std::vector<uint8_t> trozo(1 << 20);
  while (restante > 0) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(restante, trozo.size()));
    datos.read(reinterpret_cast<char*>(trozo.data()), static_cast<std::streamsize>(n));
    if (static_cast<size_t>(datos.gcount()) != n)
      throw std::runtime_error("el fichero de entrada se acabó antes de tiempo: " + nombre);
    c.crc = crc32(trozo.data(), n, c.crc);
    if (rebobinable) {
      escribe(std::vector<uint8_t>(trozo.begin(), trozo.begin() + static_cast<std::ptrdiff_t>(n)));
    } else {
      // The header carries the CRC before the data: keep it all.
      contenido.insert(contenido.end(), trozo.begin(), trozo.begin() + static_cast<std::ptrdiff_t>(n));
    }
    restante -= n;
  }
  if (rebobinable) {
    reescribe_cabecera(inicio, c);
  } else {
    escribe(bloque_fichero(c));
    escribe(contenido);
  }
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
