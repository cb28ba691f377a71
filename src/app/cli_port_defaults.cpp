#include "app/cli_port_defaults.h"

#include "control/settings.h"

namespace vorel {

PortSettings CliDefaultPortSettings() {
  PortSettings settings = LoadPortSettings(PortSettings{});
  // The command line chooses the collection per command (--fast / --paced), whatever the
  // windows' setting.
  settings.fastReplies = false;
  return settings;
}

}  // namespace vorel
