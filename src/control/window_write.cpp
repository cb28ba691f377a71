#include "control/window_write.h"

#include <memory>

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
  SafeWriteResult result = Run(site, std::move(request));
  TellWriteDone(host_, site, result);
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
  const auto show = [&](const SafeWriteResult& r) {
    std::string text;
    for (const std::string& line : r.messages) text += line + "\n";
    host_.ShowMessage(text + SafeWriteEndText(r.end));
  };
  if (result.end != SafeWriteEnd::Previewed) {
    show(result);
    return result;
  }
  bool address = false;
  bool counters = false;
  for (const RegisterChange& c : result.preflight.changes) {
    const std::optional<GuardedKind> kind = GuardOf(c.reg);
    address |= kind == GuardedKind::Address;
    counters |= kind == GuardedKind::Counter;
  }
  SiteWindow* window = windows_.Window(site);
  const std::optional<PreflightOptions> options =
      window ? window->ConfirmWrite(result.preview, address, counters) : PreflightOptions{};
  if (!options) return result;
  request.dryRun = false;
  request.include = *options;
  request.include.includeClock = false;
  result = sequence.Run(site, request);
  if (!result.snapshotPath.empty() && result.Sent()) {
    snapshots_[static_cast<std::size_t>(site - 1)] = result.snapshotPath;
    if (window) window->SetUndoAvailable(true);
  }
  if (result.end != SafeWriteEnd::Written) {
    show(result);
    return result;
  }
  // The editors show what the controller holds now: the fresh read and what was written.
  slots_.SetFileLoaded(site, false);
  if ((window = windows_.Window(site))) window->LoadAllPages();
  // Asked once the sequence has ended, so that the curve editor's write finds the line free.
  const Answer answer = host_.AskQuestion(site, std::string(kCurveCaption.Pick()),
                                          std::string(kCurveQuestion.Pick()));
  if ((window = windows_.Window(site))) {
    if (answer == Answer::Yes) window->OpenCurveEditors();
    window->ShowWindow();
  }
  return result;
}

}  // namespace vorel
