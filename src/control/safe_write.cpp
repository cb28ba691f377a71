#include "control/safe_write.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>

#include "control/curve_writer.h"
#include "control/identification.h"
#include "core/cp936.h"
#include "core/editor_model.h"
#include "core/language.h"
#include "core/parameter_table.h"
#include "core/sensor_curve.h"
#include "files/parameter_keys.h"

namespace vorel {
namespace {

constexpr int kDescriptorPauseMs = 8;
constexpr int kDescriptorWords = 17;
constexpr int kMaxRunWords = 123;  // one function-16 request
constexpr int kCurveChannels = 3;

// A step of a parameter write: a block of registers and the extra pause after it.
struct WriteStep {
  std::uint16_t address;
  std::uint16_t count;
  int extraPauseMs;
};
// clang-format off
// Before the descriptors: compensation, counters, clock, power save and serial number.
constexpr WriteStep kLeadingSteps[] = {
    {0x0073, 1, 0}, {0x0075, 1, 0}, {0x011A, 1, 0}, {0x0098, 1, 0}, {0x009F, 2, 0},
    {0x000E, 2, 0}, {0x000C, 2, 0}, {0x0118, 1, 0}, {0x0006, 3, 0},
};
// After the descriptors: the I/O properties and the analogue channel properties.
constexpr WriteStep kTrailingSteps[] = {
    {0x0039, 17, kDescriptorPauseMs}, {0x0078, 17, kRequestPauseMs},
    {0x0126, 3, 0}, {0x0129, 3, 0},
};
// The gen-set states of a set whose engine turns (the monitor's state word 0x0059).
constexpr std::uint16_t kRunningStates[] = {292, 297, 303, 304, 305, 307, 308, 309, 313};

constexpr BilingualText kEngineRunningText{
    "The engine of site %d is running. Stop it to write?",
    "设备 %d 的发动机正在运行。要停机写入吗？"};
constexpr BilingualText kNotParameterText{
    "%s is not a parameter register: nothing was written",
    "%s 不是参数寄存器：未写入任何参数"};
constexpr BilingualText kQuestionCaption{"Write parameters", "写参数"};
constexpr BilingualText kUnlockFirstText{"Please unlock the write protection!", "参数保护未解锁!"};
constexpr BilingualText kRestoredText{"%s restored from the snapshot", "%s 已按快照恢复"};
constexpr BilingualText kRollbackIncompleteText{"The rollback is incomplete.", "恢复不完整。"};
constexpr BilingualText kOtherUnitQuestion{"Write the file into this controller anyway?",
                                           "仍要将文件写入此控制器吗？"};
// clang-format on

struct EndText {
  SafeWriteEnd end;
  BilingualText text;
};
// clang-format off
constexpr EndText kEndTexts[] = {
    {SafeWriteEnd::Written,         {"written, read-back matches", "已写入，读回一致"}},
    {SafeWriteEnd::Unchanged,       {"nothing differs, nothing written", "参数相同，未写入"}},
    {SafeWriteEnd::Previewed,       {"dry run, nothing written", "预览，未写入"}},
    {SafeWriteEnd::Refused,         {"refused, nothing written", "拒绝写入，未写入任何参数"}},
    {SafeWriteEnd::EngineRunning,   {"the engine is running, nothing written (--stop-engine stops it)", "发动机正在运行，未写入"}},
    {SafeWriteEnd::Busy,            {"another exchange is running, nothing written", "另一通讯正在进行，未写入"}},
    {SafeWriteEnd::ReadFailed,      {"the parameters could not be read", "无法读取参数"}},
    {SafeWriteEnd::SnapshotFailed,  {"the snapshot could not be saved, nothing written", "无法保存快照，未写入"}},
    {SafeWriteEnd::PasswordRefused, {"the password was not accepted: the controller stays locked, nothing written", "密码错误：控制器保持锁定，未写入任何参数"}},
    {SafeWriteEnd::WriteFailed,     {"the write failed", "写入失败"}},
    {SafeWriteEnd::Interrupted,     {"interrupted", "已中断"}},
    {SafeWriteEnd::ReadBackDiffers, {"read-back differs", "读回不一致"}},
    {SafeWriteEnd::ReadBackFailed,  {"the read-back failed", "读回失败"}},
    {SafeWriteEnd::Unrecorded,      {"written, but the audit trail could not record it", "已写入，但审计记录无法写入"}},
};
// clang-format on

constexpr std::array<RegisterBlock, 4> kParameterGroups{reg::kParamValues1, reg::kParamValues2,
                                                        reg::kParamValues3, reg::kParamValues4};
constexpr std::array<RegisterBlock, 4> kParameterConfigs{reg::kParamConfig1, reg::kParamConfig2,
                                                         reg::kParamConfig3, reg::kParamConfig4};

// The engine turns by the state word 0x0059 or the speed.
bool TurnsByStateWords(const SiteImages& images, int site) {
  const std::uint16_t state = images.Word(site, reg::kGenSetState.address);
  bool running = images.Word(site, reg::kEngineSpeed.address) != 0;
  for (std::uint16_t s : kRunningStates) running |= s == state;
  return running;
}

std::string KeyOf(std::uint16_t reg) {
  for (const ParameterLoadStep& step : ParameterLoadSteps()) {
    if (step.role != KeyRole::Value) continue;
    if (step.reg == reg || (step.rule == LoadRule::RunHours && step.reg + 1 == reg))
      return std::string(step.key);
  }
  return {};
}

std::string Fill(std::string_view pattern, const std::string& value) {
  std::string text(pattern);
  const std::size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, value);
  return text;
}

std::string Timestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
  return text;
}

}  // namespace

