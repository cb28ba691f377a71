#include "app/cli_port_defaults.h"

#include "control/settings.h"

namespace vorel {

PortSettings CliDefaultPortSettings() {
  return LoadPortSettings(PortSettings{});
}

}  // namespace vorel
