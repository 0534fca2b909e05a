// galeria_dialogos <kind> <wide 0|1> <seconds> <application folder> <text>
// Shows the message dialog of the given kind over the wizard's main window,
// through the wizard's own MuestraDialogo, and ends when it closes. In the
// text, the two characters \ and n stand for a line feed (the calls of the
// wizard pass real line feeds). The application folder is where the
// maintenance clip is looked for.
// galeria_dialogos aviso|final
// Shows the notice or the final screen over the main window instead, as
// the wizard does, and ends when it closes.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/ui.h"
#include "screens/UnidadAviso.h"
#include "screens/Unidad_Final.h"
#include "shell/UnidadVentas.h"

namespace {

texto::Texto T(const wchar_t* w) {
  texto::Texto t;
  for (; *w; ++w) t += static_cast<char16_t>(*w);
  return t;
}

texto::Texto ConSaltos(const texto::Texto& t) {
  texto::Texto r;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == u'\\' && i + 1 < t.size() && t[i + 1] == u'n') {
      r += u'\n';
      ++i;
    } else {
      r += t[i];
    }
  }
  return r;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int n = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &n);
  const bool pantalla = args && n == 2;
  if (!args || (n != 6 && !pantalla)) return 2;
  ui::aplicacion::Inicializa();
  ui::aplicacion::SetTitulo(u"Actualizaci\u00F3n Zelvano");
  fV = new TfV;
  // Only the window: no installation is looked for and no notice shown.
  fV->OnShow = nullptr;
  fV->OnActivate = nullptr;
  if (!pantalla) fV->Valores->RutaAplicacion = T(args[4]);
  ui::aplicacion::SetFormularioPrincipal(fV);
  fV->Show();
  ui::aplicacion::ProcesaMensajes();
  if (pantalla) {
    if (std::wstring(args[1]) == L"aviso") {
      TfrmAviso aviso(fV);
      frmAviso = &aviso;
      aviso.ShowModal();
      frmAviso = nullptr;
    } else if (std::wstring(args[1]) == L"final") {
      Tfrm_Final final(fV);
      frm_Final = &final;
      final.ShowModal();
      frm_Final = nullptr;
    } else {
      return 2;
    }
    return 0;
  }
  const char16_t tipo = static_cast<char16_t>(_wtoi(args[1]));
  fV->MuestraDialogo(ConSaltos(T(args[5])), tipo, _wtoi(args[2]) != 0, _wtoi(args[3]));
  return 0;
}