std::optional<bool> EngineRunning(RegisterRequests& requests, const SiteImages& images, int site) {
  for (const RegisterBlock& block : {reg::kOperatingMode, reg::kGenSetState, reg::kEngineSpeed})
    if (!requests.Read(ReadKind::Plain, site, block)) return std::nullopt;
  if (images.Word(site, reg::kOperatingMode.address) == kModeOff) return false;
  return TurnsByStateWords(images, site);
}

std::string EngineRunningQuestion(int site) {
  std::string text(kEngineRunningText.Pick());
  const std::size_t at = text.find("%d");
  if (at != std::string::npos) text.replace(at, 2, std::to_string(site));
  return text;
}

std::string SafeWriteEndText(SafeWriteEnd end) {
  for (const EndText& e : kEndTexts)
    if (e.end == end) return std::string(e.text.Pick());
  return {};
}

std::vector<std::string> RollbackLines(const SafeWriteResult& result) {
  std::vector<std::string> lines;
  for (const BlockSpan& b : result.rolledBack) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%04X+%d", b.address, b.count);
    lines.push_back(Fill(kRestoredText.Pick(), text));
  }
  if (!result.rollbackComplete) lines.emplace_back(kRollbackIncompleteText.Pick());
  return lines;
}

bool IsParameterRegister(std::uint16_t reg) {
  const auto in = [reg](const WriteStep& step) {
    return reg >= step.address && reg < step.address + step.count;
  };
  for (const WriteStep& step : kLeadingSteps)
    if (in(step)) return true;
  for (const WriteStep& step : kTrailingSteps)
    if (in(step)) return true;
  for (const ParameterRow& row : ParameterTable())
    if (row.registerCount > 0 && reg >= row.reg && reg < row.reg + row.registerCount) return true;
  return false;
}

std::string SnapshotFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  std::filesystem::path base;
  if (data && data[0] == '/') {
    base = data;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home ? home : ".") / ".local" / "share";
  }
  return (base / "vorel" / "snapshots").string();
}

void SafeWrite::Pause(int ms) {
  link_.DelayWithEvents(ms);
}

