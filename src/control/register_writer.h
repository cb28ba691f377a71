// One function-16 request to a site, waited for; the session implements it on its link.
#pragma once

#include <cstdint>
#include <span>

#include "link/request_outcome.h"

namespace vorel {

class RegisterWriter {
 public:
  // A failure's message is shown through the host.
  virtual RequestResult WriteBlock(int site, std::uint16_t address,
                                   std::span<const std::uint16_t> words) = 0;

 protected:
  ~RegisterWriter() = default;
};

}  // namespace vorel
