// A sensor curve as a small CSV file for spreadsheets and for keeping curves apart from the
// parameter file: a header row `point,ohm,value`, then the ten points in order, the value in
// the channel's unit with its decimals ("." separator); UTF-8, CR LF line ends.
#pragma once

#include <string>
#include <string_view>

#include "core/sensor_curve.h"

namespace vorel {

inline constexpr std::string_view kCurveCsvHeader = "point,ohm,value";

// `decimals` as the channel shows its values (see CurveDecimals).
std::string CurveCsv(const SensorCurve& curve, int decimals);

// Reads a whole file into `curve` only when every row checks: the header, exactly ten points
// numbered 1 to 10, whole ohms in the 16-bit range, values in range with at most the decimals.
// Otherwise `curve` is left untouched and `error` names the line (English or Chinese by the
// language setting). A UTF-8 byte order mark, LF or CR LF line ends and blank lines at the end
// are accepted. A curve whose resistances do not keep one direction is read, and `warning`
// (when given) says where it turns; it is emptied for a curve that keeps its order.
bool ReadCurveCsv(std::string_view text, int decimals, SensorCurve* curve, std::string* error,
                  std::string* warning = nullptr);

}  // namespace vorel
