#pragma once
// What the posix file operations and folder listings share.
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/plataforma.h"

namespace plataforma {
namespace posix {

// The Windows attributes kept in an extended attribute of the file.
constexpr uint32_t kAtributosExtra = ATR_OCULTO | ATR_SISTEMA;

// The hidden and system bits stored with the file.
uint32_t AtributosExtra(const std::string& ruta);
// The Windows attributes of a file from its lstat.
uint32_t AtributosDe(const std::string& ruta, const struct stat& st);
// The hidden and system bits of a file: from an open listing of its folder
// when the file has not changed since, else from the file.
uint32_t AtributosExtraConocidos(const std::string& ruta, const struct stat& st);

// Writes all `n` bytes, through interrupted and short writes. Sets errno.
bool EscribeTodo(int fd, const char* datos, size_t n);

}  // namespace posix
}  // namespace plataforma
