// Version text of the stand-in program: a fixed-width mark that the
// installation generator overwrites with the version it lays out (the rest of
// the field is filled with zero characters, which end the string).
#pragma once

#define ZELVANO_MARCA_VERSION "ZELVANO-MARCA-DE-VERSION-32-CARS"
