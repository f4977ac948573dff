#include "ComplementosCliente.h"

namespace rtqx5 {

// The system's client library knows where its own plugins are installed.
std::string CarpetaComplementosCliente() {
    return {};
}

} // namespace rtqx5
