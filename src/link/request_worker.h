// Request workers: one short-lived thread per request that takes the send lock, builds its
// frame and writes it, then ends. Workers never read the port; the main thread collects the
// reply (ModbusLink::PollReply / WaitForReply).
//
// Two calling patterns:
//   synchronous:      auto w = std::make_unique<PlainRead>(link, site, block);
//                     w->WaitFor(); w.reset(); link.WaitForReply(site);
//   fire and forget:  new ValueRead(link, site, block, {}, true);  // frees itself
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
using RegisterWords = std::vector<std::uint16_t>;

class RequestWorker {
 public:
  virtual ~RequestWorker();
  RequestWorker(const RequestWorker&) = delete;
  RequestWorker& operator=(const RequestWorker&) = delete;

  // Waits for the thread to end (synchronous pattern; not for auto-free workers).
  void WaitFor();
  // After WaitFor: whether the frame was built and written.
  bool Sent() const { return sent_.load(std::memory_order_acquire); }

 protected:
  RequestWorker(ModbusLink& link, std::uint8_t site, const RegisterBlock& block, RegisterWords data,
               bool autoFree);
  // Starts the thread; called last by each final class's constructor, once the object is
  // complete.
  void Start();
  virtual bool SendRequest(std::uint8_t site, const RegisterBlock& block, const RegisterWords& data) = 0;
  ModbusLink& Link() { return link_; }

 private:
  void Execute();

  ModbusLink& link_;
  const std::uint8_t site_;
  const RegisterBlock block_;
  const RegisterWords data_;
  const bool autoFree_;
  std::atomic<bool> sent_{false};
  std::thread thread_;
};

// A function-3 request of one request group. `Kind` only tells the worker classes apart: the
// classes of one group behave alike. The thread starts once the object is complete and is
// joined here, while SendRequest still dispatches to this class.
template <RequestGroup Group, class Kind>
class ReadWorker final : public RequestWorker {
 public:
  ReadWorker(ModbusLink& link, std::uint8_t site, const RegisterBlock& block, RegisterWords data = {},
               bool autoFree = false)
      : RequestWorker(link, site, block, std::move(data), autoFree) {
    Start();
  }
  ~ReadWorker() override { WaitFor(); }

 protected:
  bool SendRequest(std::uint8_t site, const RegisterBlock& block, const RegisterWords&) override {
    return Link().SendRead(Group, site, block);
  }
};

// Identification and other plain reads.
using PlainRead = ReadWorker<RequestGroup::PlainRead, struct PlainReadKind>;
// Event-log reads; the same group and behaviour as PlainRead.
using EventLogRead = ReadWorker<RequestGroup::PlainRead, struct EventLogReadKind>;
using ValueConfigRead = ReadWorker<RequestGroup::ValueConfig, struct ValueConfigReadKind>;
using ValueRead = ReadWorker<RequestGroup::Value, struct ValueReadKind>;
using ParameterConfigRead =
    ReadWorker<RequestGroup::ParameterConfig, struct ParameterConfigReadKind>;
using ParameterRead = ReadWorker<RequestGroup::Parameter, struct ParameterReadKind>;

// Every write (function 16) of the first block.count words of the data.
class WriteRequest final : public RequestWorker {
 public:
  WriteRequest(ModbusLink& link, std::uint8_t site, const RegisterBlock& block, RegisterWords data,
                 bool autoFree = false);
  ~WriteRequest() override { WaitFor(); }

 protected:
  bool SendRequest(std::uint8_t site, const RegisterBlock& block, const RegisterWords& data) override;
};

}  // namespace vorel
