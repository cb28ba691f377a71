#include "modem.h"

#include <cctype>

namespace vorel::sim {
namespace {

constexpr std::size_t kMaxLine = 128;

bool Printable(std::uint8_t c) {
  return c >= 0x20 && c < 0x7F;
}

}  // namespace

void Modem::Defaults() {
  echo_ = true;
  verbose_ = true;
  quiet_ = false;
}

void Modem::Say(Result result, std::string& reply) const {
  if (quiet_) return;
  if (!verbose_) {
    reply += std::to_string(static_cast<int>(result));
    reply += '\r';
    return;
  }
  reply += "\r\n";
  switch (result) {
    case Result::kOk:
      reply += "OK";
      break;
    case Result::kConnect:
      reply += options_.connectText.empty() ? "CONNECT " + std::to_string(options_.connectSpeed)
                                            : options_.connectText;
      break;
    case Result::kNoCarrier:
      reply += "NO CARRIER";
      break;
    case Result::kError:
      reply += "ERROR";
      break;
  }
  reply += "\r\n";
}

std::size_t Modem::Command(std::span<const std::uint8_t> bytes, std::int64_t nowUs,
                           std::string& reply) {
  std::size_t i = 0;
  while (i < bytes.size() && mode_ != Mode::kData) {
    const std::uint8_t c = bytes[i++];
    if (mode_ == Mode::kDialing) {
      if (c == '\r' || c == '\n') continue;  // the end of the dial command line
      // Any other character aborts a dial; the rest of its line is dropped.
      mode_ = Mode::kCommand;
      Say(Result::kNoCarrier, reply);
      skipLine_ = true;
      continue;
    }
    if (skipLine_) {
      if (c == '\r') skipLine_ = false;
      continue;
    }
    if (c == '\n') continue;
    if (echo_ && (Printable(c) || c == '\r')) reply += static_cast<char>(c);
    if (c == '\r') {
      Line(nowUs, reply);
      line_.clear();
    } else if (!Printable(c)) {
      line_.clear();  // line noise (a Modbus frame, say) starts the line anew
    } else if (line_.size() < kMaxLine) {
      line_ += static_cast<char>(c);
    }
  }
  return i;
}

void Modem::Line(std::int64_t nowUs, std::string& reply) {
  std::string text;
  for (char c : line_) {
    if (!Printable(static_cast<std::uint8_t>(c))) return;  // line noise gets no answer
    if (c != ' ') text += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  if (text.empty() || text.find_first_not_of('+') == std::string::npos) return;
  // A command starts at "AT"; whatever came before it on the line is noise.
  const std::size_t at = text.find("AT");
  if (at == std::string::npos) {
    Say(Result::kError, reply);
    return;
  }
  text.erase(0, at);
  Result result = Result::kOk;
  std::size_t i = 2;
  auto digit = [&](int fallback) {
    if (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
      return text[i++] - '0';
    return fallback;
  };
  while (i < text.size()) {
    const char c = text[i++];
    switch (c) {
      case 'E':
        echo_ = digit(0) != 0;
        break;
      case 'V':
        verbose_ = digit(0) != 0;
        break;
      case 'Q':
        quiet_ = digit(0) != 0;
        break;
      case 'Z':
        digit(0);
        Defaults();
        callUp_ = false;
        break;
      case '&':
        if (i < text.size() && text[i++] == 'F') Defaults();
        digit(0);
        break;
      case 'S':
        while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) ||
                                   text[i] == '=' || text[i] == '?')) {
          ++i;
        }
        break;
      case 'H':
        digit(0);
        callUp_ = false;
        break;
      case 'O':
        digit(0);
        if (callUp_) {
          mode_ = Mode::kData;
          Say(Result::kConnect, reply);
        } else {
          Say(Result::kNoCarrier, reply);
        }
        return;
      case 'D':
        // The rest of the line is the number (with an optional T or P for tone or pulse).
        mode_ = Mode::kDialing;
        callUp_ = false;
        connectAtUs_ = nowUs + static_cast<std::int64_t>(options_.dialDelayMs) * 1000;
        return;
      default:
        digit(0);
        break;
    }
  }
  Say(result, reply);
}

std::size_t Modem::Escape(std::span<const std::uint8_t> buf, std::string& reply) {
  if (buf.size() < 3 || buf[0] != '+' || buf[1] != '+' || buf[2] != '+') return 0;
  std::size_t n = 3;
  while (n < buf.size() && (buf[n] == '\r' || buf[n] == '\n')) ++n;
  mode_ = Mode::kCommand;
  line_.clear();
  Say(Result::kOk, reply);
  return n;
}

void Modem::OnTime(std::int64_t nowUs, std::string& reply) {
  if (!heldAnswer_.empty()) {
    if (nowUs < heldAtUs_) return;
    reply += heldAnswer_;
    heldAnswer_.clear();
  }
  if (callUp_ && options_.dropAfterMs > 0 && nowUs >= dropAtUs_) {
    // The line drops: the carrier goes and the modem is back in command mode.
    mode_ = Mode::kCommand;
    callUp_ = false;
    line_.clear();
    Say(Result::kNoCarrier, reply);
    return;
  }
  if (mode_ != Mode::kDialing || options_.noAnswer || nowUs < connectAtUs_) return;
  if (!options_.refusal.empty()) {
    // The call cannot be made: the modem says why and stays in command mode.
    mode_ = Mode::kCommand;
    if (!quiet_) reply += verbose_ ? "\r\n" + options_.refusal + "\r\n" : std::string("3\r");
    return;
  }
  mode_ = Mode::kData;
  callUp_ = true;
  dropAtUs_ = nowUs + static_cast<std::int64_t>(options_.dropAfterMs) * 1000;
  if (options_.splitAnswerMs <= 0) {
    Say(Result::kConnect, reply);
    return;
  }
  // A slow modem: the answer is cut in the middle of its word, so neither piece alone is a
  // whole "CONNECT <speed>".
  std::string answer;
  Say(Result::kConnect, answer);
  const std::size_t cut = answer.size() / 2;
  reply += answer.substr(0, cut);
  heldAnswer_ = answer.substr(cut);
  heldAtUs_ = nowUs + static_cast<std::int64_t>(options_.splitAnswerMs) * 1000;
}

}  // namespace vorel::sim
