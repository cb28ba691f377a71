// vorel-cli audit [--site N] [--verify]: prints the audit trail of writes (all sites or one),
// or follows its hash chain and says whether it is whole.
#pragma once

#include <span>
#include <string_view>

namespace vorel {

extern const char* const kAuditUsage;

// Exit status: 0 printed (or the chain is whole), 1 the trail cannot be read (or its chain is
// broken), 2 usage error.
int RunAuditCommand(std::span<const std::string_view> args);

}  // namespace vorel
