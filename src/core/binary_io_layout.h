// Which binary input and output slots the parameter window's channel grids show, by controller
// type (register 0x016B): the type groups, the slot of each grid row and the rows that can be
// edited.
#pragma once

#include <cstdint>

namespace vorel {

enum class ControllerGroup { A, B, C, D, Other };

// A: 3101 to 3104; B: 3105, 3108, 3110, 3111, 3112; C: 3106, 3109; D: 3113; any other type.
ControllerGroup ControllerGroupOf(std::uint16_t controllerType);

struct BinaryIoLayout {
  bool titled = false;  // row titles and row contents are written
  int inputRows = 8;    // grid rows 1 to inputRows can be edited
  int outputRows = 8;
  int firstInputSlot = 1;  // slot (1 to 8) of grid row 1; row r is slot firstInputSlot + r - 1
  int firstOutputSlot = 1;

  // Slot of a grid row, or 0 when the row offers nothing.
  int InputSlot(int row) const {
    return row >= 1 && row <= inputRows ? firstInputSlot + row - 1 : 0;
  }
  int OutputSlot(int row) const {
    return row >= 1 && row <= outputRows ? firstOutputSlot + row - 1 : 0;
  }
};

BinaryIoLayout BinaryIoLayoutOf(std::uint16_t controllerType);

}  // namespace vorel
