// The list of parameter differences that "Compare with file..." and the Write preview show:
// one row per parameter (name, the two values right-aligned, unit, and the key when asked).
#pragma once

#include <QStringList>
#include <vector>

#include "files/parameter_compare.h"

class QTableWidget;
class QWidget;

namespace vorel {

// `headers` names the columns: four (no key column) or five.
QTableWidget* MakeDifferenceTable(const std::vector<ParameterDifference>& differences,
                                  const QStringList& headers, QWidget* parent);

}  // namespace vorel
