// Creates a site's online parameter window for the connection: a ParameterWindow on the
// connection's value image and site slots, its buttons wired to the connection's commands.
#pragma once

#include <memory>

#include "control/connection.h"

namespace vorel {

std::unique_ptr<SiteWindow> MakeParameterWindow(Connection& connection, int site,
                                                SiteCommands& commands);

}  // namespace vorel
