#include "control/busy_notice.h"

#include "core/language.h"

namespace vorel {

std::string BusyText() {
  return std::string(PickText(
      "Another exchange with the controllers is still running. Nothing was sent; try again when "
      "it has ended.",
      "与控制器的另一次通信仍在进行，未发送任何内容；请在其结束后重试。"));
}

const TransferResult& TellIfBusy(Host& host, const TransferResult& result) {
  if (result.status == TransferStatus::Busy) host.ShowMessage(BusyText());
  return result;
}

}  // namespace vorel
