#include "core/binary_io_layout.h"

namespace vorel {

ControllerGroup ControllerGroupOf(std::uint16_t type) {
  switch (type) {
    case 3101:
    case 3102:
    case 3103:
    case 3104:
      return ControllerGroup::A;
    case 3105:
    case 3108:
    case 3110:
    case 3111:
    case 3112:
      return ControllerGroup::B;
    case 3106:
    case 3109:
      return ControllerGroup::C;
    case 3113:
      return ControllerGroup::D;
    default:
      return ControllerGroup::Other;
  }
}

BinaryIoLayout BinaryIoLayoutOf(std::uint16_t type) {
  switch (ControllerGroupOf(type)) {
    case ControllerGroup::A:
      return {.titled = true, .inputRows = 8, .outputRows = 8};
    case ControllerGroup::B:
      return {.titled = true, .inputRows = 5, .outputRows = 3};
    case ControllerGroup::C:
      // The three inputs and four outputs of these types are slots 6 to 8 and 4 to 7.
      return {.titled = true,
              .inputRows = 3,
              .outputRows = 4,
              .firstInputSlot = 6,
              .firstOutputSlot = 4};
    case ControllerGroup::D:
      return {.titled = true, .inputRows = 8, .outputRows = 7};
    case ControllerGroup::Other:
      break;
  }
  return {};
}

}  // namespace vorel
