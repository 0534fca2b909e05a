#pragma once
#include <cstdint>
#include <filesystem>

namespace zelvano::rar {

// Gives an extracted file or folder its stored DOS attributes (read-only,
// hidden, system, archive). Only Windows keeps them; elsewhere nothing
// happens. Failures are ignored: the data is what matters.
void aplica_atributos(const std::filesystem::path& ruta, uint32_t atributos, bool carpeta);

// Sets the modification time from an MS-DOS date and time (local time), as
// stored in the archive. Failures are ignored.
void aplica_fecha(const std::filesystem::path& ruta, uint32_t fecha_dos);

// Clears a read-only attribute so an existing file can be replaced.
void quita_solo_lectura(const std::filesystem::path& ruta);

}  // namespace zelvano::rar
