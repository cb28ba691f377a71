// The differences as "diff" and "Compare with file..." list them for a person: grouped by the
// page of the parameter window that shows them (System/Basic, Engine, Generator/Mains, then
// the channel and I/O settings), rows in the order of their grids, and the counters (start
// count, run hours) in a group of their own at the end. A difference whose two sides show the
// same number at the editor's precision ("20.0" and "20": a level kept at other decimals) is
// left out: the editors show the same value.
#pragma once

#include <vector>

#include "core/language.h"
#include "files/parameter_compare.h"

namespace vorel {

struct DifferenceGroup {
  BilingualText heading;
  std::vector<ParameterDifference> rows;
};

std::vector<DifferenceGroup> GroupDifferences(const std::vector<ParameterDifference>& differences);

// The groups one after the other, each heading as a row of its own with only `name` set (the
// heading in the current language) and `key` empty.
std::vector<ParameterDifference> WithGroupHeadings(const std::vector<DifferenceGroup>& groups);

}  // namespace vorel
