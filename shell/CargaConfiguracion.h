#pragma once

#include "Componentes.h"

#include <memory>
#include <string>

// Product and connection configuration at start-up. Reads the product folder
// from the settings file, checks it through `reg`, writes defaults for missing
// product data and loads the connection properties of `bd` (cMiBase too when
// `conBase`). Returns false when the product folder is wrong, after the
// "Atención" box and the "Editar INI" question (Yes opens the settings file).
// A missing object (`lib`, `reg`, `bd` or a private one) makes the first call
// on it fail with ErrorRT 91; operation errors are not caught.
bool CargaConfiguracion(std::shared_ptr<rtqx5::libRTSA>& lib,
                        std::shared_ptr<rtqx5::DelRegistro>& reg,
                        std::shared_ptr<rtqx5::BasesDD>& bd, const std::string& rutaConfiguracion,
                        bool conBase);
