#include "files/curve_csv.h"

#include <charconv>
#include <vector>

#include "core/language.h"

namespace vorel {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

// A whole decimal number with an optional sign and nothing else.
bool WholeNumber(std::string_view text, long long* number) {
  if (text.empty()) return false;
  if (text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *number);
  return ec == std::errc() && end == text.data() + text.size();
}

bool Refuse(std::string* error, int line, const std::string& english, const std::string& chinese) {
  const std::string l = std::to_string(line);
  *error = std::string(PickText("Line " + l + ": " + english, "第" + l + "行: " + chinese));
  return false;
}

}  // namespace

std::string CurveCsv(const SensorCurve& curve, int decimals) {
  std::string csv(kCurveCsvHeader);
  csv += "\r\n";
  for (int k = 0; k < kCurvePoints; ++k) {
    const CurvePoint& p = curve[static_cast<std::size_t>(k)];
    csv += std::to_string(k + 1) + ',' + std::to_string(p.ohms) + ',' +
           CurveValueText(p.value, CurveDecimals(decimals)) + "\r\n";
  }
  return csv;
}

bool ReadCurveCsv(std::string_view text, int decimals, SensorCurve* curve, std::string* error,
                  std::string* warning) {
  const int d = CurveDecimals(decimals);
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::string_view> lines = Split(text, '\n');
  for (std::string_view& line : lines) {
    if (line.ends_with('\r')) line.remove_suffix(1);
  }
  while (!lines.empty() && Trim(lines.back()).empty()) lines.pop_back();

  if (lines.empty() || Trim(lines[0]) != kCurveCsvHeader) {
    return Refuse(error, 1, "the header row must be \"point,ohm,value\".",
                  "标题行应为 \"point,ohm,value\"。");
  }
  const int points = static_cast<int>(lines.size()) - 1;
  if (points != kCurvePoints) {
    const std::string n = std::to_string(points);
    *error = std::string(PickText("The file holds " + n + " points; a curve has 10.",
                                  "文件含 " + n + " 个点, 曲线应有 10 个点。"));
    return false;
  }

  const std::string low = CurveValueText(-32768, d);
  const std::string high = CurveValueText(32767, d);
  const std::string places = std::to_string(d);
  SensorCurve read{};
  for (int k = 0; k < kCurvePoints; ++k) {
    const int line = k + 2;
    const std::vector<std::string_view> fields = Split(lines[static_cast<std::size_t>(k + 1)], ',');
    if (fields.size() != 3) {
      return Refuse(error, line, "three fields expected (point,ohm,value).",
                    "应有三个字段 (point,ohm,value)。");
    }
    long long number = 0;
    if (!WholeNumber(Trim(fields[0]), &number) || number != k + 1) {
      const std::string p = std::to_string(k + 1);
      return Refuse(error, line, "point " + p + " expected.", "应为第 " + p + " 点。");
    }
    if (!WholeNumber(Trim(fields[1]), &number) || number < -32768 || number > 32767) {
      return Refuse(error, line, "the resistance must be whole ohms from -32768 to 32767.",
                    "阻值应为 -32768 至 32767 的整数欧姆。");
    }
    const auto ohms = static_cast<std::int16_t>(number);
    const std::optional<std::int16_t> value = CurveValueFromText(Trim(fields[2]), d);
    if (!value) {
      return Refuse(error, line,
                    "the value must be a number from " + low + " to " + high + " with at most " +
                        places + " decimal places.",
                    "测量值应为 " + low + " 至 " + high + " 的数, 最多 " + places + " 位小数。");
    }
    read[static_cast<std::size_t>(k)] = {ohms, *value};
  }
  *curve = read;
  if (warning) {
    const int turn = CurveOrderBreak(read);
    *warning = turn == 0 ? std::string() : CurveOrderWarning(turn);
  }
  return true;
}

}  // namespace vorel
