#include "control/window_write.h"

#include <memory>

#include "control/busy_notice.h"
#include "control/done_notices.h"
#include "control/site_window.h"
#include "core/language.h"
#include "core/register_table.h"

namespace vorel {
namespace {

constexpr BilingualText kUnlockFirst{"Please unlock the write protection!", "参数保护未解锁!"};
constexpr BilingualText kCurveCaption{"Sensor chart setpoint", "写模拟通道确认"};
constexpr BilingualText kCurveQuestion{"Modify sensor chart?", "是否写模拟通道传感器曲线？"};

std::vector<std::uint16_t> Words(const SiteImages& images, int site) {
  const auto image = images.Image(site);
  return {image.begin(), image.end()};
}

}  // namespace

std::vector<LoadedWord> EditedWords(const EditorModel& editors,
                                    std::span<const std::uint16_t> loaded) {
  auto before = std::make_unique<SiteImages>();
  auto after = std::make_unique<SiteImages>();
  for (std::size_t a = 0; a < loaded.size() && a < static_cast<std::size_t>(kImageWords); ++a) {
    before->SetWord(1, static_cast<int>(a), loaded[a]);
    after->SetWord(1, static_cast<int>(a), loaded[a]);
  }
  // The same editors as loaded from the controller's words: same type, limits and channels.
  auto unedited = std::make_unique<EditorModel>(editors);
  for (std::size_t row = 0; row < unedited->size(); ++row) (*unedited)[row].changed = false;
  unedited->Load(*before, 1);
  unedited->Store(*before, 1);
  auto edited = std::make_unique<EditorModel>(editors);
  edited->Store(*after, 1);
  std::vector<LoadedWord> words;
  for (int a = 0; a < kImageWords; ++a)
    if (after->Word(1, a) != before->Word(1, a))
      words.push_back({static_cast<std::uint16_t>(a), after->Word(1, a), false});
  return words;
}

bool WindowWriter::UndoAvailable(int site) const {
  return IsSite(site) && !snapshots_[static_cast<std::size_t>(site - 1)].empty();
}

SafeWriteResult WindowWriter::Write(int site) {
  SiteWindow* window = windows_.Window(site);
  if (!IsSite(site) || !window) return {};
  std::vector<std::uint16_t> loaded = window->ControllerWords();
  if (loaded.size() != static_cast<std::size_t>(kImageWords)) loaded = Words(images_, site);
  SafeWriteRequest request;
  request.wanted = EditedWords(window->Editors(), loaded);
  // A loaded file is checked as a restore checks it: product code, firmware and its limits.
  const std::optional<LoadedSource>& source = parameters_.LoadedSourceOf(site);
  if (slots_.FileLoaded(site) && source) {
    request.source = source->identity;
    request.limits = source->limits;
  }
  SafeWriteResult result = Run(site, std::move(request));
  TellWriteDone(host_, site, result);
  return result;
}

void WindowWriter::Show(const SafeWriteResult& result) {
  if (result.end == SafeWriteEnd::Busy) {
    host_.ShowMessage(BusyText());
    return;
  }
  std::string text;
  for (const std::string& line : result.messages) text += line + "\n";
  for (const std::string& line : RollbackLines(result)) text += line + "\n";
  host_.ShowMessage(text + SafeWriteEndText(result.end));
}

void WindowWriter::KeepSnapshot(int site, const SafeWriteResult& result) {
  if (result.snapshotPath.empty()) return;
  snapshots_[static_cast<std::size_t>(site - 1)] = result.snapshotPath;
  if (SiteWindow* window = windows_.Window(site)) window->SetUndoAvailable(true);
}

CurveWriteResult WindowWriter::WriteCurve(int site, int channel, const SensorCurve& curve) {
  if (!slots_.IsOnline(site)) return CurveWriteResultOf(curves_.Write(site, channel, curve));
  if (channel < 0 || channel > 2) return CurveWriteResult::Refused;
  if (images_.Word(site, reg::kProtection.address) != kUnlockedMark) {
    host_.ShowMessage(std::string(kUnlockFirst.Pick()));
    return CurveWriteResult::Refused;
  }
  SafeWriteRequest request;
  request.action = "curve";
  request.askHost = true;
  request.writeCurves = true;
  request.curvesEvenIfSame = true;
  for (int k = 0; k < kCurvePoints; ++k) {
    const CurvePoint& point = curve[static_cast<std::size_t>(k)];
    request.wanted.push_back({static_cast<std::uint16_t>(CurveResistanceAddress(channel) + k),
                              static_cast<std::uint16_t>(point.ohms), false});
    request.wanted.push_back({static_cast<std::uint16_t>(CurveValueAddress(channel) + k),
                              static_cast<std::uint16_t>(point.value), false});
  }
  SafeWrite sequence(host_, images_, link_, exchange_, requests_, parameters_, &curves_);
  const SafeWriteResult result = sequence.Run(site, request);
  KeepSnapshot(site, result);
  switch (result.end) {
    case SafeWriteEnd::Written:
      return CurveWriteResult::Written;
    case SafeWriteEnd::WriteFailed:
    case SafeWriteEnd::ReadBackDiffers:
    case SafeWriteEnd::ReadBackFailed:
    case SafeWriteEnd::Unrecorded:
    case SafeWriteEnd::Interrupted:
      Show(result);
      return CurveWriteResult::Failed;
    case SafeWriteEnd::Busy:
      Show(result);
      return CurveWriteResult::Busy;
    default:
      Show(result);
      return CurveWriteResult::Refused;
  }
}

SafeWriteResult WindowWriter::ChangePassword(int site, const std::string& password) {
  if (!IsSite(site)) return {};
  SafeWriteRequest request;
  request.askHost = true;
  SafeWrite sequence(host_, images_, link_, exchange_, requests_, parameters_, &curves_);
  const SafeWriteResult result = sequence.ChangePassword(site, request, password);
  // A failed request was told by the link, a "no" needs no answer.
  if (result.end == SafeWriteEnd::Refused || result.end == SafeWriteEnd::Busy) Show(result);
  return result;
}

SafeWriteResult WindowWriter::Undo(int site) {
  if (!UndoAvailable(site)) return {};
  const std::string path = snapshots_[static_cast<std::size_t>(site - 1)];
  const ParameterFileRead read = ReadParameterFile(path, false);
  if (!read.ok()) {
    host_.ShowMessage(ParameterFileMessage(read, path));
    return {};
  }
  SafeWriteRequest request;
  request.wanted = read.values.words;
  request.missingKeys = read.values.missingKeys;
  request.action = "undo";
  request.writeCurves = true;
  return Run(site, std::move(request));
}

SafeWriteResult WindowWriter::Run(int site, SafeWriteRequest request) {
  if (images_.Word(site, reg::kProtection.address) != kUnlockedMark) {
    host_.ShowMessage(std::string(kUnlockFirst.Pick()));
    return {};
  }
  SafeWrite sequence(host_, images_, link_, exchange_, requests_, parameters_, &curves_);
  request.askHost = true;
  // The change list with everything the source sets; the address and the counters among it
  // are written only when the user ticks them.
  request.dryRun = true;
  request.include = {true, true, false};
  SafeWriteResult result = sequence.Run(site, request);
  if (result.end != SafeWriteEnd::Previewed) {
    Show(result);
    return result;
  }
  bool address = false;
  bool counters = false;
  for (const RegisterChange& c : result.preflight.changes) {
    const std::optional<GuardedKind> kind = GuardOf(c.reg);
    address |= kind == GuardedKind::Address;
    counters |= kind == GuardedKind::Counter;
  }
  // A window closed while the change list was made gets no write: nobody said OK to it.
  SiteWindow* window = windows_.Window(site);
  if (!window) return result;
  const std::optional<PreflightOptions> options =
      window->ConfirmWrite(result.preview, address, counters);
  if (!options) return result;
  request.dryRun = false;
  request.include = *options;
  request.include.includeClock = false;
  result = sequence.Run(site, request);
  if (result.Sent()) KeepSnapshot(site, result);
  if (result.end != SafeWriteEnd::Written) {
    Show(result);
    return result;
  }
  // The editors show what the controller holds now: the fresh read and what was written.
  slots_.SetFileLoaded(site, false);
  slots_.NoteParameters(site, {});
  if ((window = windows_.Window(site))) window->LoadAllPages();
  // Asked once the sequence has ended, so that the curve editor's write finds the line free;
  // not about a window closed while the write ran.
  if (!windows_.Window(site)) return result;
  const Answer answer = host_.AskQuestion(site, std::string(kCurveCaption.Pick()),
                                          std::string(kCurveQuestion.Pick()));
  if ((window = windows_.Window(site))) {
    if (answer == Answer::Yes) window->OpenCurveEditors();
    window->ShowWindow();
  }
  return result;
}

}  // namespace vorel
