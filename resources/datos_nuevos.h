#pragma once
#include <cstddef>

// The archive with the new version's files, linked into the Linux build of
// the wizard (the Windows build carries it as the resource "DATOS_NUEVOS").
extern const unsigned char datos_nuevos[];
extern const size_t datos_nuevos_tam;
