// What the technician writes on a service report beside the controller's own data; kept per
// controller so that the next report of the same unit starts from it.
#pragma once

#include <string>

namespace vorel {

struct ReportFields {
  std::string customer;
  std::string site;
  std::string technician;
  std::string notes;  // may hold line breaks
};

}  // namespace vorel
