#include "tools/rar/muestras.h"

#include <cstdio>

#include "staging/rar/nombres.h"

namespace zelvano::rar {
namespace {

// UTF-8 to Windows-1252 for the Latin-1 range; anything else becomes '?'.
std::string a_1252(const std::string& utf8) {
  std::string r;
  for (char16_t c : utf8_a_utf16(utf8)) r.push_back(c < 0x100 ? static_cast<char>(c) : '?');
  return r;
}

void agrega(std::vector<uint8_t>& v, const std::string& s) { v.insert(v.end(), s.begin(), s.end()); }

}  // namespace

std::vector<uint8_t> jpeg_gris(int ancho, int alto, uint8_t gris, const std::string& comentario) {
  std::vector<uint8_t> j = {0xFF, 0xD8};
  // JFIF header.
  agrega(j, std::string("\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x48\x00\x48\x00\x00", 18));
  // Comment.
  size_t lc = comentario.size() + 2;
  j.insert(j.end(), {0xFF, 0xFE, static_cast<uint8_t>(lc >> 8), static_cast<uint8_t>(lc)});
  agrega(j, comentario);
  // Quantization table: all ones.
  j.insert(j.end(), {0xFF, 0xDB, 0x00, 0x43, 0x00});
  j.insert(j.end(), 64, 1);
  // Frame: 8-bit, one component, no subsampling.
  j.insert(j.end(), {0xFF, 0xC0, 0x00, 0x0B, 0x08, static_cast<uint8_t>(alto >> 8), static_cast<uint8_t>(alto),
                     static_cast<uint8_t>(ancho >> 8), static_cast<uint8_t>(ancho), 0x01, 0x01, 0x11, 0x00});
  // Huffman tables with one code each: DC category of the first block's
  // difference, then 0 for the rest; AC end-of-block.
  int dc = (static_cast<int>(gris) - 128) * 8;  // DC coefficient of a flat block
  int cat = 0;
  for (int a = dc < 0 ? -dc : dc; a; a >>= 1) ++cat;
  if (cat == 0) {
    j.insert(j.end(), {0xFF, 0xC4, 0x00, 0x14, 0x00, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00});
  } else {
    j.insert(j.end(), {0xFF, 0xC4, 0x00, 0x15, 0x00, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00,
                       static_cast<uint8_t>(cat)});
  }
  j.insert(j.end(), {0xFF, 0xC4, 0x00, 0x14, 0x10, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00});
  j.insert(j.end(), {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00});
  // Scan: codes are "0" (length 1) for a single-symbol table; with two DC
  // symbols, 0 -> "00" and cat -> "01".
  std::vector<int> bits;
  int bloques = (ancho / 8) * (alto / 8);
  for (int b = 0; b < bloques; ++b) {
    if (cat == 0) {
      bits.push_back(0);
    } else if (b == 0) {
      bits.push_back(0);
      bits.push_back(1);
      uint32_t v = dc > 0 ? static_cast<uint32_t>(dc) : static_cast<uint32_t>(dc + (1 << cat) - 1);
      for (int k = cat - 1; k >= 0; --k) bits.push_back((v >> k) & 1);
    } else {
      bits.push_back(0);
      bits.push_back(0);
    }
    bits.push_back(0);  // end of block
  }
  while (bits.size() % 8) bits.push_back(1);
  for (size_t i = 0; i < bits.size(); i += 8) {
    uint8_t byte = 0;
    for (int k = 0; k < 8; ++k) byte = static_cast<uint8_t>((byte << 1) | bits[i + k]);
    j.push_back(byte);
    if (byte == 0xFF) j.push_back(0x00);
  }
  j.insert(j.end(), {0xFF, 0xD9});
  return j;
}

std::vector<uint8_t> pdf_simple(const std::string& titulo, const std::vector<std::string>& lineas) {
  auto escapa = [](const std::string& s) {
    std::string r;
    for (char c : a_1252(s)) {
      if (c == '(' || c == ')' || c == '\\') r.push_back('\\');
      r.push_back(c);
    }
    return r;
  };
  std::string contenido = "BT /F1 18 Tf 72 760 Td (" + escapa(titulo) + ") Tj ET\n";
  int y = 720;
  for (const auto& l : lineas) {
    contenido += "BT /F1 11 Tf 72 " + std::to_string(y) + " Td (" + escapa(l) + ") Tj ET\n";
    y -= 16;
  }
  std::vector<std::string> objetos = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
      "/Resources << /Font << /F1 5 0 R >> >> >>",
      "<< /Length " + std::to_string(contenido.size()) + " >>\nstream\n" + contenido + "endstream",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
      "<< /Title (" + escapa(titulo) + ") /Producer (Zelvano) >>"};
  std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<size_t> posiciones;
  for (size_t i = 0; i < objetos.size(); ++i) {
    posiciones.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objetos[i] + "\nendobj\n";
  }
  size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objetos.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t p : posiciones) {
    char linea[32];
    std::snprintf(linea, sizeof linea, "%010zu 00000 n \n", p);
    pdf += linea;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objetos.size() + 1) + " /Root 1 0 R /Info 6 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return std::vector<uint8_t>(pdf.begin(), pdf.end());
}

std::vector<uint8_t> rtf_simple(const std::string& titulo, const std::vector<std::string>& parrafos) {
  auto escapa = [](const std::string& s) {
    std::string r;
    for (char c : a_1252(s)) {
      auto b = static_cast<uint8_t>(c);
      if (c == '\\' || c == '{' || c == '}') {
        r.push_back('\\');
        r.push_back(c);
      } else if (b >= 0x80) {
        char h[8];
        std::snprintf(h, sizeof h, "\\'%02x", b);
        r += h;
      } else {
        r.push_back(c);
      }
    }
    return r;
  };
  std::string r = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang3082{\\fonttbl{\\f0\\fswiss Arial;}}\r\n";
  r += "{\\pard\\qc\\b\\fs28 " + escapa(titulo) + "\\par}\r\n";
  for (const auto& p : parrafos) r += "{\\pard\\fs20 " + escapa(p) + "\\par}\r\n";
  r += "}\r\n";
  return std::vector<uint8_t>(r.begin(), r.end());
}

std::vector<uint8_t> texto_ansi(const std::vector<std::string>& lineas) {
  std::string t;
  for (const auto& l : lineas) t += a_1252(l) + "\r\n";
  return std::vector<uint8_t>(t.begin(), t.end());
}

std::vector<uint8_t> datos_binarios(uint32_t semilla, size_t tam) {
  // Records of a fixed layout with slowly changing fields and some noise,
  // so the data compresses like real tables rather than like zeros.
  std::vector<uint8_t> d;
  d.reserve(tam);
  uint32_t x = semilla * 2654435761u + 1;
  auto siguiente = [&x]() {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
  };
  uint32_t registro = 0;
  while (d.size() < tam) {
    uint8_t reg[32] = {};
    reg[0] = 0x5A;
    reg[1] = static_cast<uint8_t>(registro);
    reg[2] = static_cast<uint8_t>(registro >> 8);
    uint32_t r = siguiente();
    for (int k = 4; k < 12; ++k) reg[k] = static_cast<uint8_t>(r >> ((k % 4) * 8));
    for (int k = 12; k < 32; ++k) reg[k] = static_cast<uint8_t>("ZELVANO-TPV-REGISTRO-DATOS"[(k + registro) % 26]);
    for (int k = 0; k < 32 && d.size() < tam; ++k) d.push_back(reg[k]);
    ++registro;
  }
  return d;
}

}  // namespace zelvano::rar
