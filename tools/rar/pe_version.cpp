#include "tools/rar/pe_version.h"

#include <cstring>

namespace zelvano::rar {
namespace {

class Bytes {
 public:
  std::vector<uint8_t> v;
  void u8(uint32_t x) { v.push_back(static_cast<uint8_t>(x)); }
  void u16(uint32_t x) { u8(x); u8(x >> 8); }
  void u32(uint32_t x) { u16(x & 0xFFFF); u16(x >> 16); }
  void wtexto(const std::string& s) {  // ASCII to UTF-16LE, with terminator
    for (char c : s) u16(static_cast<uint8_t>(c));
    u16(0);
  }
  void alinea(size_t a) { while (v.size() % a) u8(0); }
  void pon16(size_t pos, uint32_t x) { v[pos] = static_cast<uint8_t>(x); v[pos + 1] = static_cast<uint8_t>(x >> 8); }
  void pon32(size_t pos, uint32_t x) { pon16(pos, x & 0xFFFF); pon16(pos + 2, x >> 16); }
};

// Version resource blocks: length, value length, type, key, then children;
// every block starts on a 32-bit boundary.
size_t abre_bloque(Bytes& b, uint32_t largo_valor, uint32_t tipo, const std::string& clave) {
  b.alinea(4);
  size_t inicio = b.v.size();
  b.u16(0);
  b.u16(largo_valor);
  b.u16(tipo);
  b.wtexto(clave);
  b.alinea(4);
  return inicio;
}
void cierra_bloque(Bytes& b, size_t inicio) { b.pon16(inicio, static_cast<uint32_t>(b.v.size() - inicio)); }

void cadena(Bytes& b, const std::string& clave, const std::string& valor) {
  size_t i = abre_bloque(b, static_cast<uint32_t>(valor.size() + 1), 1, clave);
  b.wtexto(valor);
  cierra_bloque(b, i);
}

std::vector<uint8_t> recurso_version(const DatosVersion& d) {
  std::string texto = std::to_string(d.partes[0]) + "." + std::to_string(d.partes[1]) + "." +
                      std::to_string(d.partes[2]) + "." + std::to_string(d.partes[3]);
  Bytes b;
  size_t raiz = abre_bloque(b, 52, 0, "VS_VERSION_INFO");
  b.u32(0xFEEF04BD);
  b.u32(0x00010000);
  uint32_t ms = (static_cast<uint32_t>(d.partes[0]) << 16) | d.partes[1];
  uint32_t ls = (static_cast<uint32_t>(d.partes[2]) << 16) | d.partes[3];
  b.u32(ms); b.u32(ls);  // file version
  b.u32(ms); b.u32(ls);  // product version
  b.u32(0x3F);           // flags mask
  b.u32(0);              // flags
  b.u32(0x00040004);     // VOS_NT_WINDOWS32
  b.u32(d.dll ? 2 : 1);  // VFT_DLL / VFT_APP
  b.u32(0);
  b.u32(0); b.u32(0);    // date
  size_t sfi = abre_bloque(b, 0, 1, "StringFileInfo");
  size_t tabla = abre_bloque(b, 0, 1, "0C0A04B0");
  cadena(b, "CompanyName", "Zelvano Sistemas");
  cadena(b, "FileDescription", d.descripcion);
  cadena(b, "FileVersion", texto);
  cadena(b, "InternalName", d.nombre_original.substr(0, d.nombre_original.rfind('.')));
  cadena(b, "OriginalFilename", d.nombre_original);
  cadena(b, "ProductName", d.producto);
  cadena(b, "ProductVersion", texto);
  cierra_bloque(b, tabla);
  cierra_bloque(b, sfi);
  size_t vfi = abre_bloque(b, 0, 1, "VarFileInfo");
  size_t var = abre_bloque(b, 4, 0, "Translation");
  b.u16(0x0C0A);
  b.u16(1200);
  cierra_bloque(b, var);
  cierra_bloque(b, vfi);
  cierra_bloque(b, raiz);
  return b.v;
}

constexpr uint32_t kAlineaFichero = 0x200;
constexpr uint32_t kAlineaSeccion = 0x1000;
constexpr uint32_t kRvaCodigo = 0x1000;
constexpr uint32_t kRvaRecursos = 0x2000;

uint32_t redondea(uint32_t x, uint32_t a) { return (x + a - 1) / a * a; }

// Resource directory with one entry per level: RT_VERSION / 1 / 0x0C0A.
std::vector<uint8_t> seccion_recursos(const std::vector<uint8_t>& version) {
  Bytes b;
  auto directorio = [&](uint32_t id, uint32_t destino, bool subdirectorio) {
    b.u32(0); b.u32(0); b.u16(0); b.u16(0);  // characteristics, time, version
    b.u16(0); b.u16(1);                      // named entries, id entries
    b.u32(id);
    b.u32(subdirectorio ? (0x80000000u | destino) : destino);
  };
  directorio(16, 24, true);      // at 0: type RT_VERSION -> directory at 24
  directorio(1, 48, true);       // at 24: name 1 -> directory at 48
  directorio(0x0C0A, 72, false); // at 48: language -> data entry at 72
  b.u32(kRvaRecursos + 88);      // data entry at 72: RVA of the data
  b.u32(static_cast<uint32_t>(version.size()));
  b.u32(0);
  b.u32(0);
  b.v.insert(b.v.end(), version.begin(), version.end());  // at 88
  return b.v;
}

}  // namespace

std::vector<uint8_t> pe_con_version(const DatosVersion& d) {
  const std::vector<uint8_t> codigo = {0x31, 0xC0, 0xC3};  // xor eax,eax; ret
  std::vector<uint8_t> recursos = seccion_recursos(recurso_version(d));
  uint32_t tam_recursos = static_cast<uint32_t>(recursos.size());

  Bytes b;
  // DOS header: only the signature and the offset of the PE header matter.
  b.u16(0x5A4D);
  b.v.resize(0x3C, 0);
  b.u32(0x40);
  b.u32(0x00004550);  // "PE\0\0"
  // File header.
  b.u16(0x014C);  // i386
  b.u16(2);       // sections
  b.u32(0);
  b.u32(0);
  b.u32(0);
  b.u16(0xE0);  // optional header size
  b.u16(d.dll ? 0x2103 : 0x0103);  // relocs stripped, executable, 32-bit (+ DLL)
  // Optional header.
  b.u16(0x010B);
  b.u8(2); b.u8(0);
  b.u32(kAlineaFichero);                          // size of code
  b.u32(redondea(tam_recursos, kAlineaFichero));  // initialized data
  b.u32(0);
  b.u32(kRvaCodigo);                              // entry point
  b.u32(kRvaCodigo);                              // base of code
  b.u32(kRvaRecursos);                            // base of data
  b.u32(d.dll ? 0x10000000 : 0x00400000);         // image base
  b.u32(kAlineaSeccion);
  b.u32(kAlineaFichero);
  b.u16(4); b.u16(0);  // OS version
  b.u16(0); b.u16(0);  // image version
  b.u16(4); b.u16(0);  // subsystem version
  b.u32(0);
  b.u32(kRvaRecursos + redondea(tam_recursos, kAlineaSeccion));  // size of image
  b.u32(kAlineaFichero);                                        // size of headers
  b.u32(0);                                                     // checksum
  b.u16(2);                                                     // GUI subsystem
  b.u16(0);
  b.u32(0x100000); b.u32(0x1000); b.u32(0x100000); b.u32(0x1000);
  b.u32(0);
  b.u32(16);
  for (int i = 0; i < 16; ++i) {
    if (i == 2) { b.u32(kRvaRecursos); b.u32(tam_recursos); }
    else { b.u32(0); b.u32(0); }
  }
  auto seccion = [&](const char* nombre, uint32_t tam_virtual, uint32_t rva, uint32_t tam_bruto,
                     uint32_t puntero, uint32_t caracteristicas) {
    char n[8] = {};
    std::strncpy(n, nombre, 8);
    for (char c : n) b.u8(static_cast<uint8_t>(c));
    b.u32(tam_virtual); b.u32(rva); b.u32(tam_bruto); b.u32(puntero);
    b.u32(0); b.u32(0); b.u16(0); b.u16(0);
    b.u32(caracteristicas);
  };
  seccion(".text", static_cast<uint32_t>(codigo.size()), kRvaCodigo, kAlineaFichero, kAlineaFichero, 0x60000020);
  seccion(".rsrc", tam_recursos, kRvaRecursos, redondea(tam_recursos, kAlineaFichero), 2 * kAlineaFichero,
          0x40000040);
  b.v.resize(kAlineaFichero, 0);
  b.v.insert(b.v.end(), codigo.begin(), codigo.end());
  b.v.resize(2 * kAlineaFichero, 0);
  b.v.insert(b.v.end(), recursos.begin(), recursos.end());
  b.alinea(kAlineaFichero);
  return b.v;
}

}  // namespace zelvano::rar
