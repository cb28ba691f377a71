// Request workers: one short-lived thread per request that takes the send lock, builds its
// frame and writes it, then ends. Workers never read the port; the main thread collects the
// reply (ModbusLink::PollReply / WaitForReply).
//
// Two calling patterns:
//   synchronous:      auto w = std::make_unique<TFunction3>(link, site, block);
//                     w->WaitFor(); w.reset(); link.WaitForReply(site);
//   fire and forget:  new TReadValue(link, site, block, {}, true);  // frees itself
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <utility>
#include <vector>

#include "core/register_table.h"
#include "link/modbus_link.h"

namespace vorel {

// The words of a write; each worker keeps its own copy.
using TWriteData = std::vector<std::uint16_t>;

class TComFunction {
 public:
  virtual ~TComFunction();
  TComFunction(const TComFunction&) = delete;
  TComFunction& operator=(const TComFunction&) = delete;

  // Waits for the thread to end (synchronous pattern; not for auto-free workers).
  void WaitFor();
  // After WaitFor: whether the frame was built and written.
  bool Sent() const { return sent_.load(std::memory_order_acquire); }

 protected:
  TComFunction(ModbusLink& link, std::uint8_t site, const TMultiReg& block, TWriteData data,
               bool autoFree);
  // Starts the thread; called last by each final class's constructor, once the object is
  // complete.
  void Start();
  virtual bool SendRequest(std::uint8_t site, const TMultiReg& block, const TWriteData& data) = 0;
  ModbusLink& Link() { return link_; }

 private:
  void Execute();

  ModbusLink& link_;
  const std::uint8_t site_;
  const TMultiReg block_;
  const TWriteData data_;
  const bool autoFree_;
  std::atomic<bool> sent_{false};
  std::thread thread_;
};

// A function-3 request of one request group. `Kind` only tells the worker classes apart: the
// classes of one group behave alike. The thread starts once the object is complete and is
// joined here, while SendRequest still dispatches to this class.
template <RequestGroup Group, class Kind>
class TReadRequest final : public TComFunction {
 public:
  TReadRequest(ModbusLink& link, std::uint8_t site, const TMultiReg& block, TWriteData data = {},
               bool autoFree = false)
      : TComFunction(link, site, block, std::move(data), autoFree) {
    Start();
  }
  ~TReadRequest() override { WaitFor(); }

 protected:
  bool SendRequest(std::uint8_t site, const TMultiReg& block, const TWriteData&) override {
    return Link().SendRead(Group, site, block);
  }
};

// Identification and other plain reads.
using TFunction3 = TReadRequest<RequestGroup::PlainRead, struct Function3Kind>;
// Event-log reads; the same group and behaviour as TFunction3.
using TReadHistory = TReadRequest<RequestGroup::PlainRead, struct ReadHistoryKind>;
using TReadValueConfig = TReadRequest<RequestGroup::ValueConfig, struct ReadValueConfigKind>;
using TReadValue = TReadRequest<RequestGroup::Value, struct ReadValueKind>;
using TReadParameterConfig =
    TReadRequest<RequestGroup::ParameterConfig, struct ReadParameterConfigKind>;
using TReadParameter = TReadRequest<RequestGroup::Parameter, struct ReadParameterKind>;

// Every write (function 16) of the first block.count words of the data.
class TFunction16Std final : public TComFunction {
 public:
  TFunction16Std(ModbusLink& link, std::uint8_t site, const TMultiReg& block, TWriteData data,
                 bool autoFree = false);
  ~TFunction16Std() override { WaitFor(); }

 protected:
  bool SendRequest(std::uint8_t site, const TMultiReg& block, const TWriteData& data) override;
};

}  // namespace vorel
