#include "tools/rar/lector.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "tools/rar/atributos.h"
#include "tools/rar/bits.h"
#include "staging/rar/cabeceras.h"
#include "staging/rar/crc32.h"
#include "tools/rar/descompresor29.h"
#include "tools/rar/error.h"
#include "staging/rar/nombres.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace zelvano::rar {

struct LectorRar::Estado {
  Descompresor29 descompresor;
  // Index of the last compressed entry decoded, so a solid entry can tell
  // whether its predecessor's data is in the window.
  long ultimo_comprimido = -1;
};

namespace {

[[noreturn]] void danado(const std::string& que) { throw ErrorRar(TipoError::kDanado, "archivo dañado: " + que); }

uint32_t le16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t le32(const uint8_t* p) { return le16(p) | (le16(p + 2) << 16); }

}  // namespace

fs::path ruta_destino(const fs::path& destino, const std::string& nombre) {
#ifdef _WIN32
  return destino / fs::u8path(a_barras_invertidas(nombre));
#else
  return destino / fs::u8path(a_barras(nombre));
#endif
}

static bool es_enlace(const fs::path& ruta) {
#ifdef _WIN32
  // Junctions are reparse points that the library may not report as links.
  const DWORD a = GetFileAttributesW(ruta.wstring().c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
#else
  std::error_code ec;
  return fs::is_symlink(fs::symlink_status(ruta, ec));
#endif
}

// Nothing is written through a link that already lies in the destination:
// it may lead out of it. Every step of the entry's path below the
// destination is looked at, the entry itself included.
static void comprueba_sin_enlaces(const fs::path& destino, const std::string& nombre) {
  fs::path ruta = destino;
  for (const fs::path& parte : ruta_destino(fs::path(), nombre)) {
    if (parte.empty()) continue;
    ruta /= parte;
    if (es_enlace(ruta)) throw ErrorRar(TipoError::kInseguro, "enlace en el destino: " + ruta.u8string());
  }
}

LectorRar::LectorRar(const fs::path& archivo) : ruta_(archivo), estado_(std::make_shared<Estado>()) {
  // A large buffer and forward skips within it (see situa) keep the many
  // small headers and files of an archive from costing a system call each.
  buffer_archivo_.resize(1 << 18);
  archivo_.rdbuf()->pubsetbuf(buffer_archivo_.data(), static_cast<std::streamsize>(buffer_archivo_.size()));
  archivo_.open(archivo, std::ios::binary);
  if (!archivo_) throw ErrorRar(TipoError::kAbrir, "no se puede abrir el archivo " + archivo.u8string());
  archivo_.seekg(0, std::ios::end);
  tam_archivo_ = static_cast<uint64_t>(archivo_.tellg());
  archivo_.seekg(0);
  pos_archivo_ = 0;
  lee_cabeceras();
}

bool LectorRar::lee_bytes(uint8_t* destino, size_t n) {
  archivo_.read(reinterpret_cast<char*>(destino), static_cast<std::streamsize>(n));
  pos_archivo_ += static_cast<uint64_t>(archivo_.gcount());
  return static_cast<size_t>(archivo_.gcount()) == n;
}

void LectorRar::situa(uint64_t pos) {
  if (archivo_ && pos >= pos_archivo_ && pos - pos_archivo_ <= buffer_archivo_.size()) {
    archivo_.ignore(static_cast<std::streamsize>(pos - pos_archivo_));
    pos_archivo_ += static_cast<uint64_t>(archivo_.gcount());
    if (pos_archivo_ == pos) return;
  }
  archivo_.clear();
  archivo_.seekg(static_cast<std::streamoff>(pos));
  pos_archivo_ = pos;
}

void LectorRar::lee_cabeceras() {
  uint8_t firma[7];
  if (!lee_bytes(firma, 7) || !std::equal(firma, firma + 7, kFirma))
    throw ErrorRar(TipoError::kAbrir, "no es un archivo RAR 4: " + ruta_.u8string());
  uint64_t pos = 7;
  bool principal = false;
  for (;;) {
    if (pos + 7 > tam_archivo_) danado("falta el bloque final (archivo truncado)");
    std::vector<uint8_t> bloque(7);
    situa(pos);
    lee_bytes(bloque.data(), 7);
    uint8_t tipo = bloque[2];
    uint16_t banderas = static_cast<uint16_t>(le16(&bloque[3]));
    uint32_t tam_cabecera = le16(&bloque[5]);
    if (tam_cabecera < 7 || pos + tam_cabecera > tam_archivo_) danado("cabecera de tamaño no válido");
    bloque.resize(tam_cabecera);
    if (!lee_bytes(bloque.data() + 7, tam_cabecera - 7)) danado("cabecera truncada");
    if (crc16_cabecera(bloque.data() + 2, bloque.size() - 2) != le16(bloque.data()))
      danado("CRC de cabecera incorrecto");
    uint64_t datos = 0;
    if ((banderas & kBloqueLargo) && tam_cabecera >= 11) datos = le32(&bloque[7]);

    if (tipo == kBloqueFin) break;
    if (tipo == kBloquePrincipal) {
      if (tam_cabecera < 13) danado("cabecera principal corta");
      principal = true;
      solido_ = (banderas & kPrincipalSolido) != 0;
      if (banderas & 0x0001) throw ErrorRar(TipoError::kNoSoportado, "archivos en varios volúmenes: no soportado");
      if (banderas & 0x0080) throw ErrorRar(TipoError::kNoSoportado, "cabeceras cifradas: no soportado");
    } else if (tipo == kBloqueFichero) {
      if (!principal) danado("falta la cabecera principal");
      CabeceraFichero c;
      if (!lee_cabecera_fichero(bloque, c)) danado("cabecera de fichero incoherente");
      datos = c.tam_comprimido;
      Entrada e;
      e.nombre = decodifica_nombre(c.nombre.data(), c.nombre.size(), (c.banderas & kNombreUnicode) != 0);
      e.carpeta = c.es_carpeta();
      e.solida = (c.banderas & kFicheroSolido) != 0;
      e.atributos = c.atributos;
      e.tam = c.tam;
      e.tam_comprimido = c.tam_comprimido;
      e.crc = c.crc;
      e.metodo = c.metodo;
      e.version = c.version;
      e.banderas = c.banderas;
      e.fecha_dos = c.fecha_dos;
      e.desplazamiento = pos + tam_cabecera;
      entradas_.push_back(e);
    }
    if (datos > tam_archivo_ - pos - tam_cabecera) danado("datos truncados");
    pos += tam_cabecera + datos;
  }
}

void LectorRar::lee(size_t indice, const std::function<void(const uint8_t*, size_t)>& salida) {
  const Entrada& e = entradas_.at(indice);
  if (e.carpeta) return;
  if (e.banderas & (kFicheroCifrado | kFicheroPartidoAntes | kFicheroPartidoDespues))
    throw ErrorRar(TipoError::kNoSoportado, e.nombre + ": cifrado o partido en volúmenes, no soportado");
  situa(e.desplazamiento);
  uint64_t restante = e.tam_comprimido;
  uint32_t crc = 0;
  auto cuenta = [&](const uint8_t* d, size_t n) {
    crc = crc32(d, n, crc);
    salida(d, n);
  };

  if (e.metodo == kMetodoAlmacenado) {
    if (e.tam != e.tam_comprimido) danado(e.nombre + ": tamaños incoherentes");
    std::vector<uint8_t> trozo(1 << 16);
    while (restante > 0) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(restante, trozo.size()));
      if (!lee_bytes(trozo.data(), n))
        danado(e.nombre + ": datos truncados");
      cuenta(trozo.data(), n);
      restante -= n;
    }
  } else if (e.metodo >= 0x31 && e.metodo <= 0x35 && e.version == kVersionDescompresion) {
    bool continua = e.solida;
    if (continua) {
      // A solid entry needs the previous compressed entry decoded just before it.
      long previo = -1;
      for (long i = static_cast<long>(indice) - 1; i >= 0; --i)
        if (!entradas_[i].carpeta && entradas_[i].metodo != kMetodoAlmacenado) {
          previo = i;
          break;
        }
      if (previo < 0 || estado_->ultimo_comprimido != previo)
        throw ErrorRar(TipoError::kNoSoportado, e.nombre + ": entrada sólida leída fuera de orden");
    }
    LectorBits bits([&](std::vector<uint8_t>& buf, size_t max) -> size_t {
      size_t n = static_cast<size_t>(std::min<uint64_t>(restante, max));
      if (n == 0) return 0;
      buf.resize(n);
      if (!lee_bytes(buf.data(), n))
        danado(e.nombre + ": datos truncados");
      restante -= n;
      return n;
    });
    estado_->ultimo_comprimido = -1;
    estado_->descompresor.descomprime(bits, e.tam, continua, cuenta);
    estado_->ultimo_comprimido = static_cast<long>(indice);
  } else {
    throw ErrorRar(TipoError::kNoSoportado,
                   e.nombre + ": método de compresión no soportado (" + std::to_string(e.metodo) + ")");
  }
  if (crc != e.crc) danado(e.nombre + ": CRC incorrecto");
}

