#include "control/line_scanner.h"

#include <optional>

#include "control/register_exchange.h"
#include "core/register_table.h"
#include "core/site_images.h"

namespace vorel {
namespace {

// The identification read: an 8-byte request; a reply of 3 header bytes, the data and the CRC.
constexpr int kProbeCharacters = 8 + 3 + 2 * reg::kIdentification.count + 2;
constexpr int kBitsPerCharacter = 10;

}  // namespace

int ScanTimeoutMs(int baud) {
  if (baud <= 0) return kScanMarginMs;
  const long bits = static_cast<long>(kProbeCharacters) * kBitsPerCharacter * 1000;
  return static_cast<int>((bits + baud - 1) / baud) + kScanMarginMs;
}

LineScanner::LineScanner(SerialPort& port, Host& host, EventPump& pump)
    : port_(port), host_(host), pump_(pump) {}

bool LineScanner::Run(const PortSettings& base, std::span<const int> speeds, int timeoutMs,
                      bool fast, std::string* error) {
  RegisterExchange exchange(port_, host_, pump_);
  exchange.SetFast(fast);
  if (traffic) exchange.Link().SetTrafficLog(traffic);
  bool stopped = false;
  for (int baud : speeds) {
    PortSettings settings = base;
    settings.baud = baud;
    port_.Close();
    if (!exchange.Open(settings, error)) return false;
    const int wait = timeoutMs > 0 ? timeoutMs : ScanTimeoutMs(baud);
    for (int site = 1; site <= kSiteCount && !stopped; ++site) {
      if (onProbe && !onProbe(baud, site)) {
        stopped = true;
        break;
      }
      if (const std::optional<std::int16_t> code = exchange.Probe(site, wait)) {
        if (onFound) onFound(ScanHit{baud, site, *code});
      }
    }
    if (stopped) break;
    if (onSpeedDone) onSpeedDone(baud);
  }
  port_.Close();
  return !stopped;
}

}  // namespace vorel
