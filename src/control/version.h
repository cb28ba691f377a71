// The version text of the About box, also written into the power-up log at connection.
#pragma once

namespace vorel {

inline constexpr const char* kVersionText = "Version 1.40c";

}  // namespace vorel
