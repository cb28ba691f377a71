#include "control/register_exchange.h"

#include <algorithm>

#include "link/exception_meaning.h"
#include "link/request_worker.h"

namespace vorel {

RegisterExchange::RegisterExchange(SerialPort& port, Host& host, EventPump& pump)
    : port_(port),
      host_(host),
      pump_(pump),
      images_(std::make_unique<SiteImages>()),
      link_(std::make_unique<ModbusLink>(port, host, pump, *images_)) {
  link_->SetTrafficLog(&traffic_);
}

RegisterExchange::~RegisterExchange() = default;

bool RegisterExchange::Open(const PortSettings& settings, std::string* error) {
  if (!port_.Open(settings, error)) return false;
  traffic_.Restart(pump_.NowMs());
  link_->SetEchoDiscard(settings.discardEcho);
  link_->SetLineSpeed(settings);
  link_->StartTicking();
  return true;
}

RequestResult RegisterExchange::Read(int site, std::uint16_t address, std::uint16_t count,
                                     std::vector<std::uint16_t>* words) {
  const RegisterBlock block{address, count, 0, {}};
  if (!link_->FastCollection()) link_->DelayWithEvents(kRequestPauseMs);
  PlainRead(*link_, static_cast<std::uint8_t>(site), block).WaitFor();
  const RequestResult result = link_->WaitForReply(site);
  if (!result) {
    host_.ShowMessage(FailureMessage(result, site));
    return result;
  }
  const auto data = link_->ReplyData();
  if (data.size() != 2u * count) {
    host_.ShowMessage("The reply carries " + std::to_string(data.size()) +
                      " data bytes instead of " + std::to_string(2u * count) + ".");
    link_->SetCommState(site, kCommNoResult);  // no usable result
    return {RequestOutcome::Incomplete};
  }
  words->clear();
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    words->push_back(static_cast<std::uint16_t>((data[i] << 8) | data[i + 1]));
  }
  return result;
}

RequestResult RegisterExchange::Write(int site, std::uint16_t address,
                                      std::span<const std::uint16_t> words) {
  const RegisterBlock block{address, static_cast<std::uint16_t>(words.size()), 0, {}};
  if (!link_->FastCollection()) link_->DelayWithEvents(kRequestPauseMs);
  WriteRequest(*link_, static_cast<std::uint8_t>(site), block,
               RegisterWords(words.begin(), words.end()))
      .WaitFor();
  const RequestResult result = link_->WaitForReply(site);
  if (!result) host_.ShowMessage(FailureMessage(result, site));
  return result;
}

}  // namespace vorel

namespace vorel {

std::optional<std::int16_t> RegisterExchange::Probe(int site, int timeoutMs) {
  link_->DelayWithEvents(kRequestPauseMs);
  PlainRead(*link_, static_cast<std::uint8_t>(site), reg::kIdentification).WaitFor();
  const std::uint64_t deadline = pump_.NowMs() + static_cast<std::uint64_t>(timeoutMs);
  for (std::uint64_t now = pump_.NowMs(); now < deadline && !link_->LinkIdle();
       now = pump_.NowMs()) {
    if (link_->PollReply(site)) {
      return static_cast<std::int16_t>(images_->Word(site, reg::kProductCode.address));
    }
    if (link_->RequestFailure()) break;
    // A paced step has paused already; fast collection sleeps until input arrives.
    if (link_->FastCollection()) {
      pump_.Pump(0);  // a window scanning the line stays responsive
      port_.WaitForInput(static_cast<int>(std::min<std::uint64_t>(deadline - now, 10)));
    }
  }
  link_->AbandonRequest(site);
  return std::nullopt;
}

}  // namespace vorel
