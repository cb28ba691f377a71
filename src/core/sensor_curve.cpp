#include "core/sensor_curve.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/conversions.h"
#include "core/language.h"
#include "core/register_table.h"
#include "core/site_images.h"

namespace vorel {
namespace {

constexpr int kMargin = 5;
// Measured values from -32768 (open) to -32765 (none) report a sensor fault.
constexpr int kLowestSensorFault = -32765;
constexpr int kWordMin = -32768;
constexpr int kWordMax = 32767;

std::int16_t ToWord(long long v) {
  return static_cast<std::int16_t>(std::clamp<long long>(v, kWordMin, kWordMax));
}

}  // namespace

std::uint16_t CurveValueAddress(int channel) {
  return static_cast<std::uint16_t>(reg::kCurveValues.address + kCurvePoints * channel);
}

std::uint16_t CurveResistanceAddress(int channel) {
  return static_cast<std::uint16_t>(reg::kCurveResistances.address + kCurvePoints * channel);
}

SensorCurve CurveFromImage(const SiteImages& images, int site, int channel) {
  SensorCurve curve{};
  if (channel < 0 || channel > 2) return curve;
  for (int k = 0; k < kCurvePoints; ++k) {
    CurvePoint& p = curve[static_cast<std::size_t>(k)];
    p.ohms = static_cast<std::int16_t>(images.Word(site, CurveResistanceAddress(channel) + k));
    p.value = static_cast<std::int16_t>(images.Word(site, CurveValueAddress(channel) + k));
  }
  return curve;
}

void CurveToImage(SiteImages& images, int site, int channel, const SensorCurve& curve) {
  if (channel < 0 || channel > 2) return;
  for (int k = 0; k < kCurvePoints; ++k) {
    const CurvePoint& p = curve[static_cast<std::size_t>(k)];
    images.SetWord(site, CurveResistanceAddress(channel) + k, static_cast<std::uint16_t>(p.ohms));
    images.SetWord(site, CurveValueAddress(channel) + k, static_cast<std::uint16_t>(p.value));
  }
}

int CurveDecimals(int decimals) {
  return decimals == 1 || decimals == 2 ? decimals : 0;
}

int CurvePointCount(const SensorCurve& curve) {
  int n = 0;
  while (n < kCurvePoints && curve[static_cast<std::size_t>(n)].ohms >= 0) ++n;
  return std::max(n, 1);
}

int CurveOrderBreak(const SensorCurve& curve) {
  const int count = CurvePointCount(curve);
  int direction = 0;  // +1 rising, -1 falling, 0 not known yet
  for (int k = 1; k < count; ++k) {
    const int step =
        curve[static_cast<std::size_t>(k)].ohms - curve[static_cast<std::size_t>(k - 1)].ohms;
    const int sign = step > 0 ? 1 : step < 0 ? -1 : 0;
    if (sign == 0 || (direction != 0 && sign != direction)) return k + 1;
    direction = sign;
  }
  return 0;
}

std::string CurveOrderWarning(int point) {
  const std::string p = std::to_string(point);
  return std::string(PickText(
      "Point " + p +
          ": the resistances neither only rise nor only fall; the channel may read wrongly "
          "between these points.",
      "第" + p + "点: 阻值既非一直升高也非一直降低, 通道在这些点之间可能读数错误。"));
}

std::string CurveValueText(std::int16_t value, int decimals) {
  const int d = CurveDecimals(decimals);
  const int divisor = CurveFactor(d);
  const int magnitude = std::abs(static_cast<int>(value));
  std::string text = value < 0 ? "-" : "";
  text += std::to_string(magnitude / divisor);
  if (d > 0) {
    std::string fraction = std::to_string(magnitude % divisor);
    text += "." + std::string(static_cast<std::size_t>(d) - fraction.size(), '0') + fraction;
  }
  return text;
}

std::int16_t CurveValueFromReal(double value, int decimals) {
  if (!std::isfinite(value)) return 0;
  const double scaled = value * CurveFactor(CurveDecimals(decimals));
  // The tolerance only absorbs the binary representation of a decimal fraction; it is far
  // below any step the spin editors can show.
  constexpr double kTolerance = 1e-6;
  const double cut = std::trunc(scaled + (scaled >= 0 ? kTolerance : -kTolerance));
  return ToWord(static_cast<long long>(std::clamp(cut, -1e9, 1e9)));
}

std::optional<std::int16_t> CurveValueFromText(std::string_view text, int decimals) {
  const int d = CurveDecimals(decimals);
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long whole = 0;
  int wholeDigits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++wholeDigits) {
    whole = whole * 10 + (text[i] - '0');
    if (whole > kWordMax + 1) return std::nullopt;
  }
  long long fraction = 0;
  int fractionDigits = 0;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++fractionDigits) {
      if (fractionDigits >= d) {
        if (text[i] != '0') return std::nullopt;  // more digits than the channel shows
        continue;
      }
      fraction = fraction * 10 + (text[i] - '0');
    }
  }
  if (i != text.size() || wholeDigits + fractionDigits == 0) return std::nullopt;
  for (int k = std::min(fractionDigits, d); k < d; ++k) fraction *= 10;
  long long steps = whole * CurveFactor(d) + fraction;
  if (negative) steps = -steps;
  if (steps < kWordMin || steps > kWordMax) return std::nullopt;
  return static_cast<std::int16_t>(steps);
}

