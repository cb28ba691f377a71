// What the simulated controller offers: its factory register values with parameter limits, and
// the item lists of the block-transfer areas (which register sits where in a VALUE block).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace vorel::sim {

// One register of the factory set-up. Parameters carry their allowed range in register units
// (sent in the parameter descriptors); other registers have minimum = -32768, maximum = 32767.
struct RegisterDefault {
  std::uint16_t address;
  std::uint16_t value;
  std::int16_t minimum;
  std::int16_t maximum;
};

std::span<const RegisterDefault> FactoryRegisters();
std::optional<RegisterDefault> FindFactoryRegister(std::uint16_t address);
// Factory values that differ by controller type (applied over FactoryRegisters()).
std::span<const RegisterDefault> TypeRegisters(std::uint16_t type);

// The binary input and output slots a controller type has and how it reports them. Live
// states: register 0x0060 (inputs) and 0x0061 (outputs), bit s-1 for slot s; a slot the type
// lacks reads as inactive. Event-log records keep the type's slots from bit 0 upward.
struct BinaryLayout {
  std::uint8_t inputs;             // bit s-1 set: input slot s exists
  std::uint8_t outputs;            // bit s-1 set: output slot s exists
  bool activeInputBitSet;          // an active input reads as a set bit (else as a clear one)
  std::uint8_t recordInputShift;   // record word 23 = 0x0060 >> shift
  std::uint8_t recordOutputShift;  // record word 24 = ~(0x0061 >> shift)
};
BinaryLayout BinaryLayoutOf(std::uint16_t type);

// Ten-point sensor curves: values (0x012C + 10c) and resistances (0x014A + 10c), c = 0..2.
struct Curve {
  std::int16_t values[10];
  std::int16_t resistances[10];
};
std::span<const Curve, 3> FactoryCurves();

// One item of a block: `count` registers from `address`.
struct BlockItem {
  std::uint16_t address;
  std::uint8_t count;
};

// A CONFIG block and the VALUE block it describes.
struct BlockLayout {
  std::uint16_t config;
  std::uint16_t value;
  bool parameters;  // 10-byte parameter descriptors, else 6-byte value descriptors
  std::span<const BlockItem> items;
};

std::span<const BlockLayout> BlockLayouts();
// The layout whose CONFIG or VALUE address this is.
const BlockLayout* FindLayout(std::uint16_t address);

// True for registers that only change while protection is unlocked and the mode is OFF:
// every register of a parameter block.
bool IsParameterRegister(std::uint16_t address);

}  // namespace vorel::sim