bool SafeWrite::ReadPlain(int site, std::uint16_t address, std::uint16_t count) {
  Pause(kRequestPauseMs);
  return static_cast<bool>(
      requests_.Read(ReadKind::Plain, site, RegisterBlock{address, count, 0, ""}));
}

RequestResult SafeWrite::Send(int site, std::uint16_t address,
                              std::span<const std::uint16_t> words) {
  const RequestResult written = requests_.WriteBlock(site, address, words);
  Pause(kRequestPauseMs);
  if (written)
    for (std::size_t k = 0; k < words.size(); ++k)
      images_.SetWord(site, static_cast<int>(address + k), words[k]);
  return written;
}

bool SafeWrite::ReadFound(int site, FoundState& found) {
  if (!ReadPlain(site, reg::kOperatingMode.address, 1) ||
      !ReadPlain(site, reg::kProtection.address, 1) ||
      !ReadPlain(site, reg::kGenSetState.address, 1) ||
      !ReadPlain(site, reg::kEngineSpeed.address, 1))
    return false;
  found.mode = images_.Word(site, reg::kOperatingMode.address);
  found.locked = images_.Word(site, reg::kProtection.address) != kUnlockedMark;
  found.running = found.mode != kModeOff && TurnsByStateWords(images_, site);
  return true;
}

bool SafeWrite::EngineMayStop(int site, const SafeWriteRequest& request, const FoundState& found,
                              SafeWriteResult& result) {
  if (!found.running || request.stopEngine) return true;
  const bool yes = request.askHost && host_.AskQuestion(site, std::string(kQuestionCaption.Pick()),
                                                        EngineRunningQuestion(site)) == Answer::Yes;
  if (yes) return true;
  result.messages.push_back(EngineRunningQuestion(site));
  result.end = SafeWriteEnd::EngineRunning;
  return false;
}

bool SafeWrite::Open(int site, const SafeWriteRequest& request, FoundState& found,
                     SafeWriteResult& result) {
  if (found.mode != kModeOff) {
    const std::uint16_t off = kModeOff;
    found.modeChanged = true;
    result.transfer.Add({reg::kOperatingMode.address, 1},
                        Send(site, reg::kOperatingMode.address, {&off, 1}));
  }
  if (found.locked && !result.transfer.failed) {
    const std::uint16_t password = PasswordValue(request.password);
    found.unlockedByUs = true;
    result.transfer.Add({reg::kProtection.address, 1},
                        requests_.WriteBlock(site, reg::kProtection.address, {&password, 1}));
    Pause(kRequestPauseMs);
    if (!ReadPlain(site, reg::kProtection.address, 1) ||
        images_.Word(site, reg::kProtection.address) != kUnlockedMark) {
      LeaveAsFound(site, request, found, result);
      result.end = SafeWriteEnd::PasswordRefused;
      return false;
    }
  }
  if (result.transfer.failed) {
    LeaveAsFound(site, request, found, result);
    result.end = SafeWriteEnd::WriteFailed;
    return false;
  }
  result.transfer = {};
  return true;
}

void SafeWrite::LeaveAsFound(int site, const SafeWriteRequest& request, const FoundState& found,
                             SafeWriteResult& result) {
  if (found.modeChanged && !request.stayOff) {
    const std::uint16_t mode = found.mode;
    result.modeRestored = static_cast<bool>(Send(site, reg::kOperatingMode.address, {&mode, 1}));
  }
  if (found.locked && found.unlockedByUs) {
    const std::uint16_t lock = kLockWord;
    result.lockRestored = static_cast<bool>(Send(site, reg::kProtection.address, {&lock, 1}));
    // The controller shows its protection as locked (the poll reads it again).
    images_.SetWord(site, reg::kProtection.address, 0);
  }
}

