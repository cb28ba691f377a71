// Reply collection and the reply decoders against arbitrary bytes.
// Input: byte 0 picks the request group and the collecting path (wait loop or poll steps),
// byte 1 the site (0 to 32, 0 being no site), byte 2
// where the reply is cut in two pieces; the rest is what arrives on the line. The same bytes
// then go through the three store operations as reply data and as descriptors.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "core/site_images.h"
#include "link/fake_event_pump.h"
#include "link/fake_serial_port.h"
#include "link/modbus_link.h"
#include "link/quiet_host.h"

namespace {

using namespace vorel;

class NullHost : public QuietHost {
 public:
  Answer AskRetryCancel(int, const std::string&, const std::string&) override {
    return Answer::Retry;
  }
};

// A block each request group is used for, close to the ends of the stores.
const RegisterBlock kBlocks[kRequestGroups] = {
    {0x01F0, 29, 0, "Product Information"},  // plain read past the end of the image
    reg::kParamValues1,
    reg::kParamConfig1,
    reg::kLiveValues,
    reg::kLiveConfig,
    {0x0011, 1, 0, "System"},
};

const RegisterBlock kStoreBlocks[] = {
    reg::kParamConfig1,   reg::kParamConfig2,     reg::kLiveConfig, reg::kValueConfigA,
    reg::kParamValues1,   reg::kParamValues2,     reg::kLiveValues, {0x0FE0, 64, 0, "History"},
    {0x01FF, 125, 0, ""}, {0x0000, 0xFFFF, 0, ""}};

SiteImages& Images() {
  static auto* images = new SiteImages();
  return *images;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const auto group = static_cast<RequestGroup>(data[0] % kRequestGroups);
  const int site = data[1] % (kSiteCount + 1);
  const std::span<const std::uint8_t> line(data + 3, size - 3);
  const std::size_t cut = std::min<std::size_t>(data[2], line.size());

  FakeEventPump pump;
  FakeSerialPort port(pump);
  NullHost host;
  SiteImages& images = Images();
  {
    ModbusLink link(port, host, pump, images);
    port.Open(PortSettings{}, nullptr);
    link.StartTicking();
    port.QueueReply({{0, {line.begin(), line.begin() + static_cast<long>(cut)}},
                     {150, {line.begin() + static_cast<long>(cut), line.end()}}});
    {
      std::lock_guard lock(link.SendLock());
      const RegisterBlock& block = kBlocks[static_cast<int>(group)];
      if (group == RequestGroup::Write) {
        const std::uint16_t word = 5;
        link.SendWrite(site, block, {&word, 1});
      } else {
        link.SendRead(group, site, block);
      }
    }
    if ((data[0] / kRequestGroups) % 2 == 0) {
      link.WaitForReply(site);
    } else {
      // The poller's path: one step per 20 ms until the reply is decoded or given up.
      for (int step = 0; step < 200 && !link.LinkIdle(); ++step) {
        if (link.PollReply(site)) break;
        if (link.ReplyTimedOut()) link.ReportPollFailure(site);
        pump.Pump(20);
      }
    }
  }

  const int storeSite = site == 0 ? 1 : site;
  for (const RegisterBlock& block : kStoreBlocks) {
    images.StoreDescriptors(storeSite, block, line);
    images.StoreValueBlock(storeSite, block, line);
    images.StoreBlockReply(storeSite, block, line);
  }
  return 0;
}
