#include "shell/UnidadVentas.h"

void TfV::ReponerTodo() { Finaliza(); }