SafeWriteResult SafeWrite::ChangePassword(int site, const SafeWriteRequest& request,
                                          const std::string& newPassword) {
  SafeWriteResult result;
  if (!IsSite(site)) return result;
  const ExchangeScope scope(exchange_, ExchangeScope::Pause::Polling);
  if (!scope.Taken()) {
    result.end = SafeWriteEnd::Busy;
    return result;
  }
  FoundState found;
  if (!ReadFound(site, found)) {
    result.end = SafeWriteEnd::ReadFailed;
    return result;
  }
  // Only an unlocked controller takes a new password; without the old one nothing is sent.
  if (found.locked && request.password.empty()) {
    result.messages.push_back(std::string(kUnlockFirstText.Pick()));
    result.end = SafeWriteEnd::Refused;
    return result;
  }
  if (!EngineMayStop(site, request, found, result) || !Open(site, request, found, result))
    return result;
  const std::uint16_t word = PasswordValue(newPassword);
  const BlockSpan block{reg::kNewPassword.address, 1};
  result.transfer.Add(block, requests_.WriteBlock(site, block.address, {&word, 1}));
  Pause(kRequestPauseMs);
  result.transfer.Finish();
  // The password itself never goes into the trail.
  if (!parameters_.RecordWrite(site, "password", {}, result.transfer.failed ? "failed" : ""))
    result.transfer.MarkUnrecorded();
  LeaveAsFound(site, request, found, result);
  result.end = result.transfer.failed       ? SafeWriteEnd::WriteFailed
               : result.transfer.unrecorded ? SafeWriteEnd::Unrecorded
                                            : SafeWriteEnd::Written;
  return result;
}