void LectorRar::extrae_fichero(const Entrada& e, const fs::path& destino) {
  fs::path final = ruta_destino(destino, e.nombre);
  std::error_code ec;
  fs::create_directories(final.parent_path(), ec);
  if (ec) throw ErrorRar(TipoError::kEscritura, "no se puede crear la carpeta " + final.parent_path().u8string());
  // A file that already exists is replaced only once the new content's CRC
  // matched: the data goes to a file beside it that is then renamed over it,
  // so a damaged archive never replaces a good file with a bad one. A new
  // file is written in place and removed if its data turns out damaged.
  bool existia = fs::exists(final, ec);
  fs::path escrito = final;
  if (existia) escrito += ".rar-tmp";
  {
    std::ofstream salida(escrito, std::ios::binary | std::ios::trunc);
    if (!salida) throw ErrorRar(TipoError::kEscritura, "no se puede crear " + final.u8string());
    try {
      lee(static_cast<size_t>(&e - entradas_.data()), [&](const uint8_t* d, size_t n) {
        salida.write(reinterpret_cast<const char*>(d), static_cast<std::streamsize>(n));
        if (!salida) throw ErrorRar(TipoError::kEscritura, "no se puede escribir " + final.u8string());
      });
      salida.close();
      if (!salida) throw ErrorRar(TipoError::kEscritura, "no se puede escribir " + final.u8string());
    } catch (...) {
      salida.close();
      fs::remove(escrito, ec);
      throw;
    }
  }
  if (existia) {
    quita_solo_lectura(final);
    fs::rename(escrito, final, ec);
    if (ec) {
      fs::remove(escrito, ec);
      throw ErrorRar(TipoError::kEscritura, "no se puede reemplazar " + final.u8string());
    }
  }
  aplica_fecha(final, e.fecha_dos);
  aplica_atributos(final, e.atributos, false);
}

