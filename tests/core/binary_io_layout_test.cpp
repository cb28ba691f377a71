#include "core/binary_io_layout.h"

#include <gtest/gtest.h>

namespace vorel {
namespace {

TEST(BinaryIoLayout, SlotsOfTheGridRowsByControllerType) {
  const struct {
    std::uint16_t type;
    ControllerGroup group;
    bool titled;
    int inputRows, outputRows, row1Input, row1Output;
  } cases[] = {
      {3101, ControllerGroup::A, true, 8, 8, 1, 1},
      {3104, ControllerGroup::A, true, 8, 8, 1, 1},
      {3105, ControllerGroup::B, true, 5, 3, 1, 1},
      {3112, ControllerGroup::B, true, 5, 3, 1, 1},
      {3106, ControllerGroup::C, true, 3, 4, 6, 4},
      {3109, ControllerGroup::C, true, 3, 4, 6, 4},
      {3113, ControllerGroup::D, true, 8, 7, 1, 1},
      {3107, ControllerGroup::Other, false, 8, 8, 1, 1},
      {0, ControllerGroup::Other, false, 8, 8, 1, 1},
  };
  for (const auto& c : cases) {
    const BinaryIoLayout l = BinaryIoLayoutOf(c.type);
    EXPECT_EQ(ControllerGroupOf(c.type), c.group) << c.type;
    EXPECT_EQ(l.titled, c.titled) << c.type;
    EXPECT_EQ(l.InputSlot(1), c.row1Input) << c.type;
    EXPECT_EQ(l.OutputSlot(1), c.row1Output) << c.type;
    EXPECT_EQ(l.InputSlot(c.inputRows), c.row1Input + c.inputRows - 1) << c.type;
    EXPECT_EQ(l.InputSlot(c.inputRows + 1), 0) << c.type;
    EXPECT_EQ(l.OutputSlot(c.outputRows + 1), 0) << c.type;
    EXPECT_EQ(l.InputSlot(0), 0) << c.type;
  }
}

}  // namespace
}  // namespace vorel
