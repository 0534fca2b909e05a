// Sample Windows executables for the version-resource tests, built by the
// cross compiler at test time.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

namespace prueba {

inline const char* kRcVersion = R"(#include <winver.h>
VS_VERSION_INFO VERSIONINFO
FILEVERSION 20,21,1,8
PRODUCTVERSION 20,21,1,8
FILEFLAGSMASK 0x3fL
FILEOS 0x40004L
FILETYPE 0x1L
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "0C0A04E4"
    BEGIN
      VALUE "CompanyName", "Pelmora Soft\0"
      VALUE "FileVersion", "20.21.1.8\0"
      VALUE "Comments", "Actualizaci\363n\0"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x0C0A, 1252, 0x0409, 1252
  END
END
)";

// Builds an executable with the resource (or without) in `carpeta`; the
// product's width unless one that must run under this machine's Wine is
// asked for.
inline bool CompilaPE(const std::string& carpeta, const std::string& nombre, bool conVersion,
                      const std::string& triple = "i686-w64-mingw32") {
  std::ofstream(carpeta + "/" + nombre + ".c") << "int main(void) { return 0; }\n";
  std::string orden = "cd '" + carpeta + "' && ";
  std::string objetos = nombre + ".c";
  if (conVersion) {
    std::ofstream(carpeta + "/" + nombre + ".rc") << kRcVersion;
    orden += triple + "-windres -c 1252 " + nombre + ".rc -O coff -o " + nombre + ".res && ";
    objetos += " " + nombre + ".res";
  }
  orden += triple + "-gcc -o " + nombre + ".exe " + objetos + " >/dev/null 2>&1";
  return std::system(orden.c_str()) == 0;
}

}  // namespace prueba
