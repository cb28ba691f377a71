// Unlock switches the set to OFF before it sends the password: on a set whose engine turns,
// only after the user said yes; a set at rest or already in OFF is not asked. Afterwards the
// set is put back into the mode it was found in.
#include "control_fixture.h"

namespace vorel::test {
namespace {

class UnlockRunning : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    controller.AddSite(2, 3101, "Vorel2000 V5.10");
    ConnectAll({2});
    ASSERT_TRUE(session->IsOnline(2));
  }
  std::vector<std::uint16_t> Writes() const {
    std::vector<std::uint16_t> out;
    for (const auto& r : controller.requests)
      if (r.function == 16) out.push_back(r.address);
    return out;
  }
};

TEST_F(UnlockRunning, ASetWhoseEngineTurnsIsStoppedOnlyAfterAYes) {
  const std::string question = "The engine of site 2 is running. Stop it to write?";
  const struct {
    const char* name;
    std::uint16_t mode;
    std::uint16_t state;  // 0x0059
    std::uint16_t speed;  // 0x0099
    Answer answer;
    bool asked;
    std::vector<std::uint16_t> writes;
  } cases[] = {
      {"at rest", kModeAuto, 312, 0, Answer::No, false, {0x0113, 0x0004, 0x0113}},
      {"running, no", kModeManu, 297, 1500, Answer::No, true, {}},
      {"on load, yes", kModeAuto, 308, 1500, Answer::Yes, true, {0x0113, 0x0004, 0x0113}},
      {"cranking, no", kModeManu, 304, 0, Answer::No, true, {}},
      {"already off", kModeOff, 313, 900, Answer::No, false, {0x0113, 0x0004}},
  };
  for (const auto& c : cases) {
    auto& regs = controller.sites[2].regs;
    regs[0x0113] = c.mode;
    regs[0x0059] = c.state;
    regs[0x0099] = c.speed;
    controller.requests.clear();
    host.questions.clear();
    host.answers = {c.answer};
    session->UnlockParameters(2, "1234");
    EXPECT_EQ(Writes(), c.writes) << c.name;
    ASSERT_EQ(host.questions.size(), c.asked ? 1u : 0u) << c.name;
    if (c.asked) {
      EXPECT_EQ(host.questions[0].text, question) << c.name;
    }
    EXPECT_EQ(regs[0x0113], c.mode) << c.name;
  }
}

}  // namespace
}  // namespace vorel::test
