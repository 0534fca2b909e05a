#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Block layout of version 4 archives: every block starts with a CRC16, a type
// byte, 16-bit flags and a 16-bit header size, all little-endian.
namespace zelvano::rar {

constexpr uint8_t kFirma[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};

constexpr uint8_t kBloquePrincipal = 0x73;
constexpr uint8_t kBloqueFichero = 0x74;
constexpr uint8_t kBloqueFin = 0x7B;

constexpr uint16_t kPrincipalSolido = 0x0008;

constexpr uint16_t kFicheroPartidoAntes = 0x0001;
constexpr uint16_t kFicheroPartidoDespues = 0x0002;
constexpr uint16_t kFicheroCifrado = 0x0004;
constexpr uint16_t kFicheroSolido = 0x0010;
constexpr uint16_t kMascaraDiccionario = 0x00E0;
constexpr uint16_t kDiccionario4M = 0x00C0;
constexpr uint16_t kEsCarpeta = 0x00E0;
constexpr uint16_t kFicheroGrande = 0x0100;
constexpr uint16_t kNombreUnicode = 0x0200;
constexpr uint16_t kConSal = 0x0400;
constexpr uint16_t kConHoraExtendida = 0x1000;
constexpr uint16_t kBloqueLargo = 0x8000;  // a data size follows the header
constexpr uint16_t kFinSinBloqueSiguiente = 0x4000;

constexpr uint8_t kSistemaWindows = 2;
constexpr uint8_t kMetodoAlmacenado = 0x30;
constexpr uint8_t kMetodoMejor = 0x35;
constexpr uint8_t kVersionDescompresion = 29;

constexpr uint32_t kAtributoSoloLectura = 0x01;
constexpr uint32_t kAtributoCarpeta = 0x10;
constexpr uint32_t kAtributoArchivo = 0x20;

struct CabeceraFichero {
  uint16_t banderas = kBloqueLargo;
  uint64_t tam_comprimido = 0;
  uint64_t tam = 0;
  uint8_t sistema = kSistemaWindows;
  uint32_t crc = 0;
  uint32_t fecha_dos = 0;
  uint8_t version = kVersionDescompresion;
  uint8_t metodo = kMetodoAlmacenado;
  std::vector<uint8_t> nombre;  // raw name field
  uint32_t atributos = 0;
  // Writes the 64-bit size fields even for small sizes, so a header written
  // before the packed size is known keeps its length when rewritten.
  bool forzar_grande = false;

  bool es_carpeta() const { return (banderas & kMascaraDiccionario) == kEsCarpeta; }
};

// Complete serialized blocks, CRC included.
std::vector<uint8_t> bloque_principal(uint16_t banderas);
std::vector<uint8_t> bloque_fichero(const CabeceraFichero& c);
std::vector<uint8_t> bloque_fin();

// Parses a file block whose bytes (CRC through the end of the header) are
// given; returns false when the layout is inconsistent.
bool lee_cabecera_fichero(const std::vector<uint8_t>& bloque, CabeceraFichero& c);

// Local time of day as an MS-DOS date and time.
uint32_t fecha_dos(int anio, int mes, int dia, int hora, int minuto, int segundo);

}  // namespace zelvano::rar
