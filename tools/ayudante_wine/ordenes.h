// The helper's commands. Each returns the process exit status: 0 done,
// 1 not found or timed out (with the reason on standard error), 2 misuse.
#pragma once

#include <string>
#include <vector>

namespace ayudante {

using Argumentos = std::vector<std::wstring>;

struct Orden {
  const wchar_t* nombre;
  const char* uso;
  size_t minimo;  // arguments required after the command name
  size_t maximo;
  int (*ejecuta)(const Argumentos&);
};

const std::vector<Orden>& Ordenes();

}  // namespace ayudante