SafeWriteResult SafeWrite::Run(int site, const SafeWriteRequest& request) {
  SafeWriteResult result;
  if (!IsSite(site)) return result;
  // Held but for the curves, which the curve writer writes in exchanges of its own.
  std::optional<ExchangeScope> scope;
  scope.emplace(exchange_, ExchangeScope::Pause::Transfer);
  if (!scope->Taken()) {
    result.end = SafeWriteEnd::Busy;
    return result;
  }
  SiteImages& images = images_;
  Host& host = host_;
  const auto pause = [&](int ms) { Pause(ms); };
  const auto readPlain = [&](std::uint16_t address, std::uint16_t count) {
    return ReadPlain(site, address, count);
  };
  const auto write = [&](std::uint16_t address, std::span<const std::uint16_t> words) {
    return Send(site, address, words);
  };

  // The registers a parameter group brings: those of the controller's descriptors.
  std::array<bool, kImageWords> covered{};
  std::vector<ParameterDescriptor> descriptors;
  for (const RegisterBlock& config : kParameterConfigs) {
    for (const ParameterDescriptor& d : images.ParameterDescriptors(site, config)) {
      descriptors.push_back(d);
      for (int k = 0; k < d.count && d.address + k < kImageWords; ++k)
        covered[static_cast<std::size_t>(d.address + k)] = true;
    }
  }
  // Everything that is read again: the parameter groups, then the wanted registers that no
  // group brings, in runs.
  const auto readParameters = [&] {
    for (const RegisterBlock& group : kParameterGroups) {
      pause(kRequestPauseMs);
      if (!requests_.Read(ReadKind::Parameter, site, group)) return false;
    }
    std::array<bool, kImageWords> wanted{};
    for (const LoadedWord& w : request.wanted)
      if (w.reg < kImageWords && !w.defaulted && !covered[w.reg]) wanted[w.reg] = true;
    for (int a = 0; a < kImageWords;) {
      if (!wanted[static_cast<std::size_t>(a)]) {
        ++a;
        continue;
      }
      int end = a;
      while (end < kImageWords && wanted[static_cast<std::size_t>(end)] && end - a < kMaxRunWords)
        ++end;
      if (!readPlain(static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(end - a)))
        return false;
      a = end;
    }
    return true;
  };

  // 1. What the controller holds now, and the state it was found in. Its identity is read
  // again too: a file loaded into the window put the file's product code and name into the
  // image, and the check must compare the file with the controller, not with itself.
  FoundState found;
  if (!ReadFound(site, found) ||
      !readPlain(reg::kIdentification.address, reg::kIdentification.count) ||
      !readPlain(reg::kSerialNumber.address, reg::kSerialNumber.count) || !readParameters()) {
    result.end = SafeWriteEnd::ReadFailed;
    return result;
  }
  const auto image = images.Image(site);
  const std::vector<std::uint16_t> snapshot(image.begin(), image.end());

  // 2. The preflight: nothing is sent when it refuses.
  UnitIdentity target;
  target.productCode = static_cast<std::int16_t>(images.Word(site, reg::kProductCode.address));
  target.version = VersionText(Cp936ToUtf8(images.DeviceNameText(site)));
  target.serial = images.SerialNumberText(site);
  PreflightInput input;
  input.target = target;
  input.source = request.source;
  input.current = snapshot;
  input.descriptors = descriptors;
  input.wanted = request.wanted;
  input.limits = request.limits;
  input.missingKeys = request.missingKeys;
  input.options = request.include;
  result.preflight = CheckWrite(input);
  const PreflightResult& preflight = result.preflight;
  result.messages = PreflightMessages(preflight, target, request.source, site);
  // The steps of a parameter write, in order; a register none of them carries is never sent.
  std::vector<WriteStep> steps(std::begin(kLeadingSteps), std::end(kLeadingSteps));
  for (const ParameterDescriptor& d : images.ParameterDescriptors(site, reg::kParamConfig1)) {
    if (d.address == reg::kProtection.address || d.count < 1 || d.count > kDescriptorWords ||
        d.address + d.count > kImageWords)
      continue;
    steps.push_back({d.address, d.count, kDescriptorPauseMs});
  }
  steps.insert(steps.end(), std::begin(kTrailingSteps), std::end(kTrailingSteps));

  std::array<bool, kImageWords> carried{};
  for (const WriteStep& step : steps)
    for (int k = 0; k < step.count && step.address + k < kImageWords; ++k)
      carried[static_cast<std::size_t>(step.address + k)] = true;
  bool uncarried = false;
  if (request.onlyParameterRegisters) {
    for (const LoadedWord& w : request.wanted) {
      if (w.reg < kImageWords && carried[w.reg]) continue;
      uncarried = true;
      char text[16];
      std::snprintf(text, sizeof text, "0x%04X", w.reg);
      result.messages.push_back(Fill(kNotParameterText.Pick(), text));
    }
  }
  if (preflight.Refused() || uncarried) {
    result.end = SafeWriteEnd::Refused;
    return result;
  }
  std::erase_if(result.preflight.changes, [&](const RegisterChange& c) { return !carried[c.reg]; });

  // 3. The change list, as "Compare with file..." shows it.
  {
    auto nowImages = std::make_unique<SiteImages>();
    auto nextImages = std::make_unique<SiteImages>();
    for (int a = 0; a < kImageWords; ++a) {
      nowImages->SetWord(1, a, snapshot[static_cast<std::size_t>(a)]);
      nextImages->SetWord(1, a, snapshot[static_cast<std::size_t>(a)]);
    }
    for (const RegisterChange& c : preflight.changes) nextImages->SetWord(1, c.reg, c.next);
    auto nowEditors = std::make_unique<EditorModel>();
    auto nextEditors = std::make_unique<EditorModel>();
    nowEditors->AdaptToControllerType(static_cast<std::uint16_t>(target.productCode), false);
    nextEditors->AdaptToControllerType(static_cast<std::uint16_t>(target.productCode), false);
    nowEditors->Load(*nowImages, 1);
    nextEditors->Load(*nextImages, 1);
    result.preview =
        CompareParameters({*nowImages, 1, *nowEditors}, {*nextImages, 1, *nextEditors});
  }
  // The curves the source sets that differ from the controller's.
  std::vector<std::pair<int, SensorCurve>> curves;
  if (request.writeCurves && curves_) {
    std::array<std::optional<std::uint16_t>, kImageWords> set{};
    for (const LoadedWord& w : request.wanted)
      if (w.reg < kImageWords && !w.defaulted) set[w.reg] = w.word;
    for (int channel = 0; channel < kCurveChannels; ++channel) {
      SensorCurve curve = CurveFromImage(images, site, channel);
      bool named = false;
      for (int k = 0; k < kCurvePoints; ++k) {
        const auto point = static_cast<std::size_t>(k);
        if (const auto w = set[CurveResistanceAddress(channel) + point]) {
          curve[point].ohms = static_cast<std::int16_t>(*w);
          named = true;
        }
        if (const auto w = set[CurveValueAddress(channel) + point]) {
          curve[point].value = static_cast<std::int16_t>(*w);
          named = true;
        }
      }
      if (curve != CurveFromImage(images, site, channel) || (named && request.curvesEvenIfSame)) {
        curves.emplace_back(channel, curve);
        result.curveChannels.push_back(channel);
      }
    }
  }
  if (preflight.changes.empty() && curves.empty()) {
    result.end = SafeWriteEnd::Unchanged;
    return result;
  }
  if (request.onChange)
    for (const ParameterDifference& d : result.preview) request.onChange(d);
  if (request.onCurve)
    for (const int channel : result.curveChannels) request.onCurve(channel);
  if (request.dryRun) {
    result.end = SafeWriteEnd::Previewed;
    return result;
  }

  // 4. The questions: another unit, a running engine.
  if (preflight.otherUnit && !request.allowOtherUnit) {
    const bool yes = request.askHost &&
                     host.AskQuestion(site, std::string(kQuestionCaption.Pick()),
                                      result.messages.front() + "\n" +
                                          std::string(kOtherUnitQuestion.Pick())) == Answer::Yes;
    if (!yes) {
      result.end = SafeWriteEnd::Refused;
      return result;
    }
  }
  if (!EngineMayStop(site, request, found, result)) return result;

  // 5. The snapshot: the controller's parameters as a backup file.
  {
    std::error_code ec;
    const std::filesystem::path folder = SnapshotFolder();
    std::filesystem::create_directories(folder, ec);
    const std::string stem = (target.serial.empty() ? "0" : target.serial) + "-" + Timestamp();
    std::filesystem::path path = folder / (stem + ".dat");
    for (int n = 2; std::filesystem::exists(path, ec); ++n)
      path = folder / (stem + "-" + std::to_string(n) + ".dat");
    auto editors = std::make_unique<EditorModel>();
    editors->AdaptToControllerType(static_cast<std::uint16_t>(target.productCode), false);
    editors->ApplyEditorLimits(images, site);
    editors->Load(images, site);
    FileError error;
    if (!SaveParameterFile(path, *editors, images, site, Cp936ToUtf8(images.DeviceNameText(site)),
                           &error)) {
      result.messages.push_back(UnableToWriteMessage(path.string(), error));
      result.end = SafeWriteEnd::SnapshotFailed;
      return result;
    }
    result.snapshotPath = path.string();
    parameters_.RecordParameterSet(site, ParameterSetKind::Snapshot);
  }

  // From here on the mode and the protection are put back whatever happens.
  const auto leaveAsFound = [&] { LeaveAsFound(site, request, found, result); };
  const auto stopped = [&] { return request.stopRequested && request.stopRequested(); };

  // 6. Mode OFF and protection open.
  if (!Open(site, request, found, result)) return result;

  // 7. The changed registers, block by block in the order of a parameter write.
  std::array<std::optional<std::uint16_t>, kImageWords> next{};
  for (const RegisterChange& c : preflight.changes) next[c.reg] = c.next;
  std::vector<AuditChange> changes;
  std::vector<BlockSpan> written;
  bool interrupted = false;
  std::array<bool, kImageWords> sent{};
  for (std::size_t i = 0; i < steps.size() && !result.transfer.failed && !interrupted; ++i) {
    const WriteStep& step = steps[i];
    bool any = false;
    for (int a = step.address; a < step.address + step.count && !result.transfer.failed;) {
      const auto pending = [&](int r) {
        return r < step.address + step.count && next[static_cast<std::size_t>(r)] &&
               !sent[static_cast<std::size_t>(r)];
      };
      if (!pending(a)) {
        ++a;
        continue;
      }
      if (stopped()) {
        interrupted = true;
        break;
      }
      std::vector<std::uint16_t> words;
      int end = a;
      for (; pending(end); ++end) words.push_back(*next[static_cast<std::size_t>(end)]);
      const BlockSpan block{static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(end - a)};
      const RequestResult answer = write(block.address, words);
      result.transfer.Add(block, answer);
      if (answer) {
        written.push_back(block);
        for (int r = a; r < end; ++r) {
          sent[static_cast<std::size_t>(r)] = true;
          changes.push_back({static_cast<std::uint16_t>(r), snapshot[static_cast<std::size_t>(r)],
                             *next[static_cast<std::size_t>(r)]});
        }
      }
      any = true;
      a = end;
    }
    if (any && step.extraPauseMs) pause(step.extraPauseMs);
    host.SetProgress(static_cast<int>((i + 1) * 100 / steps.size()));
  }
  result.transfer.Finish();

  // 8. A failed or stopped write: the written blocks back as the snapshot holds them. The
  // failed block too: a controller may have stored a write whose reply was lost.
  const auto rollBack = [&](const std::vector<BlockSpan>& blocks) {
    for (const BlockSpan& block : blocks) {
      std::vector<std::uint16_t> words(snapshot.begin() + block.address,
                                       snapshot.begin() + block.address + block.count);
      // A late reply to the failed request may arrive in place of this one's: a block without
      // a good answer is sent once more (writing the snapshot's words twice does no harm).
      if (write(block.address, words) || write(block.address, words))
        result.rolledBack.push_back(block);
      else
        result.rollbackComplete = false;
    }
  };
  if (result.transfer.failed) written.push_back(result.transfer.failed->block);
  if (result.transfer.failed || interrupted) {
    rollBack(written);
    leaveAsFound();
    if (!parameters_.RecordWrite(
            site, request.action.c_str(), std::move(changes),
            result.rollbackComplete ? "failed, rolled back" : "failed, rollback incomplete"))
      result.transfer.MarkUnrecorded();
    result.end = interrupted ? SafeWriteEnd::Interrupted : SafeWriteEnd::WriteFailed;
    return result;
  }

  // 9. Read back: each written register against the word this read brought. Their words in
  // the image are spoiled first, so that a word the read does not bring shows as different.
  for (const AuditChange& c : changes)
    images.SetWord(site, c.reg, static_cast<std::uint16_t>(~c.after));
  const bool readBack = readParameters();
  // A curve write alone has its line from the curve writer.
  if ((!changes.empty() || curves.empty()) &&
      !parameters_.RecordWrite(site, request.action.c_str(), changes, ""))
    result.transfer.MarkUnrecorded();
  if (!readBack) {
    for (const AuditChange& c : changes) images.SetWord(site, c.reg, c.after);
    leaveAsFound();
    result.end = SafeWriteEnd::ReadBackFailed;
    return result;
  }
  // A written register that no group brings was read by a run of its own above.
  for (const AuditChange& c : changes) {
    const std::uint16_t back = images.Word(site, c.reg);
    if (back != c.after) result.differences.push_back({c.reg, KeyOf(c.reg), c.after, back});
  }

  // 10. The curves that differ, through the curve writer, then read back.
  if (!curves.empty()) {
    scope.reset();
    bool curvesWritten = true;
    for (const auto& [channel, curve] : curves)
      curvesWritten &= curves_->Write(site, channel, curve).Completed();
    scope.emplace(exchange_, ExchangeScope::Pause::Transfer);
    const std::uint16_t first = CurveValueAddress(0);
    const auto count = static_cast<std::uint16_t>(CurveResistanceAddress(kCurveChannels - 1) +
                                                  kCurvePoints - first);
    for (const auto& [channel, curve] : curves)
      for (int k = 0; k < kCurvePoints; ++k) {
        images.SetWord(site, CurveValueAddress(channel) + k,
                       static_cast<std::uint16_t>(~curve[static_cast<std::size_t>(k)].value));
        images.SetWord(site, CurveResistanceAddress(channel) + k,
                       static_cast<std::uint16_t>(~curve[static_cast<std::size_t>(k)].ohms));
      }
    if (!curvesWritten || !readPlain(first, count)) {
      // The parameters written before and the curves' blocks go back as the snapshot holds
      // them, so that no half of a restore stays in the controller.
      std::vector<BlockSpan> blocks = written;
      // What was meant to be in the controller, the "old" side of the rollback's audit line.
      std::array<std::uint16_t, kImageWords> meant{};
      for (int r = 0; r < kImageWords; ++r) {
        const auto at = static_cast<std::size_t>(r);
        meant[at] = next[at].value_or(snapshot[at]);
      }
      for (const auto& [channel, curve] : curves) {
        const auto type = static_cast<std::size_t>(reg::kAnalogueProperty2.address + channel);
        meant[type] = static_cast<std::uint16_t>((snapshot[type] & kCurveTypeKeptBits) |
                                                 (kUserDefinedSensor << kCurveTypeShift));
        for (int k = 0; k < kCurvePoints; ++k) {
          const CurvePoint& point = curve[static_cast<std::size_t>(k)];
          meant[static_cast<std::size_t>(CurveResistanceAddress(channel) + k)] =
              static_cast<std::uint16_t>(point.ohms);
          meant[static_cast<std::size_t>(CurveValueAddress(channel) + k)] =
              static_cast<std::uint16_t>(point.value);
        }
        blocks.push_back(
            {static_cast<std::uint16_t>(reg::kAnalogueProperty2.address + channel), 1});
        blocks.push_back({static_cast<std::uint16_t>(CurveResistanceAddress(channel)),
                          static_cast<std::uint16_t>(kCurvePoints)});
        blocks.push_back({static_cast<std::uint16_t>(CurveValueAddress(channel)),
                          static_cast<std::uint16_t>(kCurvePoints)});
      }
      rollBack(blocks);
      std::vector<AuditChange> undone;
      for (const BlockSpan& block : result.rolledBack)
        for (int r = block.address; r < block.address + block.count; ++r)
          undone.push_back({static_cast<std::uint16_t>(r), meant[static_cast<std::size_t>(r)],
                            snapshot[static_cast<std::size_t>(r)]});
      leaveAsFound();
      if (!parameters_.RecordWrite(site, request.action.c_str(), std::move(undone),
                                   result.rollbackComplete ? "curve failed, rolled back"
                                                           : "curve failed, rollback incomplete"))
        result.transfer.MarkUnrecorded();
      result.end = SafeWriteEnd::WriteFailed;
      return result;
    }
    for (const auto& [channel, curve] : curves) {
      for (int k = 0; k < kCurvePoints; ++k) {
        const CurvePoint& point = curve[static_cast<std::size_t>(k)];
        for (const auto& [reg, word] :
             {std::pair{CurveValueAddress(channel) + k, static_cast<std::uint16_t>(point.value)},
              std::pair{CurveResistanceAddress(channel) + k,
                        static_cast<std::uint16_t>(point.ohms)}}) {
          const std::uint16_t back = images.Word(site, reg);
          if (back != word)
            result.differences.push_back({static_cast<std::uint16_t>(reg),
                                          KeyOf(static_cast<std::uint16_t>(reg)), word, back});
        }
      }
    }
  }
  leaveAsFound();
  result.end = result.differences.empty() ? SafeWriteEnd::Written : SafeWriteEnd::ReadBackDiffers;
  // A write the audit trail does not hold is reported as a failure, after the write.
  if (result.end == SafeWriteEnd::Written && result.transfer.unrecorded)
    result.end = SafeWriteEnd::Unrecorded;
  return result;
}

}  // namespace vorel
