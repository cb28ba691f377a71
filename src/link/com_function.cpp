#include "link/com_function.h"

#include <mutex>

namespace vorel {

TComFunction::TComFunction(ModbusLink& link, std::uint8_t site, const TMultiReg& block,
                           TWriteData data, bool autoFree)
    : link_(link), site_(site), block_(block), data_(std::move(data)), autoFree_(autoFree) {}

TComFunction::~TComFunction() {
  if (thread_.joinable()) thread_.join();
}

void TComFunction::Start() {
  // An auto-free worker may be gone as soon as its thread runs: take what is needed first and
  // never touch a member after the thread has started.
  const bool autoFree = autoFree_;
  ModbusLink& link = link_;
  link.WorkerStarted();
  std::thread thread;
  try {
    thread = std::thread(&TComFunction::Execute, this);
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

void TComFunction::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

void TComFunction::Execute() {
  {
    std::lock_guard lock(link_.SendLock());
    sent_.store(SendRequest(site_, block_, data_), std::memory_order_release);
  }
  const bool autoFree = autoFree_;
  ModbusLink& link = link_;
  if (autoFree) delete this;
  link.WorkerFinished();  // last touch of the link, which may go away right after
}

TFunction16Std::TFunction16Std(ModbusLink& link, std::uint8_t site, const TMultiReg& block,
                               TWriteData data, bool autoFree)
    : TComFunction(link, site, block, std::move(data), autoFree) {
  Start();
}

bool TFunction16Std::SendRequest(std::uint8_t site, const TMultiReg& block,
                                 const TWriteData& data) {
  return Link().SendWrite(site, block, data);
}

}  // namespace vorel
