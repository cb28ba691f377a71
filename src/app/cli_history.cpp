#include "app/cli_history.h"

#include <cstdio>
#include <ctime>
#include <optional>
#include <string>

#include "app/cli_dates.h"
#include "app/cli_help.h"
#include "app/cli_output.h"
#include "control/history_settings.h"
#include "core/editor_model.h"
#include "core/event_log.h"
#include "core/trend_buffer.h"
#include "files/parameter_compare.h"
#include "store/history_store.h"

namespace vorel {

const char* const kHistoryUsage =
    "  history SITE|SERIAL [--since DATE] (--visits | --changes | --events | --samples SERIES)\n"
    "          [--csv | --json]\n"
    "                             what the history keeps of the controller last met at address\n"
    "                             SITE (or with serial number SERIAL): its visits and writes,\n"
    "                             the parameters changed since the visit before (or since\n"
    "                             DATE), the merged event log, or one trend series (speed,\n"
    "                             battery, ...); DATE is YYYY-MM-DD or \"YYYY-MM-DD HH:MM\"\n"
    "  history --export FILE.sqlite [SITE|SERIAL] | --import FILE.sqlite\n"
    "                             copy the history (or one controller's) into an SQLite file, or\n"
    "                             add such a file's history to this PC's\n";

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;

std::string& HistoryOption() {
  static std::string option;
  return option;
}

int HistoryUsage(const std::string& problem) {
  return CommandUsageError("history", problem);
}

std::optional<HistoryLocation> ChosenLocation(int* keepDays, std::string* error) {
  const HistorySettings settings = LoadHistorySettings();
  if (keepDays) *keepDays = settings.keepSamplesDays;
  return HistoryLocationOf(HistoryOption().empty() ? settings.database : HistoryOption(), error);
}

std::string LocalTime(std::int64_t ms) {
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm tm{};
  localtime_r(&seconds, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
  return text;
}

std::optional<std::int64_t> ParseDate(std::string_view text) {
  const auto seconds = ParseLocalDate(text);
  if (!seconds) return std::nullopt;
  return *seconds * 1000;
}

// A table printed as tab-separated text, CSV or JSON (an array of objects).
enum class Format { Text, Csv, Json };

struct Table {
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
};

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void Print(const Table& table, Format format) {
  if (format == Format::Json) {
    WriteOut("[");
    for (std::size_t r = 0; r < table.rows.size() && OutputOk(); ++r) {
      std::string line = r ? ",\n {" : "\n {";
      for (std::size_t c = 0; c < table.columns.size(); ++c)
        line +=
            (c ? ", " : "") + JsonString(table.columns[c]) + ": " + JsonString(table.rows[r][c]);
      WriteOut(line + "}");
    }
    WriteOut(table.rows.empty() ? "]\n" : "\n]\n");
    return;
  }
  const char* separator = format == Format::Csv ? "," : "\t";
  auto line = [&](const std::vector<std::string>& cells) {
    std::string text;
    for (std::size_t c = 0; c < cells.size(); ++c)
      text += (c ? separator : "") + (format == Format::Csv ? CsvField(cells[c]) : cells[c]);
    WriteOut(text + "\n");
  };
  line(table.columns);
  for (const auto& row : table.rows) {
    if (!OutputOk()) break;
    line(row);
  }
}

Table VisitsTable(HistoryStore& store, const ControllerKey& key, std::int64_t since) {
  Table table{{"time", "what", "address", "port", "detail", "outcome", "operator"}, {}};
  std::vector<std::pair<std::int64_t, std::vector<std::string>>> lines;
  for (const StoredVisit& v : store.Visits(key, since))
    lines.push_back({v.timeMs,
                     {LocalTime(v.timeMs), "visit", std::to_string(v.address), v.port,
                      v.deviceName + (v.generatorName.empty() ? "" : " / " + v.generatorName), "",
                      v.operatorName}});
  for (const StoredWrite& w : store.Writes(key, since)) {
    std::string detail = w.note;
    for (const WriteChange& c : w.changes) {
      char text[40];
      std::snprintf(text, sizeof text, "%s%04X:%04X>%04X", detail.empty() ? "" : " ", c.reg,
                    c.before, c.after);
      detail += text;
    }
    lines.push_back({w.timeMs,
                     {LocalTime(w.timeMs), w.action, std::to_string(w.address), w.port, detail,
                      w.outcome, w.operatorName}});
  }
  std::stable_sort(lines.begin(), lines.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& l : lines) table.rows.push_back(std::move(l.second));
  return table;
}

// The newest stored set against the newest one from before the last visit (or before DATE).
std::optional<Table> ChangesTable(HistoryStore& store, const ControllerKey& key,
                                  std::optional<std::int64_t> since) {
  const std::vector<StoredSet> sets = store.Sets(key);
  if (sets.empty()) return std::nullopt;
  std::int64_t cut = 0;
  if (since) {
    cut = *since;
  } else {
    const std::vector<StoredVisit> visits = store.Visits(key);
    cut = visits.empty() ? 0 : visits.back().timeMs;
    // Sets of the last visit are stamped at or after its identification.
  }
  const StoredSet* before = nullptr;
  for (const StoredSet& set : sets)
    if (set.timeMs < cut) before = &set;
  const StoredSet& now = sets.back();
  Table table{{"key", "parameter", "before", "now"}, {}};
  if (!before) return table;
  auto images = std::make_unique<SiteImages>();
  images->SetWord(1, reg::kProductCode.address, static_cast<std::uint16_t>(key.productCode));
  images->SetWord(2, reg::kProductCode.address, static_cast<std::uint16_t>(key.productCode));
  for (const auto& [r, w] : before->words) images->SetWord(1, r, w);
  for (const auto& [r, w] : now.words) images->SetWord(2, r, w);
  EditorModel first, second;
  first.AdaptToControllerType(static_cast<std::uint16_t>(key.productCode), false);
  second.AdaptToControllerType(static_cast<std::uint16_t>(key.productCode), false);
  first.Load(*images, 1);
  second.Load(*images, 2);
  for (const ParameterDifference& d : CompareParameters({*images, 1, first}, {*images, 2, second}))
    table.rows.push_back({d.key, d.title, d.first, d.second});
  return table;
}

Table EventsTable(HistoryStore& store, const ControllerKey& key, std::int64_t since) {
  EventLogContext context;
  context.controllerType = static_cast<std::uint16_t>(key.productCode);
  const EventLogRowTexts titles = EventLogTitles(context);
  Table table{{"first read"}, {}};
  for (int c = 1; c < kEventLogColumns; ++c)
    table.columns.push_back(titles[static_cast<std::size_t>(c)]);
  for (const StoredEvent& e : store.Events(key, since)) {
    const EventLogRowCells cells = EventLogRecordCells(context, e.record);
    std::vector<std::string> row{LocalTime(e.firstReadMs)};
    for (int c = 1; c < kEventLogColumns; ++c)
      row.push_back(cells[static_cast<std::size_t>(c)].value_or(""));
    table.rows.push_back(std::move(row));
  }
  return table;
}

std::optional<Table> SamplesTable(HistoryStore& store, const ControllerKey& key, std::int64_t since,
                                  std::string_view series) {
  const auto& all = TrendSeriesTable();
  int index = -1;
  for (std::size_t i = 0; i < all.size(); ++i)
    if (series == all[i].key) index = static_cast<int>(i);
  if (index < 0) return std::nullopt;
  Table table{{"time", std::string(all[static_cast<std::size_t>(index)].key)}, {}};
  for (const SampleRecord& s : store.Samples(key, since, INT64_MAX)) {
    std::string value;
    if (!s.gap && s.divisors[static_cast<std::size_t>(index)] != 0)
      value = ScaledNumber{s.counts[static_cast<std::size_t>(index)],
                           s.divisors[static_cast<std::size_t>(index)]}
                  .Text();
    table.rows.push_back({LocalTime(s.timeMs), value});
  }
  return table;
}

std::string SeriesKeys() {
  std::string keys;
  for (const TrendSeries& s : TrendSeriesTable())
    keys += (keys.empty() ? "" : ", ") + std::string(s.key);
  return keys;
}

bool OpenOrSay(HistoryStore& store, const HistoryLocation& location) {
  if (auto problem = store.Open(location)) {
    std::fprintf(stderr, "%s\n", HistoryProblemMessage(*problem).c_str());
    return false;
  }
  return true;
}

std::optional<ControllerKey> FindOne(HistoryStore& store, std::string_view text) {
  const std::vector<ControllerKey> keys = store.FindControllers(std::string(text));
  if (keys.empty()) {
    std::fprintf(stderr, "The history knows no controller %.*s.\n", static_cast<int>(text.size()),
                 text.data());
    return std::nullopt;
  }
  return keys.front();
}

int CopyCommand(bool exporting, const std::string& file, std::optional<std::string_view> which) {
  std::string error;
  const auto location = ChosenLocation(nullptr, &error);
  if (!location) return HistoryUsage(error);
  HistoryLocation fileLocation;
  fileLocation.file = file;
  HistoryStore mine, other;
  if (!OpenOrSay(mine, *location) || !OpenOrSay(other, fileLocation)) return kExitFailed;
  std::optional<ControllerKey> only;
  if (which) {
    only = FindOne(mine, *which);
    if (!only) return kExitFailed;
  }
  HistoryStore& from = exporting ? mine : other;
  HistoryStore& to = exporting ? other : mine;
  if (!from.CopyTo(to, only)) {
    const HistoryProblem& p =
        to.LastProblem().reason.empty() ? from.LastProblem() : to.LastProblem();
    std::fprintf(stderr, "%s\n", HistoryProblemMessage(p).c_str());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

bool TakeHistoryOption(std::vector<std::string_view>& args, std::string* problem) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--history") continue;
    if (i + 1 >= args.size()) {
      *problem = "--history needs a database (a file or postgresql://user@host/db)";
      return false;
    }
    std::string error;
    if (!ParseHistoryLocation(args[i + 1], &error)) {
      *problem = "--history: " + error;
      return false;
    }
    HistoryOption() = std::string(args[i + 1]);
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
               args.begin() + static_cast<std::ptrdiff_t>(i + 2));
    return true;
  }
  return true;
}

void StartCliHistory(Session& session) {
  int keepDays = kDefaultKeepSamplesDays;
  std::string error;
  const auto location = ChosenLocation(&keepDays, &error);
  if (!location) {
    std::fprintf(stderr, "[History] Database: %s; the tool goes on without history.\n",
                 error.c_str());
    return;
  }
  session.History().Start(*location, keepDays, [](const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
  });
}

int RunHistoryCommand(std::span<const std::string_view> args) {
  if (args.size() >= 2 && (args[0] == "--export" || args[0] == "--import")) {
    if (args.size() > (args[0] == "--export" ? 3u : 2u))
      return HistoryUsage("too many arguments for " + std::string(args[0]));
    return CopyCommand(args[0] == "--export", std::string(args[1]),
                       args.size() == 3 ? std::optional(args[2]) : std::nullopt);
  }
  std::optional<std::string_view> which;
  std::optional<std::int64_t> since;
  std::string what;
  std::string_view series;
  Format format = Format::Text;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (a == "--since" && i + 1 < args.size()) {
      since = ParseDate(args[++i]);
      if (!since) return HistoryUsage("DATE must be YYYY-MM-DD or \"YYYY-MM-DD HH:MM\"");
    } else if (a == "--visits" || a == "--changes" || a == "--events" ||
               (a == "--samples" && i + 1 < args.size())) {
      if (!what.empty())
        return HistoryUsage("give one of --visits, --changes, --events, --samples");
      what = a;
      if (a == "--samples") series = args[++i];
    } else if (a == "--csv" || a == "--json") {
      format = a == "--csv" ? Format::Csv : Format::Json;
    } else if (!a.starts_with("-") && !which) {
      which = a;
    } else {
      return HistoryUsage("unexpected argument " + std::string(a));
    }
  }
  if (!which) return HistoryUsage("history needs a SITE or a SERIAL");
  if (what.empty()) return HistoryUsage("give one of --visits, --changes, --events, --samples");
  std::string error;
  const auto location = ChosenLocation(nullptr, &error);
  if (!location) return HistoryUsage(error);
  HistoryStore store;
  if (!OpenOrSay(store, *location)) return kExitFailed;
  const auto key = FindOne(store, *which);
  if (!key) return kExitFailed;
  const std::int64_t from = since.value_or(0);
  std::optional<Table> table;
  if (what == "--visits") table = VisitsTable(store, *key, from);
  if (what == "--events") table = EventsTable(store, *key, from);
  if (what == "--changes") {
    table = ChangesTable(store, *key, since);
    if (!table) {
      std::fprintf(stderr, "The history holds no parameters of %s.\n", key->serial.c_str());
      return kExitFailed;
    }
  }
  if (what == "--samples") {
    table = SamplesTable(store, *key, from, series);
    if (!table) return HistoryUsage("SERIES is one of " + SeriesKeys());
  }
  Print(*table, format);
  return kExitOk;
}

}  // namespace vorel
