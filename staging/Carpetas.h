// Folder copy that also reports what it could not copy: the save must be
// complete before anything is deleted, and the rollback must not throw away
// a saved copy it failed to put back.
#pragma once

#include "system/Informe.h"

namespace staging {

// What a copy left behind: how many entries did not reach the destination,
// and the first of them (its source path).
struct FallosCopia {
  int cuenta = 0;
  Texto primero;
  void Anota(const Texto& ruta) {
    if (cuenta++ == 0) primero = ruta;
  }
  void Suma(const FallosCopia& otros) {
    if (otros.cuenta && !cuenta) primero = otros.primero;
    cuenta += otros.cuenta;
  }
};

// Same log lines, size panel and pumps as TfV::CopiaCarpeta. Counts files
// whose copy failed, folders that could not be created, and folders of the
// source that exist but could not be read. A failed copy onto a file that
// already holds the same bytes is not counted. Links (symbolic links,
// junctions) are logged and neither followed nor copied.
// `omite`, when given, names entries of the source folder itself (not of its
// sub-folders) that are left out.
using Omision = bool (*)(const Texto& nombre);
FallosCopia CopiaCarpetaContando(Informe& informe, const Texto& origen, const Texto& destino, double& total,
                                 Omision omite = nullptr);

// BorraCarpeta that keeps the entries `omite` names (directly inside
// `carpeta`); the folder itself goes only when nothing was kept. True when
// everything else went.
bool BorraCarpetaSalvo(Informe& informe, const Texto& carpeta, Omision omite);
// The whole folder (TfV::BorraCarpeta).
bool BorraCarpeta(Informe& informe, const Texto& carpeta);

// DeleteFileW on a file that may be read-only: Windows refuses to delete
// one, so the attribute is cleared first, as the folder delete does, and put
// back when the file stays (in use, say).
bool BorraFicheroSoloLectura(const Texto& ruta);

// The folder exists and holds no entry.
bool CarpetaVacia(const Texto& carpeta);

// The two files hold the same bytes; read in pieces, whatever their size.
bool MismoContenido(const Texto& a, const Texto& b);

}  // namespace staging
