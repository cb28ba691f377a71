#include "app/cli_port_defaults.h"

namespace vorel {

PortSettings CliDefaultPortSettings() {
  return PortSettings{};
}

}  // namespace vorel
