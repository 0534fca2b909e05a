#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Small but well-formed sample documents for the payload of the new version.
namespace zelvano::rar {

// Baseline JPEG of a flat grey image of the given size (multiples of 8).
std::vector<uint8_t> jpeg_gris(int ancho, int alto, uint8_t gris, const std::string& comentario);

// One-page PDF 1.4 with a title and lines of text (ASCII or Latin-1 text
// given as UTF-8), with a correct cross-reference table.
std::vector<uint8_t> pdf_simple(const std::string& titulo, const std::vector<std::string>& lineas);

// RTF document in code page 1252 with a title and paragraphs.
std::vector<uint8_t> rtf_simple(const std::string& titulo, const std::vector<std::string>& parrafos);

// Text as Windows-1252 with CR LF line ends.
std::vector<uint8_t> texto_ansi(const std::vector<std::string>& lineas);

// Deterministic bytes that look like structured binary data.
std::vector<uint8_t> datos_binarios(uint32_t semilla, size_t tam);

}  // namespace zelvano::rar
