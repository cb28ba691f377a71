// What the Write button of the sensor curve editor does: the ten points of one analogue
// channel into the value image and, for an online site, into the controller: the channel's
// second property word (sensor type "User defined"), then the ten resistances, then the ten
// values, each answered in turn with polling paused and the progress shown.
#pragma once

#include "control/exchange_scope.h"
#include "control/register_requests.h"
#include "control/site_slots.h"
#include "control/transfer_result.h"
#include "core/sensor_curve.h"
#include "core/site_images.h"
#include "link/host.h"
#include "link/modbus_link.h"

namespace vorel {

class ParameterTransfer;

enum class CurveWriteResult {
  Stored,   // the site's window was opened from a file: the value image only
  Refused,  // protection locked or mode not OFF (told), or no such site or channel
  Busy,     // another exchange runs
  Written,  // every request answered
  Failed,   // the whole sequence sent, at least one request failed (told by the link)
};

// What the curve editor is told of a write.
CurveWriteResult CurveWriteResultOf(const TransferResult& result);

// The sensor type code of a curve written by the tool ("User defined").
inline constexpr int kUserDefinedSensor = 3;
// Bits 0 to 9 of the channel's second property word (condition, unit, decimals) stay when a
// curve is written; bits 10 to 15 take the sensor type.
inline constexpr std::uint16_t kCurveTypeKeptBits = 0x03FF;
inline constexpr int kCurveTypeShift = 10;

class CurveWriter {
 public:
  // The audit trail of the written blocks is kept by `parameters`.
  CurveWriter(Host& host, SiteImages& images, const SiteSlots& siteSlots, ModbusLink& link,
              ExchangeControl& exchange, RegisterRequests& requests, ParameterTransfer& parameters)
      : host_(host),
        images_(images),
        slots_(siteSlots),
        link_(link),
        exchange_(exchange),
        requests_(requests),
        parameters_(parameters) {}

  // `channel` 0 to 2. A failed request does not end the sequence: the controller keeps
  // whatever it took, and the type is set to "User defined" in the value image regardless.
  // The audit trail takes the blocks the controller acknowledged. Offline: the site's window
  // holds a file, the curve went into the value image only.
  TransferResult Write(int site, int channel, const SensorCurve& curve);

 private:
  Host& host_;
  SiteImages& images_;
  const SiteSlots& slots_;
  ModbusLink& link_;
  ExchangeControl& exchange_;
  RegisterRequests& requests_;
  ParameterTransfer& parameters_;
};

}  // namespace vorel
