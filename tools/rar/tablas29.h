#pragma once
#include <cstdint>

// Symbol layout of the LZ format of archive version 2.9: alphabet sizes,
// length and distance slots. Shared by the compressor and the decompressor.
namespace zelvano::rar::v29 {

constexpr int kSimbolosPrincipales = 299;  // 256 literals + control + lengths
constexpr int kSimbolosDistancia = 60;
constexpr int kSimbolosDistanciaBaja = 17;
constexpr int kSimbolosLongitud = 28;
constexpr int kSimbolosTablas = kSimbolosPrincipales + kSimbolosDistancia +
                                kSimbolosDistanciaBaja + kSimbolosLongitud;
constexpr int kSimbolosNivel = 20;

constexpr int kFinBloque = 256;
constexpr int kFiltro = 257;
constexpr int kRepiteUltima = 258;
constexpr int kDistanciaAnterior = 259;  // 259..262: one of the last four distances
constexpr int kDistanciaCorta = 263;     // 263..270: length 2, distance 1..256
constexpr int kLongitudBase = 271;       // 271..298: a new distance follows

constexpr uint32_t kVentana = 0x400000;  // 4 MB dictionary

constexpr uint8_t kBaseLongitud[28] = {0,  1,  2,  3,  4,  5,  6,  7,  8,   10,  12,  14,  16,  20,
                                       24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr uint8_t kBitsLongitud[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                       2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};

constexpr uint32_t kBaseDistancia[60] = {
    0,       1,       2,       3,       4,       6,       8,       12,      16,      24,
    32,      48,      64,      96,      128,     192,     256,     384,     512,     768,
    1024,    1536,    2048,    3072,    4096,    6144,    8192,    12288,   16384,   24576,
    32768,   49152,   65536,   98304,   131072,  196608,  262144,  327680,  393216,  458752,
    524288,  589824,  655360,  720896,  786432,  851968,  917504,  983040,  1048576, 1310720,
    1572864, 1835008, 2097152, 2359296, 2621440, 2883584, 3145728, 3407872, 3670016, 3932160};
constexpr uint8_t kBitsDistancia[60] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,
                                        6,  7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13,
                                        14, 14, 15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16,
                                        16, 16, 16, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18};

constexpr uint8_t kBaseCorta[8] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr uint8_t kBitsCorta[8] = {2, 2, 3, 4, 5, 6, 6, 6};

// Slots with more distance bits than this send the low four bits through
// their own Huffman table.
constexpr int kUltimaRanuraSinBaja = 9;

// Long distances lengthen the stored match length implicitly.
inline int ajuste_longitud(uint32_t distancia) {
  return (distancia >= 0x2000) + (distancia >= 0x40000);
}

}  // namespace zelvano::rar::v29
