// Reply assembly and the reply decoders against arbitrary bytes.
// Input: byte 0 picks the request group (and so the reply shape and decoder), byte 1 the site
// (0 to 32, 0 being no site), byte 2 where the line is cut in two arrivals; the rest is what
// arrives on the line. The assembler takes the arrivals the way the link reads its channel,
// and a complete reply goes to the group's decoder. The same bytes fed as one stream, byte by
// byte, must reach the same outcome. Then the bytes go through the three store operations as
// reply data and as descriptors.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/site_images.h"
#include "link/modbus_frame.h"
#include "link/modbus_link.h"
#include "link/reply_assembler.h"

namespace {

using namespace vorel;

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

ReplyShape ShapeOf(RequestGroup group) {
  if (group == RequestGroup::PlainRead) return ReplyShape::PlainRead;
  if (group == RequestGroup::Write) return ReplyShape::WriteEcho;
  return ReplyShape::BlockRead;
}

bool IsOutcome(ReplyStatus s) {
  return s != ReplyStatus::NeedMore && s != ReplyStatus::Foreign;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

// The link's way: after each arrival take what Wanted allows; a foreign header drops all
// waiting input. Returns the outcome, or NeedMore / Foreign when there is none.
ReplyStatus TakeAsTheLink(ReplyAssembler& a, std::span<const std::uint8_t> line, std::size_t cut,
                          bool* sawForeign) {
  const std::size_t arrivals[] = {cut, line.size()};
  std::size_t read = 0;  // bytes of the line taken or dropped
  std::size_t arrived = 0;
  ReplyStatus status = ReplyStatus::NeedMore;
  for (std::size_t end : arrivals) {
    arrived = end;
    for (std::size_t take; (take = a.Wanted(arrived - read)) > 0;) {
      std::size_t used = 0;
      status = a.Feed(line.subspan(read, take), &used);
      Check(used == take);
      read += take;
      if (status == ReplyStatus::Foreign) {
        *sawForeign = true;
        read = arrived;
      }
      if (IsOutcome(status)) return status;
    }
  }
  return status;
}

void Decode(RequestGroup group, int site, std::span<const std::uint8_t> data) {
  SiteImages& images = Images();
  const RegisterBlock& block = kBlocks[static_cast<int>(group)];
  switch (group) {
    case RequestGroup::PlainRead:
      images.StoreBlockReply(site, block, data);
      break;
    case RequestGroup::Parameter:
    case RequestGroup::Value:
      images.StoreValueBlock(site, block, data);
      break;
    case RequestGroup::ParameterConfig:
    case RequestGroup::ValueConfig:
      images.StoreDescriptors(site, block, data);
      break;
    case RequestGroup::Write:
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const auto group = static_cast<RequestGroup>(data[0] % kRequestGroups);
  const ReplyShape shape = ShapeOf(group);
  const int site = data[1] % (kSiteCount + 1);
  const std::span<const std::uint8_t> line(data + 3, size - 3);
  const std::size_t cut = std::min<std::size_t>(data[2], line.size());

  ReplyAssembler linkLike;
  linkLike.Begin(shape, site);
  bool sawForeign = false;
  const ReplyStatus status = TakeAsTheLink(linkLike, line, cut, &sawForeign);
  const std::span<const std::uint8_t> reply = linkLike.Data();
  if (status == ReplyStatus::Complete) {
    Check(reply.size() + ReplyAssembler::HeaderBytes(shape) + 2 <=
          kMaxReplyHeaderBytes + kReceiveBytes);
    Decode(group, site, reply);
  } else {
    Check(reply.empty());
  }

  if (!sawForeign && IsOutcome(status)) {
    // The stream took the same bytes and must agree.
    ReplyAssembler stream;
    stream.Begin(shape, site);
    ReplyStatus s = ReplyStatus::NeedMore;
    for (std::size_t i = 0; i < line.size() && !IsOutcome(s); ++i)
      s = stream.Feed(line.subspan(i, 1));
    Check(s == status);
    Check(std::ranges::equal(stream.Data(), reply));
    if (s == ReplyStatus::Exception) Check(stream.ExceptionCode() == linkLike.ExceptionCode());
    if (s == ReplyStatus::Complete) {
      // The reply starts the line after any noise skipped, its CRC holds, its address is the
      // site's, and the data sit after the header.
      const std::size_t header = ReplyAssembler::HeaderBytes(shape);
      const std::size_t at = stream.Skipped();
      Check(stream.Skipped() == linkLike.Skipped());
      Check(at == 0 || line[at] == site);
      Check(CrcMatches(line.subspan(at, header + reply.size() + 2)));
      Check(std::ranges::equal(line.subspan(at + header, reply.size()), reply));
    }
  }

  SiteImages& images = Images();
  const int storeSite = site == 0 ? 1 : site;
  // A store that refuses the bytes changes nothing.
  for (const RegisterBlock& block : kStoreBlocks) {
    const std::uint64_t before = images.ChangeCount(storeSite);
    if (!images.StoreDescriptors(storeSite, block, line))
      Check(images.ChangeCount(storeSite) == before);
    const std::uint64_t between = images.ChangeCount(storeSite);
    if (!images.StoreValueBlock(storeSite, block, line))
      Check(images.ChangeCount(storeSite) == between);
    images.StoreBlockReply(storeSite, block, line);
  }
  return 0;
}