void LectorRar::extrae(const fs::path& destino, const std::function<void(const Entrada&)>& aviso) {
  for (const auto& e : entradas_)
    if (!nombre_seguro(e.nombre))
      throw ErrorRar(TipoError::kInseguro, "entrada con ruta fuera del destino: " + e.nombre);
  for (const auto& e : entradas_) comprueba_sin_enlaces(destino, e.nombre);
  std::error_code ec;
  fs::create_directories(destino, ec);
  if (ec) throw ErrorRar(TipoError::kEscritura, "no se puede crear la carpeta " + destino.u8string());

  std::vector<const Entrada*> carpetas;
  for (const auto& e : entradas_) {
    if (aviso) aviso(e);
    if (e.carpeta) {
      fs::path ruta = ruta_destino(destino, e.nombre);
      fs::create_directories(ruta, ec);
      if (ec || !fs::is_directory(ruta)) throw ErrorRar(TipoError::kEscritura, "no se puede crear la carpeta " + ruta.u8string());
      carpetas.push_back(&e);
    } else {
      extrae_fichero(e, destino);
    }
  }
  // Folder times and attributes last: writing the files changes a folder's
  // time, and a read-only folder must still receive its files.
  for (auto c = carpetas.rbegin(); c != carpetas.rend(); ++c) {
    fs::path ruta = ruta_destino(destino, (*c)->nombre);
    aplica_fecha(ruta, (*c)->fecha_dos);
    aplica_atributos(ruta, (*c)->atributos, true);
  }
}

}  // namespace zelvano::rar
