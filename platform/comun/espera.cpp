// What the user-interface thread does while it waits: the hooks the
// user-interface layer sets, the same on both backends.
#include <atomic>

#include "platform/plataforma.h"

namespace plataforma {

namespace {

std::atomic<Pausa> pausaFijada{nullptr};
std::atomic<Latido> latidoFijado{nullptr};

}  // namespace

void FijaEspera(Pausa pausa, Latido latido) {
  pausaFijada = pausa;
  latidoFijado = latido;
}

// The backends' Duerme: true when the layer above took the pause.
bool PausaFijada(uint32_t milisegundos) {
  const Pausa p = pausaFijada;
  if (!p) return false;
  p(milisegundos);
  return true;
}

Latidos::Latidos() : ultimo_(ContadorRendimiento()) {}

bool Latidos::Hay() { return latidoFijado.load() != nullptr; }

void Latidos::Late() {
  const Latido l = latidoFijado;
  if (!l) return;
  const int64_t ahora = ContadorRendimiento();
  if ((ahora - ultimo_) * 1000 < static_cast<int64_t>(kIntervaloLatidoMs) * FrecuenciaRendimiento()) return;
  l();
  ultimo_ = ContadorRendimiento();
}

}  // namespace plataforma
