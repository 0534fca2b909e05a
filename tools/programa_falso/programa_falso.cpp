// Stand-in for the product's programs in generated installations: a Windows
// program without a window. Given a number of milliseconds on its command
// line it stays alive that long, so that a test can have it running (and its
// file in use) while the wizard works.
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lineaComandos, int) {
  const long milisegundos = std::strtol(lineaComandos, nullptr, 10);
  if (milisegundos > 0) Sleep(static_cast<DWORD>(milisegundos));
  return 0;
}
