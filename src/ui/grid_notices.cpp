#include "ui/grid_notices.h"

#include "core/language.h"
#include "ui/qt_text.h"

namespace vorel {

namespace {

QString Pick(const char* english, const char* chinese) {
  return QString::fromUtf8(PickText(english, chinese));
}

}  // namespace

QString ClampNotice(const QString& name, const QString& typed, const QString& limit) {
  const bool above = typed.toDouble() > limit.toDouble();
  const QString text =
      above ? Pick("%1: %2 is above its limit %3; set to %3.", "%1: %2 高于上限 %3，已设为 %3。")
            : Pick("%1: %2 is below its limit %3; set to %3.", "%1: %2 低于下限 %3，已设为 %3。");
  return text.arg(name, typed, limit);
}

QString RangeTip(const QString& minimum, const QString& maximum) {
  return Pick("Range: %1 to %2", "范围: %1 至 %2").arg(minimum, maximum);
}

QString ControllerValueTip(const QString& value) {
  return Pick("Controller: %1", "控制器中: %1").arg(value);
}

QString ChangedCountText(int changed) {
  if (changed <= 0) return QString();
  if (changed == 1) return Pick("1 value changed", "1 项已修改");
  return Pick("%1 values changed", "%1 项已修改").arg(changed);
}

QString DiscardQuestion(int changed) {
  if (changed == 1)
    return Pick("1 value was changed and not written. Close and discard it?",
                "1 项修改尚未写入。关闭并放弃修改吗?");
  return Pick("%1 values were changed and not written. Close and discard them?",
              "%1 项修改尚未写入。关闭并放弃修改吗?")
      .arg(changed);
}

}  // namespace vorel