CurvePlot PlotCurve(const SensorCurve& curve, int sensorType, int width, int height,
                    int selectedPoint) {
  CurvePlot plot;
  if (sensorType < 3) return plot;
  plot.axes = true;
  const long long wd = width;
  const long long ht = height;
  plot.count = CurvePointCount(curve);
  const CurvePoint& first = curve.front();
  const CurvePoint& last = curve[static_cast<std::size_t>(plot.count - 1)];
  const long long rmax = std::max(first.ohms, last.ohms);
  const long long v1 = first.value;
  const long long vl = last.value;
  long long vmin = 0;
  long long span = 0;
  if (vl < 0) {
    vmin = vl;
    span = v1 - vl;
  } else if (v1 < 0) {
    vmin = v1;
    span = vl - v1;
  } else {
    span = std::max(v1, vl);
  }
  // A span that is not positive has no scale (a falling curve below zero): the zero line
  // stays at the bottom instead of dividing by zero.
  const long long z = vmin != 0 && span > 0 ? std::llabs(vmin) * ht / span : 0;
  plot.resistanceMax = static_cast<int>(rmax);
  plot.valueMin = static_cast<int>(vmin);
  plot.valueSpan = static_cast<int>(span);
  plot.axisTop = {kMargin, kMargin};
  plot.axisBottom = {kMargin, static_cast<int>(ht) - kMargin};
  const int zeroY = static_cast<int>(ht - z - kMargin);
  plot.zeroLeft = {kMargin, zeroY};
  plot.zeroRight = {static_cast<int>(wd) - kMargin, zeroY};
  if (rmax <= 0 || span <= 0) return plot;
  plot.points = true;
  for (int k = 0; k < plot.count; ++k) {
    const CurvePoint& p = curve[static_cast<std::size_t>(k)];
    long long x = (wd - 2 * kMargin) * p.ohms / rmax;
    long long y = (ht - 2 * kMargin) * (p.value - vmin) / span;
    if (x > wd - 2 * kMargin) x = wd;
    if (y > ht - 2 * kMargin) y = ht;
    plot.at[static_cast<std::size_t>(k)] = {static_cast<int>(x + kMargin),
                                            static_cast<int>(ht - kMargin - y)};
  }
  const int marked = std::clamp(selectedPoint, 1, plot.count);
  plot.markerX = plot.at[static_cast<std::size_t>(marked - 1)].x;
  return plot;
}

CurvePoint PlotPointAt(const CurvePlot& plot, int width, int height, PlotPixel at) {
  if (!plot.points || width <= 2 * kMargin || height <= 2 * kMargin) return {};
  const double ohms =
      std::round(static_cast<double>(at.x - kMargin) * plot.resistanceMax / (width - 2 * kMargin));
  const double value = plot.valueMin + std::round(static_cast<double>(height - kMargin - at.y) *
                                                  plot.valueSpan / (height - 2 * kMargin));
  return {static_cast<std::int16_t>(std::clamp(ohms, 0.0, 32767.0)),
          static_cast<std::int16_t>(std::clamp(value, -32768.0, 32767.0))};
}

std::optional<PlotPixel> PlotMeasured(const SensorCurve& curve, const CurvePlot& plot, int width,
                                      int height, int value) {
  if (!plot.points || value <= kLowestSensorFault) return std::nullopt;
  for (int k = 1; k < plot.count; ++k) {
    const CurvePoint& a = curve[static_cast<std::size_t>(k - 1)];
    const CurvePoint& b = curve[static_cast<std::size_t>(k)];
    if (value < std::min(a.value, b.value) || value > std::max(a.value, b.value)) continue;
    const double ohms = a.value == b.value ? a.ohms
                                           : a.ohms + static_cast<double>(value - a.value) *
                                                          (b.ohms - a.ohms) / (b.value - a.value);
    const double x = kMargin + (width - 2 * kMargin) * ohms / plot.resistanceMax;
    const double y =
        height - kMargin -
        static_cast<double>(height - 2 * kMargin) * (value - plot.valueMin) / plot.valueSpan;
    return PlotPixel{static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))};
  }
  return std::nullopt;
}

}  // namespace vorel
