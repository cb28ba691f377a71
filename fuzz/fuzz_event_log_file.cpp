// The event-log file reader on arbitrary bytes: reading the 112 rows must never crash, and the
// rows written back into the document must read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/event_log_file.h"
#include "files/ini_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const vorel::IniDocument doc = vorel::IniDocument::FromBytes(bytes);
  vorel::EventLogSheet sheet;
  vorel::ReadEventLog(doc, sheet);

  vorel::IniDocument copy = doc;
  vorel::WriteEventLog(sheet, copy);
  vorel::EventLogSheet again;
  vorel::ReadEventLog(vorel::IniDocument::FromBytes(copy.ToBytes()), again);
  for (int row = 1; row <= vorel::kEventLogRows; ++row) {
    for (int c = 1; c < vorel::kEventLogColumns; ++c) {
      // A text of printable ASCII survives the code page both ways; it must come back as read.
      const std::string& text = sheet.Cell(row, c);
      bool printable = true;
      for (char ch : text) printable = printable && ch >= 0x20 && ch < 0x7F;
      if (printable && again.Cell(row, c) != text) std::abort();
    }
  }
  return 0;
}
