#include "link/request_worker.h"

#include <mutex>

namespace vorel {

RequestWorker::RequestWorker(ModbusLink& link, std::uint8_t site, const RegisterBlock& block,
                           RegisterWords data, bool autoFree)
    : link_(link), site_(site), block_(block), data_(std::move(data)), autoFree_(autoFree) {}

RequestWorker::~RequestWorker() {
  if (thread_.joinable()) thread_.join();
}

void RequestWorker::Start() {
  // An auto-free worker may be gone as soon as its thread runs: take what is needed first and
  // never touch a member after the thread has started.
  const bool autoFree = autoFree_;
  ModbusLink& link = link_;
  link.WorkerStarted();
  std::thread thread;
  try {
    thread = std::thread(&RequestWorker::Execute, this);
  } catch (...) {
    link.WorkerFinished();
    throw;
  }
  if (autoFree) {
    thread.detach();
  } else {
    thread_ = std::move(thread);
  }
}

void RequestWorker::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

void RequestWorker::Execute() {
  {
    std::lock_guard lock(link_.SendLock());
    sent_.store(SendRequest(site_, block_, data_), std::memory_order_release);
  }
  const bool autoFree = autoFree_;
  ModbusLink& link = link_;
  if (autoFree) delete this;
  link.WorkerFinished();  // last touch of the link, which may go away right after
}

WriteRequest::WriteRequest(ModbusLink& link, std::uint8_t site, const RegisterBlock& block,
                               RegisterWords data, bool autoFree)
    : RequestWorker(link, site, block, std::move(data), autoFree) {
  Start();
}

bool WriteRequest::SendRequest(std::uint8_t site, const RegisterBlock& block,
                                 const RegisterWords& data) {
  return Link().SendWrite(site, block, data);
}

}  // namespace vorel
