#include "core/sensor_curve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "core/site_images.h"

namespace vorel {
namespace {

SensorCurve Curve(std::initializer_list<CurvePoint> points) {
  SensorCurve c{};
  std::size_t k = 0;
  for (const CurvePoint& p : points) c[k++] = p;
  for (; k < c.size(); ++k) c[k] = {-1, 0};
  return c;
}

TEST(SensorCurve, ImageRoundTripUsesTheChannelsRegisters) {
  SiteImages images;
  SensorCurve curve{};
  for (int k = 0; k < kCurvePoints; ++k)
    curve[static_cast<std::size_t>(k)] = {static_cast<std::int16_t>(10 * k - 5),
                                          static_cast<std::int16_t>(-k)};
  CurveToImage(images, 3, 1, curve);
  EXPECT_EQ(images.Word(3, 0x0136), static_cast<std::uint16_t>(0));   // value of point 1
  EXPECT_EQ(images.Word(3, 0x013F), static_cast<std::uint16_t>(-9));  // value of point 10
  EXPECT_EQ(images.Word(3, 0x0154), static_cast<std::uint16_t>(-5));  // ohms of point 1
  EXPECT_EQ(images.Word(3, 0x015D), static_cast<std::uint16_t>(85));  // ohms of point 10
  EXPECT_EQ(images.Word(3, 0x012C), 0);                               // channel 0 untouched
  EXPECT_EQ(CurveFromImage(images, 3, 1), curve);
  EXPECT_EQ(CurveValueAddress(2), 0x0140);
  EXPECT_EQ(CurveResistanceAddress(2), 0x015E);

  // A bad channel reads zeros and writes nothing.
  CurveToImage(images, 3, 3, curve);
  CurveToImage(images, 3, -1, curve);
  EXPECT_EQ(CurveFromImage(images, 3, 3), SensorCurve{});
  EXPECT_EQ(images.Word(3, 0x0168), 0);
}

TEST(SensorCurve, PointCountStopsAtTheFirstNegativeResistance) {
  const struct {
    int negativeAt;  // 1-based point with a negative resistance, 0 for none
    int count;
  } cases[] = {{0, 10}, {1, 1}, {2, 1}, {4, 3}, {10, 9}};
  for (const auto& c : cases) {
    SensorCurve curve{};
    for (auto& p : curve) p = {100, 1};
    if (c.negativeAt > 0) curve[static_cast<std::size_t>(c.negativeAt - 1)].ohms = -1;
    EXPECT_EQ(CurvePointCount(curve), c.count) << c.negativeAt;
  }
  // Points after the first negative one do not count, even when they are positive again.
  SensorCurve gap = Curve({{0, 0}, {10, 1}, {-5, 2}, {30, 3}});
  gap[5] = {50, 5};
  EXPECT_EQ(CurvePointCount(gap), 2);
}

TEST(SensorCurve, ValueTexts) {
  const struct {
    std::int16_t value;
    int decimals;
    const char* text;
  } cases[] = {{235, 1, "23.5"},       {-5, 1, "-0.5"},      {7, 0, "7"},     {5, 2, "0.05"},
               {-32768, 2, "-327.68"}, {32767, 1, "3276.7"}, {123, 3, "123"}, {-40, -1, "-40"}};
  for (const auto& c : cases) EXPECT_EQ(CurveValueText(c.value, c.decimals), c.text) << c.value;
}

TEST(SensorCurve, ShownValuesAreTruncatedNotRounded) {
  const struct {
    double value;
    int decimals;
    std::int16_t steps;
  } cases[] = {
      {4.35, 1, 43},   {-4.35, 1, -43},   {23.5, 1, 235},     {4.39, 1, 43},
      {0.29, 2, 29},   {1.15, 2, 115},    {-0.07, 2, -7},     {12.9, 0, 12},
      {1e9, 0, 32767}, {-1e9, 2, -32768}, {327.67, 2, 32767}, {-327.68, 2, -32768},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CurveValueFromReal(c.value, c.decimals), c.steps) << c.value << " d" << c.decimals;
  EXPECT_EQ(CurveValueFromReal(std::numeric_limits<double>::quiet_NaN(), 1), 0);
  EXPECT_EQ(CurveValueFromReal(std::numeric_limits<double>::infinity(), 1), 0);
}

TEST(SensorCurve, ValueTextsReadExactly) {
  const struct {
    const char* text;
    int decimals;
    std::optional<std::int16_t> steps;
  } cases[] = {
      {"4.3", 1, 43},
      {"23.50", 1, 235},
      {"23.55", 1, std::nullopt},
      {"-0.05", 2, -5},
      {"7", 2, 700},
      {".5", 1, 5},
      {"+12", 0, 12},
      {"327.67", 2, 32767},
      {"327.68", 2, std::nullopt},
      {"-327.68", 2, -32768},
      {"99999999999", 0, std::nullopt},
      {"", 0, std::nullopt},
      {"-", 0, std::nullopt},
      {".", 1, std::nullopt},
      {"1e3", 0, std::nullopt},
      {"1,5", 1, std::nullopt},
      {" 1", 0, std::nullopt},
      {"1.5", 0, std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CurveValueFromText(c.text, c.decimals), c.steps) << '"' << c.text << '"';
}

TEST(SensorCurve, ScalesAndZeroLine) {
  constexpr int kWd = 313;
  constexpr int kHt = 209;
  const struct {
    SensorCurve curve;
    int count, rmax, vmin, span, zeroY;
    bool points;
  } cases[] = {
      // All values non-negative: the zero line lies on the bottom margin.
      {Curve({{0, 0}, {50, 40}, {200, 100}}), 3, 200, 0, 100, kHt - 5, true},
      // V1 = -20, VL = 80: the zero line one fifth of the height above the bottom.
      {Curve({{0, -20}, {100, 30}, {150, 80}}), 3, 150, -20, 100, kHt - 41 - 5, true},
      // A falling curve ending below zero: VL is the minimum.
      {Curve({{10, 50}, {300, -50}}), 2, 300, -50, 100, kHt - 104 - 5, true},
      // Point 4 negative: the scale takes points 1 and 3 (the larger resistance).
      {Curve({{500, 10}, {200, 20}, {100, 30}, {-1, 900}}), 3, 500, 0, 30, kHt - 5, true},
      // No positive resistance or no positive span: axes only.
      {Curve({{0, 0}, {0, 10}}), 2, 0, 0, 10, kHt - 5, false},
      {Curve({{0, 5}, {100, 0}}), 2, 100, 0, 5, kHt - 5, true},
      {Curve({{0, 0}, {100, 0}}), 2, 100, 0, 0, kHt - 5, false},
      // Both ends negative and falling: the span is negative; no division by it.
      {Curve({{0, -10}, {100, -30}}), 2, 100, -30, 20, kHt - 313 - 5, true},
      {Curve({{0, -30}, {100, -10}}), 2, 100, -10, -20, kHt - 5, false},
      // Point 1 negative: L is point 1 alone.
      {Curve({{-1, 5}}), 1, -1, 0, 5, kHt - 5, false},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    const CurvePlot plot = PlotCurve(c.curve, 3, kWd, kHt, 1);
    EXPECT_TRUE(plot.axes);
    EXPECT_EQ(plot.count, c.count) << i;
    EXPECT_EQ(plot.resistanceMax, c.rmax) << i;
    EXPECT_EQ(plot.valueMin, c.vmin) << i;
    EXPECT_EQ(plot.valueSpan, c.span) << i;
    EXPECT_EQ(plot.zeroLeft, (PlotPixel{5, c.zeroY})) << i;
    EXPECT_EQ(plot.zeroRight, (PlotPixel{kWd - 5, c.zeroY})) << i;
    EXPECT_EQ(plot.points, c.points) << i;
    EXPECT_EQ(plot.axisTop, (PlotPixel{5, 5}));
    EXPECT_EQ(plot.axisBottom, (PlotPixel{5, kHt - 5}));
  }
}

TEST(SensorCurve, PointPixelsAndMarker) {
  // Width 313, height 209: 303 x 199 pixels between the margins.
  SensorCurve curve = Curve({{0, 0}, {100, 50}, {200, 100}, {-1, 0}});
  curve[4] = {999, 999};  // beyond the first negative point: never drawn
  CurvePlot plot = PlotCurve(curve, 3, 313, 209, 2);
  ASSERT_EQ(plot.count, 3);
  EXPECT_EQ(plot.at[0], (PlotPixel{5, 204}));
  EXPECT_EQ(plot.at[1], (PlotPixel{5 + 151, 204 - 99}));  // 303 x 100 / 200, 199 x 50 / 100
  EXPECT_EQ(plot.at[2], (PlotPixel{308, 5}));
  EXPECT_EQ(plot.markerX, 156);
  // At or beyond L the marker stands at L.
  EXPECT_EQ(PlotCurve(curve, 3, 313, 209, 3).markerX, 308);
  EXPECT_EQ(PlotCurve(curve, 3, 313, 209, 10).markerX, 308);

  // A middle point outside the ends' scale is pushed to the far edge (width, height).
  const SensorCurve wild = Curve({{0, 0}, {400, 300}, {200, 100}});
  plot = PlotCurve(wild, 5, 313, 209, 1);
  EXPECT_EQ(plot.at[1], (PlotPixel{313 + 5, 209 - 5 - 209}));

  // Doubled size doubles the scale.
  plot = PlotCurve(curve, 3, 626, 418, 1);
  EXPECT_EQ(plot.at[2], (PlotPixel{621, 5}));
  EXPECT_EQ(plot.at[1], (PlotPixel{5 + 308, 418 - 5 - 204}));

  // Sensor types 0 to 2 draw nothing, not even the axes.
  for (int type : {0, 1, 2}) EXPECT_FALSE(PlotCurve(curve, type, 313, 209, 1).axes);
}

// A drawn point read back from its pixel lands on the point again (to the pixel's precision);
// a pixel outside the area gives a point within the 16-bit range, ohms never negative.
TEST(SensorCurve, APixelReadsBackAsItsPoint) {
  const SensorCurve curve = Curve({{0, -100}, {150, 40}, {300, 200}});
  const CurvePlot plot = PlotCurve(curve, 3, 313, 209, 1);
  ASSERT_TRUE(plot.points);
  for (int k = 0; k < 3; ++k) {
    const CurvePoint back = PlotPointAt(plot, 313, 209, plot.at[static_cast<std::size_t>(k)]);
    const CurvePoint& p = curve[static_cast<std::size_t>(k)];
    EXPECT_NEAR(back.ohms, p.ohms, 1) << k;    // 300 ohm over 303 pixels
    EXPECT_NEAR(back.value, p.value, 2) << k;  // 300 steps over 199 pixels
  }
  const CurvePoint far = PlotPointAt(plot, 313, 209, {-50, 5000});
  EXPECT_EQ(far.ohms, 0);
  EXPECT_LT(far.value, -100);
  EXPECT_EQ(PlotPointAt(PlotCurve(curve, 1, 313, 209, 1), 313, 209, {100, 100}), CurvePoint{});
}

// The measured value stands on the curve between the two points that enclose it, on rising and
// falling curves alike; a value off the curve or a sensor fault draws nothing.
TEST(SensorCurve, TheMeasuredValueStandsOnTheCurve) {
  const SensorCurve rising = Curve({{0, 0}, {100, 50}, {200, 100}});
  const SensorCurve falling = Curve({{287, 40}, {134, 60}, {38, 100}, {17, 130}});
  for (const SensorCurve& curve : {rising, falling}) {
    const CurvePlot plot = PlotCurve(curve, 3, 313, 209, 1);
    for (int k = 0; k < plot.count; ++k) {
      const std::optional<PlotPixel> at =
          PlotMeasured(curve, plot, 313, 209, curve[static_cast<std::size_t>(k)].value);
      ASSERT_TRUE(at.has_value()) << k;
      EXPECT_NEAR(at->x, plot.at[static_cast<std::size_t>(k)].x, 1) << k;
      EXPECT_NEAR(at->y, plot.at[static_cast<std::size_t>(k)].y, 1) << k;
    }
  }
  // Half-way in value between two points of a straight piece: half-way in pixels.
  const CurvePlot plot = PlotCurve(rising, 3, 313, 209, 1);
  const std::optional<PlotPixel> mid = PlotMeasured(rising, plot, 313, 209, 75);
  ASSERT_TRUE(mid.has_value());
  EXPECT_NEAR(mid->x, (plot.at[1].x + plot.at[2].x) / 2, 1);
  EXPECT_NEAR(mid->y, (plot.at[1].y + plot.at[2].y) / 2, 1);
  for (int value : {101, -1, -32768, -32765})
    EXPECT_FALSE(PlotMeasured(rising, plot, 313, 209, value).has_value()) << value;
}

}  // namespace
}  // namespace vorel
