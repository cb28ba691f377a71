#include "core/load_state.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "core/register_table.h"
#include "core/site_images.h"

namespace vorel {
namespace {

constexpr std::uint16_t kGenSetLoaded = 308;
constexpr std::uint16_t kGenSetLoadedA = 289;  // "Loaded A" on type 3102 only
constexpr std::uint16_t kTypeWithLoadedA = 3102;
// Transfer-switch states with the generator's breaker closed.
constexpr std::array<std::uint16_t, 3> kGeneratorBreakerClosed{322, 325, 326};

}  // namespace

bool GeneratorOnLoad(const SiteImages& images, int site) {
  const std::uint16_t state = images.Word(site, reg::kGenSetState.address);
  const std::uint16_t type = images.Word(site, reg::kProductCode.address);
  if (state == kGenSetLoaded || (state == kGenSetLoadedA && type == kTypeWithLoadedA)) return true;
  const std::uint16_t breaker = images.Word(site, reg::kTransferSwitchState.address);
  return std::ranges::find(kGeneratorBreakerClosed, breaker) != kGeneratorBreakerClosed.end();
}

}  // namespace vorel
