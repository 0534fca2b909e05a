// The statements that build a product database of version 20.21.0.3.
#pragma once

#include <string>
#include <vector>

namespace soporte_bd {

const std::vector<std::string>& EsquemaVersion_20_21_0_3();

}  // namespace soporte_bd
