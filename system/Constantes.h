// Every scrambled constant of the program lives in Constantes.cpp, each with
// a comment saying what it unscrambles to.
#pragma once

#include "platform/texto.h"

namespace constantes {

using texto::Texto;

// Database password, stored in the permutation scheme (restored with
// TransformaTexto(..., 0)).
extern const Texto ClaveBaseDatosGuardada;  // 6 characters

// Names of the product's configuration file: passed to the file exactly as
// stored (the product writes them scrambled too).
extern const Texto SeccionInstalacion;   // 2 characters
extern const Texto IdentNombrePC;        // 9 characters
extern const Texto IdentRutaAplicacion;  // 8 characters
extern const Texto IdentNombreServidor;  // 15 characters
extern const Texto IdentRutaDatos;       // 13 characters

// Login parameter names and the one fixed value, in the byte scheme
// (CifraBytes turns them into text).
extern const Texto NombreParamUsuario;   // user_name
extern const Texto NombreParamClave;     // password
extern const Texto NombreParamTercero;   // 13 characters
extern const Texto ValorParamTercero;    // 9 characters

// Dialog headlines by kind, in the byte scheme (DescifraMensaje).
extern const Texto TituloAviso;          // kind 33, 19 characters
extern const Texto TituloPregunta;       // kind 63, 25 characters
extern const Texto TituloError;          // kind 69, 19 characters
extern const Texto TituloMantenimiento;  // kinds 77 and 87, 40 characters
extern const Texto TituloN;              // kind 78, 23 characters
extern const Texto TituloR;              // kind 82, 37 characters
extern const Texto TituloS;              // kind 83, 26 characters

}  // namespace constantes
