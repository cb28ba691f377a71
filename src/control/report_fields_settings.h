// The service report's fields, remembered per controller (by serial number) in section
// "Report SERIAL" of vport.ini, so that the next report of the same unit starts from them.
#pragma once

#include <string>

#include "core/report_fields.h"

namespace vorel {

// Empty fields when none were kept or the settings file cannot be read.
ReportFields LoadReportFields(const std::string& serial);
// False when the settings file cannot be read or written (the report is made all the same).
bool SaveReportFields(const std::string& serial, const ReportFields& fields);

}  // namespace vorel
