#include "core/event_log.h"

#include "core/alarm_codes.h"
#include "core/channels.h"
#include "core/event_log_format.h"
#include "core/monitor_format.h"
#include "core/register_table.h"
#include "core/vocabulary.h"

namespace vorel {
namespace {

// clang-format off
constexpr std::array<std::string_view, kEventLogColumns> kTitles{
    "",
    "Event",        "Date",        "Time",        "Speed(RPM)",  "AI1",         "AI2",
    "AI3",          "StartBatt(V)", "G_Freq(Hz)", "VG_L1(V)",    "VG_L2(V)",    "VG_L3(V)",
    "Ig1(A)",       "Ig2(A)",      "Ig3(A)",      "PF_L1(A)",    "PF_L2(A)",    "PF_L3(A)",
    "Act Pwr(KW)",  "BInput",      "BOutput",     "ROutput",     "M_Freq(Hz)",  "VM_L1(V)",
    "VM_L2(V)",     "VM_L3(V)",
};

// The binary columns by controller type: title suffixes and the number of digits shown.
struct BinaryLayout {
  std::uint16_t type;
  std::string_view inputTitle;
  std::string_view outputTitle;
  int inputBits;
  int outputBits;
};
constexpr std::array<BinaryLayout, 12> kBinaryLayouts{{
    {3101, "(BI08...BI01)", "(BO08...BO01)",  8,  8},
    {3104, "(BI08...BI01)", "(BO08...BO01)",  8,  8},
    {3113, "(BI08...BI01)", "(BO08...BO01)",  8,  8},
    {3102, "(BI18...BI01)", "(BO18...BO01)", 16, 16},
    {3103, "(BI18...BI01)", "(BO18...BO01)", 16, 16},
    {3105, "(BI05...BI01)", "(BO03...BO01)",  5,  3},
    {3108, "(BI05...BI01)", "(BO03...BO01)",  5,  3},
    {3110, "(BI05...BI01)", "(BO03...BO01)",  5,  3},
    {3111, "(BI05...BI01)", "(BO03...BO01)",  5,  3},
    {3112, "(BI05...BI01)", "(BO03...BO01)",  5,  3},
    {3106, "(BI08...BI06)", "(BO08...BO05)",  3,  4},
    {3109, "(BI08...BI06)", "(BO08...BO05)",  3,  4},
}};
// clang-format on

constexpr std::string_view kRelayTitle = "(RO02,RO01)";

const BinaryLayout* BinaryLayoutOf(std::uint16_t type) {
  for (const BinaryLayout& layout : kBinaryLayouts) {
    if (layout.type == type) return &layout;
  }
  return nullptr;
}

}  // namespace

std::optional<int> EventLogStartRecord(std::uint16_t position) {
  // The position may also point just past the last record.
  if (position < kEventLogFirst || position > kEventLogLast + 1) return std::nullopt;
  return (position - kEventLogFirst) / kEventLogRecordWords;
}

int EventLogRecordOfRow(int start, int row) {
  return (start + row - 1) % kEventLogRecords;
}

EventLogContext EventLogContextOf(const SiteImages& images, int site) {
  EventLogContext context;
  context.controllerType = images.Word(site, reg::kProductCode.address);
  for (int c = 0; c < 3; ++c)
    context.channelProperty2[static_cast<std::size_t>(c)] =
        images.Word(site, reg::kAnalogueProperty2.address + c);
  return context;
}

EventLogRowTexts EventLogTitles(const EventLogContext& context) {
  EventLogRowTexts titles;
  for (std::size_t c = 0; c < titles.size(); ++c) titles[c] = std::string(kTitles[c]);
  for (std::size_t c = 0; c < 3; ++c) titles[5 + c] += UnitSuffix(context.channelProperty2[c]);
  if (const BinaryLayout* layout = BinaryLayoutOf(context.controllerType)) {
    titles[20] += layout->inputTitle;
    titles[21] += layout->outputTitle;
  }
  titles[22] += kRelayTitle;
  return titles;
}

EventLogRowCells EventLogRecordCells(const EventLogContext& context,
                                     std::span<const std::uint16_t, kEventLogRecordWords> w) {
  auto high = [&](int k) { return static_cast<std::uint8_t>(w[static_cast<std::size_t>(k)] >> 8); };
  auto low = [&](int k) {
    return static_cast<std::uint8_t>(w[static_cast<std::size_t>(k)] & 0xFF);
  };
  auto word = [&](int k) { return w[static_cast<std::size_t>(k)]; };
  auto signedWord = [&](int k) { return static_cast<std::int16_t>(word(k)); };

  EventLogRowCells cells;
  cells[1] = AlarmCodeText(context.controllerType, word(0));
  cells[2] = HexByteText(high(2)) + "/" + HexByteText(low(1)) + "/" + HexByteText(high(1));
  cells[3] = HexByteText(high(3)) + ":" + HexByteText(low(3)) + ":" + HexByteText(high(4));
  cells[4] = std::to_string(word(5));
  for (int c = 0; c < 3; ++c)
    cells[static_cast<std::size_t>(5 + c)] = FormatChannelValue(
        context.channelProperty2[static_cast<std::size_t>(c)], signedWord(6 + c));
  cells[8] = TenthsText4(word(9));
  cells[9] = TenthsText4(word(10));
  for (int k = 11; k <= 16; ++k) cells[static_cast<std::size_t>(k - 1)] = std::to_string(word(k));
  for (int k = 18; k <= 20; ++k)
    cells[static_cast<std::size_t>(k - 2)] = HundredthsText(signedWord(k));
  cells[19] = std::to_string(signedWord(22));
  if (const BinaryLayout* layout = BinaryLayoutOf(context.controllerType)) {
    cells[20] = BinaryDigits(word(23), layout->inputBits);
    cells[21] = BinaryDigits(static_cast<std::uint16_t>(~word(24)), layout->outputBits);
  }
  cells[22] = BinaryDigits(static_cast<std::uint16_t>(~word(25)), 2);
  cells[23] = TenthsText4(word(26));
  for (int k = 27; k <= 29; ++k) cells[static_cast<std::size_t>(k - 3)] = std::to_string(word(k));
  return cells;
}

void SetEventLogTitles(const SiteImages& images, int site, EventLogSheet& sheet) {
  for (int row = 1; row <= kEventLogRows; ++row) sheet.Cell(row, 0) = std::to_string(row - 1);
  sheet.rows[0] = EventLogTitles(EventLogContextOf(images, site));
}

bool DisplayEventLog(const SiteImages& images, int site, EventLogSheet& sheet) {
  const std::optional<int> start =
      EventLogStartRecord(images.Word(site, reg::kEventLogPosition.address));
  if (!start) return false;
  const EventLogContext context = EventLogContextOf(images, site);
  for (int row = 1; row <= kEventLogRows; ++row) {
    const EventLogRowCells cells =
        EventLogRecordCells(context, images.EventLogRecord(site, EventLogRecordOfRow(*start, row)));
    for (int c = 1; c < kEventLogColumns; ++c) {
      if (cells[static_cast<std::size_t>(c)])
        sheet.Cell(row, c) = *cells[static_cast<std::size_t>(c)];
    }
  }
  return true;
}

}  // namespace vorel
