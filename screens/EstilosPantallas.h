// The look shared by the notice and final screens: black borderless windows
// with extruded headlines, lime-on-black text areas and the acknowledgement
// check box.
#pragma once

#include <initializer_list>
#include <string>

#include "platform/texto.h"
#include "platform/ui.h"

namespace pantallas {

using texto::Texto;

// Window and the bevelled panel that fills it.
ui::Panel* PreparaPantalla(ui::Formulario& f, const Texto& caption);

// Headlines across the width: red on yellow shadow, or yellow on red.
ui::Etiqueta* TitularRojo(ui::Control* padre, const char* nombre, const Texto& caption);
ui::Etiqueta* TitularAmarillo(ui::Control* padre, const char* nombre, const Texto& caption);

// Lime-on-black text box with the given lines.
ui::Memo* AreaTexto(ui::Control* padre, const char* nombre, int left, int top, int width, int height,
                    int altoFuentePx, std::initializer_list<const char16_t*> lineas);

// "He Leído y Entendido", unticked.
ui::Casilla* CasillaLeido(ui::Control* padre);

}  // namespace pantallas
