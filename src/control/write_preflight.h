// The check before a write to a controller sends its first byte: is the source meant for this
// controller (product code, firmware, serial number), is it complete, is every value within
// the controller's own limits (and the file's), and which registers would change at all. The
// controller address, the engine counters and the clock are left as the controller has them
// unless asked for. A pure function over words and descriptors: nothing is sent or shown.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/site_images.h"
#include "files/parameter_file.h"

namespace vorel {

// What identifies a controller, or the controller a source was taken from.
struct UnitIdentity {
  std::int16_t productCode = 0;
  std::string version;  // firmware version text of the device name ("5.10"); "" unknown
  std::string serial;   // twelve hexadecimal digits; "" unknown
};

// Registers a write leaves alone unless asked.
enum class GuardedKind { Address, Counter, Clock };

struct PreflightOptions {
  bool includeAddress = false;
  bool includeCounters = false;
  bool includeClock = false;
};

struct PreflightInput {
  UnitIdentity target;
  std::optional<UnitIdentity> source;                // nullopt: the source is the controller itself
  std::span<const std::uint16_t> current;            // the controller's words, freshly read
  std::span<const ParameterDescriptor> descriptors;  // the controller's parameter descriptors
  std::span<const LoadedWord> wanted;                // what the source sets
  std::span<const LoadedLimit> limits;               // the source's own limits (editor units)
  std::span<const std::string> missingKeys;          // keys the source lacks
  PreflightOptions options;
};

// A value outside the controller's or the source's limits, in register units.
struct OutOfLimit {
  std::uint16_t reg = 0;
  std::string name;  // the file key, or the register in hexadecimal
  double value = 0;
  double minimum = 0;
  double maximum = 0;
};

// One register that the write would change.
struct RegisterChange {
  std::uint16_t reg = 0;
  std::uint16_t now = 0;
  std::uint16_t next = 0;
};

struct PreflightResult {
  bool otherProduct = false;  // refused
  bool otherUnit = false;     // firmware or serial differs: needs an explicit yes
  std::vector<OutOfLimit> outOfLimits;
  std::vector<std::string> missingKeys;
  // Registers that differ but are left as the controller has them (address, counters, clock).
  std::vector<RegisterChange> leftOut;
  // What the write sends: the registers whose new word differs from the controller's, in
  // address order.
  std::vector<RegisterChange> changes;

  // Refused whatever the user says: another product, values outside limits, missing keys.
  bool Refused() const { return otherProduct || !outOfLimits.empty() || !missingKeys.empty(); }
};

PreflightResult CheckWrite(const PreflightInput& input);

// Why a write was refused (or needs a yes), one line each, in the current language.
std::vector<std::string> PreflightMessages(const PreflightResult& result,
                                           const UnitIdentity& target,
                                           const std::optional<UnitIdentity>& source, int site);

// The identity of the controller a parameter file was saved from (product code and firmware;
// the file holds no serial number).
UnitIdentity SourceIdentity(const LoadedParameters& values);

// The guarded kind of a register, if any.
std::optional<GuardedKind> GuardOf(std::uint16_t reg);

}  // namespace vorel
