// The reply assembler on its own: bytes in, framing decisions out.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "link/modbus_frame.h"
#include "link/reply_assembler.h"
#include "support/frame_bytes.h"

namespace vorel::test {
namespace {

Bytes Concat(const std::vector<Bytes>& pieces) {
  Bytes all;
  for (const Bytes& p : pieces) all.insert(all.end(), p.begin(), p.end());
  return all;
}

Bytes Filled(Bytes head, std::size_t dataBytes) {
  for (std::size_t i = 0; i < dataBytes; ++i) head.push_back(static_cast<std::uint8_t>(i * 7));
  return head;
}

Bytes Slice(const Bytes& b, std::size_t from, std::size_t to) {
  return Bytes(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(to));
}

std::vector<Bytes> ByteByByte(const Bytes& b) {
  std::vector<Bytes> pieces;
  for (std::uint8_t x : b) pieces.push_back({x});
  return pieces;
}

// The way the link reads: after each arrival it takes what Wanted allows, drops everything
// waiting after a foreign header, and stops at an outcome.
ReplyStatus RunAsTheLinkDoes(ReplyAssembler& a, const std::vector<Bytes>& arrivals) {
  std::deque<std::uint8_t> waiting;
  ReplyStatus status = ReplyStatus::NeedMore;
  for (const Bytes& piece : arrivals) {
    waiting.insert(waiting.end(), piece.begin(), piece.end());
    for (std::size_t take; (take = a.Wanted(waiting.size())) > 0;) {
      const Bytes bytes(waiting.begin(), waiting.begin() + static_cast<long>(take));
      waiting.erase(waiting.begin(), waiting.begin() + static_cast<long>(take));
      std::size_t used = 0;
      status = a.Feed(bytes, &used);
      EXPECT_EQ(used, take);
      if (status == ReplyStatus::Foreign) waiting.clear();
      if (status != ReplyStatus::NeedMore && status != ReplyStatus::Foreign) return status;
    }
  }
  return status;
}

struct AssemblyCase {
  const char* name;
  ReplyShape shape;
  int site;
  std::vector<Bytes> arrivals;
  ReplyStatus asTheLinkReads;  // arrivals taken by Wanted
  ReplyStatus asAStream;       // all bytes fed at once, or one by one
  Bytes data;                  // of a Complete reply
  std::uint8_t exceptionCode;  // of an Exception reply
};

TEST(ReplyAssembler, Cases) {
  using enum ReplyStatus;
  const Bytes plain = WithCrc({0x05, 0x03, 0x06, 0x12, 0x34, 0xFF, 0xFF, 0x00, 0x01});
  const Bytes plainData{0x12, 0x34, 0xFF, 0xFF, 0x00, 0x01};
  Bytes extra = plain;
  extra.push_back(0x00);
  Bytes badCrc = plain;
  badCrc.back() ^= 0x01;
  Bytes badExceptionCrc = WithCrc({0x01, 0x83, 0x02});
  badExceptionCrc[3] ^= 0x80;
  const Bytes plain255 = WithCrc(Filled({0x01, 0x03, 0xFF}, 255));
  const Bytes block830 = WithCrc(Filled({0x01, 0x03, 0x03, 0x3E}, 830));
  const Bytes block1056 = WithCrc(Filled({0x01, 0x03, 0x04, 0x20}, 1056));
  const Bytes block1057 = WithCrc(Filled({0x01, 0x03, 0x04, 0x21}, 1057));
  const Bytes blockShort = WithCrc({0x01, 0x03, 0x00, 0x02, 0xAB, 0xCD});
  const Bytes echo = WithCrc({0x03, 0x10, 0x00, 0x11, 0x00, 0x01});

  // clang-format off
  const AssemblyCase cases[] = {
    {"plain read whole",             ReplyShape::PlainRead, 5, {plain},                                Complete,  Complete,  plainData, 0},
    {"plain read 4 + 7",             ReplyShape::PlainRead, 5, {Slice(plain, 0, 4), Slice(plain, 4, 11)}, Complete, Complete, plainData, 0},
    {"plain read byte by byte",      ReplyShape::PlainRead, 5, ByteByByte(plain),                      Complete,  Complete,  plainData, 0},
    {"plain read, one extra byte",   ReplyShape::PlainRead, 5, {extra},                                NeedMore,  Complete,  plainData, 0},
    {"extra byte in a later piece",  ReplyShape::PlainRead, 5, {Slice(extra, 0, 5), Slice(extra, 5, 12)}, NeedMore, Complete, plainData, 0},
    {"another site's reply",         ReplyShape::PlainRead, 6, {plain},                                Foreign,   Foreign,   {},        0},
    {"another function",             ReplyShape::PlainRead, 5, {WithCrc({0x05, 0x04, 0x02, 0, 1})},    Foreign,   Foreign,   {},        0},
    {"plain read, CRC error",        ReplyShape::PlainRead, 5, {badCrc},                               CrcError,  CrcError,  {},        0},
    {"plain exception",              ReplyShape::PlainRead, 1, {WithCrc({0x01, 0x83, 0x02})},          Exception, Exception, {},        2},
    {"exception with a bad CRC",     ReplyShape::PlainRead, 1, {badExceptionCrc},                      CrcError,  CrcError,  {},        0},
    {"one-byte count 255",           ReplyShape::PlainRead, 1, {plain255},                             Complete,  Complete,  Slice(plain255, 3, 258), 0},
    {"two-byte count 830",           ReplyShape::BlockRead, 1, {block830},                             Complete,  Complete,  Slice(block830, 4, 834), 0},
    {"two-byte count 1056 fits",     ReplyShape::BlockRead, 1, {block1056},                            Complete,  Complete,  Slice(block1056, 4, 1060), 0},
    {"two-byte count 1057 oversize", ReplyShape::BlockRead, 1, {block1057},                            Oversize,  Oversize,  {},        0},
    {"count 0xFFFF oversize",        ReplyShape::BlockRead, 1, {{0x01, 0x03, 0xFF, 0xFF}},             Oversize,  Oversize,  {},        0},
    {"block read in pieces",         ReplyShape::BlockRead, 1, {Slice(blockShort, 0, 3), Slice(blockShort, 3, 8)}, Complete, Complete, {0xAB, 0xCD}, 0},
    {"block exception",              ReplyShape::BlockRead, 1, {WithCrc({0x01, 0x83, 0x04})},          Exception, Exception, {},        4},
    {"block read of another site",   ReplyShape::BlockRead, 2, {blockShort},                           Foreign,   Foreign,   {},        0},
    {"write echo",                   ReplyShape::WriteEcho, 3, {echo},                                 Complete,  Complete,  {0x11, 0x00, 0x01}, 0},
    {"write exception",              ReplyShape::WriteEcho, 3, {WithCrc({0x03, 0x90, 0x03})},          Exception, Exception, {},        3},
    {"read reply to a write",        ReplyShape::WriteEcho, 5, {plain},                                Foreign,   Foreign,   {},        0},
    {"read exception to a write",    ReplyShape::WriteEcho, 1, {WithCrc({0x01, 0x83, 0x02})},          Foreign,   Foreign,   {},        0},
  };
  // clang-format on

  for (const AssemblyCase& c : cases) {
    SCOPED_TRACE(c.name);
    ReplyAssembler linkLike;
    linkLike.Begin(c.shape, c.site);
    EXPECT_EQ(RunAsTheLinkDoes(linkLike, c.arrivals), c.asTheLinkReads);

    const Bytes all = Concat(c.arrivals);
    ReplyAssembler whole;
    whole.Begin(c.shape, c.site);
    std::size_t used = 0;
    EXPECT_EQ(whole.Feed(all, &used), c.asAStream);
    EXPECT_LE(used, all.size());
    EXPECT_EQ(Bytes(whole.Data().begin(), whole.Data().end()), c.data);
    if (c.asAStream == Exception) {
      EXPECT_EQ(whole.ExceptionCode(), c.exceptionCode);
    }
    if (c.asAStream != NeedMore && c.asAStream != Foreign) {
      EXPECT_EQ(whole.Pending(), 0u);
    }

    ReplyAssembler single;
    single.Begin(c.shape, c.site);
    ReplyStatus status = NeedMore;
    for (std::size_t i = 0; i < all.size() && status == NeedMore; ++i) {
      status = single.Feed({&all[i], 1});
    }
    EXPECT_EQ(status, c.asAStream);
    EXPECT_EQ(Bytes(single.Data().begin(), single.Data().end()), c.data);
  }
}

struct EchoCase {
  const char* name;
  ReplyShape shape;
  int site;
  Bytes echo;  // the request, when the adapter echoes it
  std::vector<Bytes> arrivals;
  ReplyStatus asTheLinkReads;
  ReplyStatus asAStream;
  Bytes data;
};

// Echo discard and noise before the header: what comes first, how it is checked, and that a
// reply found after noise is taken only when it is a whole valid frame for the site.
TEST(ReplyAssembler, EchoAndNoiseCases) {
  using enum ReplyStatus;
  const Bytes request = WithCrc({0x05, 0x03, 0x00, 0x10, 0x00, 0x03});
  const Bytes reply = WithCrc({0x05, 0x03, 0x06, 0x12, 0x34, 0xFF, 0xFF, 0x00, 0x01});
  const Bytes data{0x12, 0x34, 0xFF, 0xFF, 0x00, 0x01};
  Bytes wrongEcho = request;
  wrongEcho[3] ^= 0x40;
  Bytes badReply = reply;
  badReply.back() ^= 0x01;
  const Bytes writeRequest = WithCrc({0x03, 0x10, 0x00, 0x11, 0x00, 0x01, 0x02, 0x00, 0x05});
  const Bytes writeEcho = WithCrc({0x03, 0x10, 0x00, 0x11, 0x00, 0x01});
  const Bytes block = WithCrc({0x01, 0x03, 0x00, 0x02, 0xAB, 0xCD});
  const Bytes foreign = WithCrc({0x09, 0x03, 0x02, 0x05, 0x03});
  const Bytes z{0x00};

  // clang-format off
  const EchoCase cases[] = {
    {"echo, then the reply",            ReplyShape::PlainRead, 5, request, {Concat({request, reply})},            Complete,     Complete,     data},
    {"echo and reply byte by byte",     ReplyShape::PlainRead, 5, request, ByteByByte(Concat({request, reply})),  Complete,     Complete,     data},
    {"echo in two pieces",              ReplyShape::PlainRead, 5, request, {Slice(request, 0, 5), Concat({Slice(request, 5, 8), reply})}, Complete, Complete, data},
    {"echo expected, none came",        ReplyShape::PlainRead, 5, request, {reply},                               EchoMismatch, EchoMismatch, {}},
    {"echo with a changed byte",        ReplyShape::PlainRead, 5, request, {Concat({wrongEcho, reply})},          EchoMismatch, EchoMismatch, {}},
    {"echo of a write, then its reply", ReplyShape::WriteEcho, 3, writeRequest, {Concat({writeRequest, writeEcho})}, Complete, Complete,   {0x11, 0x00, 0x01}},
    {"echo off: the echo is misread",   ReplyShape::PlainRead, 5, {},      {Concat({request, reply})},            NeedMore,     CrcError,     {}},
    {"stray 0x00 before the reply",     ReplyShape::PlainRead, 5, {},      {Concat({z, reply})},                  Complete,     Complete,     data},
    {"stray 0x00, reply byte by byte",  ReplyShape::PlainRead, 5, {},      ByteByByte(Concat({z, reply})),        Complete,     Complete,     data},
    {"two stray bytes",                 ReplyShape::PlainRead, 5, {},      {Concat({{0x00, 0xFF}, reply})},       Complete,     Complete,     data},
    {"stray byte before a block reply", ReplyShape::BlockRead, 1, {},      {Concat({z, block})},                  Complete,     Complete,     {0xAB, 0xCD}},
    {"stray byte after the echo",       ReplyShape::PlainRead, 5, request, {Concat({request, z, reply})},         Complete,     Complete,     data},
    {"stray byte, then a bad CRC",      ReplyShape::PlainRead, 5, {},      {Concat({z, badReply})},               Foreign,      Foreign,      {}},
    {"bad CRC without noise",           ReplyShape::PlainRead, 5, {},      {badReply},                            CrcError,     CrcError,     {}},
    {"site number inside a foreign reply", ReplyShape::PlainRead, 5, {},   {foreign},                             Foreign,      Foreign,      {}},
    {"stray byte, then one extra",      ReplyShape::PlainRead, 5, {},      {Concat({z, reply, z})},               NeedMore,     Complete,     data},
  };
  // clang-format on

  for (const EchoCase& c : cases) {
    SCOPED_TRACE(c.name);
    ReplyAssembler linkLike;
    linkLike.Begin(c.shape, c.site, c.echo);
    EXPECT_EQ(RunAsTheLinkDoes(linkLike, c.arrivals), c.asTheLinkReads);
    EXPECT_EQ(Bytes(linkLike.Data().begin(), linkLike.Data().end()),
              c.asTheLinkReads == Complete ? c.data : Bytes{});

    const Bytes all = Concat(c.arrivals);
    ReplyAssembler whole;
    whole.Begin(c.shape, c.site, c.echo);
    EXPECT_EQ(whole.Feed(all), c.asAStream);
    EXPECT_EQ(Bytes(whole.Data().begin(), whole.Data().end()), c.data);

    // Event-driven: whatever is waiting, never beyond the reply.
    ReplyAssembler eager;
    eager.Begin(c.shape, c.site, c.echo);
    ReplyStatus status = NeedMore;
    for (std::size_t at = 0; at < all.size() && (status == NeedMore);) {
      const std::size_t take = eager.Available(all.size() - at);
      ASSERT_GT(take, 0u);
      status = eager.Feed({all.data() + at, take});
      at += take;
    }
    EXPECT_EQ(status, c.asAStream);
  }
}

TEST(ReplyAssembler, WantedTakesTheHeaderThenExactlyTheRest) {
  ReplyAssembler a;
  a.Begin(ReplyShape::BlockRead, 1);
  EXPECT_EQ(a.Pending(), 4u);
  EXPECT_EQ(a.Wanted(3), 0u);
  EXPECT_EQ(a.Wanted(100), 4u);  // the header alone, however much is waiting
  const Bytes reply = WithCrc({0x01, 0x03, 0x00, 0x02, 0xAB, 0xCD});
  EXPECT_EQ(a.Feed(Slice(reply, 0, 4)), ReplyStatus::NeedMore);
  EXPECT_EQ(a.Pending(), 4u);  // two data bytes and the CRC
  EXPECT_EQ(a.Wanted(3), 0u);
  EXPECT_EQ(a.Wanted(5), 0u);  // more than the reply: never taken
  EXPECT_EQ(a.Wanted(4), 4u);
  EXPECT_EQ(a.Feed(Slice(reply, 4, 8)), ReplyStatus::Complete);
  EXPECT_EQ(a.Wanted(8), 0u);
}

TEST(ReplyAssembler, AfterAForeignHeaderANewOneIsAwaited) {
  const Bytes stray = WithCrc({0x09, 0x03, 0x02, 0x00, 0x00});
  const Bytes good = WithCrc({0x05, 0x03, 0x02, 0x12, 0x34});
  Bytes line = stray;
  line.insert(line.end(), good.begin(), good.end());
  ReplyAssembler a;
  a.Begin(ReplyShape::PlainRead, 5);
  std::size_t used = 0;
  EXPECT_EQ(a.Feed(line, &used), ReplyStatus::Foreign);
  EXPECT_EQ(used, 3u);  // stops at the foreign header
  EXPECT_EQ(a.Pending(), 3u);
  // The caller drops the rest of the stray reply; the next reply is taken as usual.
  EXPECT_EQ(a.Feed(good, &used), ReplyStatus::Complete);
  EXPECT_EQ(used, good.size());
  EXPECT_EQ(Bytes(a.Data().begin(), a.Data().end()), (Bytes{0x12, 0x34}));
}

// A write echo that names another register or count is a late reply to an earlier write: it
// is dropped like a foreign frame, and the request's own echo after it is still taken.
TEST(ReplyAssembler, AWriteEchoMustNameTheWriteSent) {
  const Bytes stale = WithCrc({0x03, 0x10, 0x00, 0x40, 0x00, 0x0A});
  const Bytes other = WithCrc({0x03, 0x10, 0x00, 0x11, 0x00, 0x02});
  const Bytes own = WithCrc({0x03, 0x10, 0x00, 0x11, 0x00, 0x01});
  for (const Bytes* wrong : {&stale, &other}) {
    ReplyAssembler a;
    a.Begin(ReplyShape::WriteEcho, 3);
    a.ExpectWrite(0x0011, 1);
    EXPECT_EQ(a.Feed(*wrong), ReplyStatus::Foreign);
    EXPECT_TRUE(a.Data().empty());
    EXPECT_EQ(a.Feed(own), ReplyStatus::Complete);
    EXPECT_EQ(Bytes(a.Data().begin(), a.Data().end()), (Bytes{0x11, 0x00, 0x01}));
  }
  // Without the expectation (a caller that does not know the write) any echo is taken.
  ReplyAssembler a;
  a.Begin(ReplyShape::WriteEcho, 3);
  EXPECT_EQ(a.Feed(stale), ReplyStatus::Complete);
  // An exception to the write carries no address: it stays the write's exception.
  a.Begin(ReplyShape::WriteEcho, 3);
  a.ExpectWrite(0x0011, 1);
  EXPECT_EQ(a.Feed(WithCrc({0x03, 0x90, 0x02})), ReplyStatus::Exception);
}

TEST(ReplyAssembler, AnOutcomeHoldsUntilTheNextBegin) {
  const Bytes echo = WithCrc({0x03, 0x10, 0x00, 0x11, 0x00, 0x01});
  ReplyAssembler a;
  a.Begin(ReplyShape::WriteEcho, 3);
  ASSERT_EQ(a.Feed(echo), ReplyStatus::Complete);
  std::size_t used = 99;
  EXPECT_EQ(a.Feed(echo, &used), ReplyStatus::Complete);
  EXPECT_EQ(used, 0u);
  EXPECT_EQ(a.Data().size(), 3u);
  a.Begin(ReplyShape::WriteEcho, 3);
  EXPECT_TRUE(a.Data().empty());
  EXPECT_EQ(a.Pending(), 3u);
}

}  // namespace
}  // namespace vorel::test
