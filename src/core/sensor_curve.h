// The ten-point curve of an analogue channel (resistance in ohms -> measured value) as the
// value image holds it, its texts, and the geometry of its drawing. Widget-free: the curve
// editor paints what PlotCurve computes, and vorel-cli exports and imports the same points.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorel {

class SiteImages;

inline constexpr int kCurvePoints = 10;

// One point as the controller stores it: whole ohms (a negative value ends the curve) and the
// value in steps of 10 to the power minus the channel's decimals.
struct CurvePoint {
  std::int16_t ohms = 0;
  std::int16_t value = 0;
  friend bool operator==(const CurvePoint&, const CurvePoint&) = default;
};
using SensorCurve = std::array<CurvePoint, kCurvePoints>;

// First value and first resistance register of a channel (0 to 2).
std::uint16_t CurveValueAddress(int channel);
std::uint16_t CurveResistanceAddress(int channel);

// The curve of a channel (0 to 2) from and into the site's value image.
SensorCurve CurveFromImage(const SiteImages& images, int site, int channel);
void CurveToImage(SiteImages& images, int site, int channel, const SensorCurve& curve);

// The decimals a curve value is shown with: 1 or 2 as given, 0 for anything else (the
// divisor is then 1, as for the channel's levels).
int CurveDecimals(int decimals);

// Points counted from point 1 while the resistance is not negative, at least 1 (the last
// point drawn, L).
int CurvePointCount(const SensorCurve& curve);

// A curve may rise or fall (most temperature senders fall), but its resistances must keep one
// direction from point 1 to L for the controller to look a value up between them. The first
// point (2 to 10) that turns or repeats the resistance before it; 0 when the order holds.
int CurveOrderBreak(const SensorCurve& curve);
// The warning shown for a curve whose order breaks at `point`, in the current language.
std::string CurveOrderWarning(int point);

// A stored value as shown: fixed-point with the curve decimals ("23.5", "-0.5", "7").
std::string CurveValueText(std::int16_t value, int decimals);
// A shown value back into steps: value x divisor truncated toward zero, never rounded
// (4.35 with one decimal gives 43). A binary fraction just below a whole step (0.29 x 100 =
// 28.999...) still gives the step the user saw; beyond the 16-bit range the nearest end.
std::int16_t CurveValueFromReal(double value, int decimals);
// A decimal text ("." separator, optional sign) into steps, exactly; nothing when it is not a
// number, has more digits after "." than the decimals, or leaves the 16-bit range.
std::optional<std::int16_t> CurveValueFromText(std::string_view text, int decimals);

// The drawing of a curve on an area of width x height pixels (margin 5 on every side).
struct PlotPixel {
  int x = 0;
  int y = 0;
  friend bool operator==(const PlotPixel&, const PlotPixel&) = default;
};
struct CurvePlot {
  bool axes = false;    // sensor type 3 and up: the axes are drawn
  bool points = false;  // the scales are positive: points, segments and the marker are drawn
  PlotPixel axisTop, axisBottom;  // the vertical axis
  PlotPixel zeroLeft, zeroRight;  // the zero line
  int count = 0;                  // L: points 1 to L are joined, with a cross at each
  std::array<PlotPixel, kCurvePoints> at{};
  int markerX = 0;  // the dotted vertical line of the selected point, from y 5 to height - 5
  int resistanceMax = 0;
  int valueMin = 0;
  int valueSpan = 0;
};
// `selectedPoint` is the selected row of the table (1 to 10); at or beyond L the marker stands
// at point L.
CurvePlot PlotCurve(const SensorCurve& curve, int sensorType, int width, int height,
                    int selectedPoint);

// The point a pixel of the drawing stands for, on the scales of `plot` (a point dragged there):
// ohms from 0 up, the value in steps, both within the 16-bit range.
CurvePoint PlotPointAt(const CurvePlot& plot, int width, int height, PlotPixel at);

// The channel's measured value (in curve steps) as a point on the drawn curve: the resistance
// read between the two neighbouring points whose values enclose it. Nothing for a value outside
// the curve or a sensor fault (open, short, failure, none), or without scales.
std::optional<PlotPixel> PlotMeasured(const SensorCurve& curve, const CurvePlot& plot, int width,
                                      int height, int value);

}  // namespace vorel
