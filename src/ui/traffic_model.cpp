#include "ui/traffic_model.h"

#include <QBrush>
#include <QColor>
#include <array>

#include "core/language.h"
#include "ui/qt_text.h"

namespace vorel {
namespace {

// clang-format off
constexpr std::array<BilingualText, TrafficModel::kColumns> kTitles{{
    {"Time (ms)", "时间 (毫秒)"},
    {"Dir",       "方向"},
    {"Site",      "地址"},
    {"Function",  "功能码"},
    {"Registers", "寄存器"},
    {"Length",    "长度"},
    {"Bytes",     "数据"},
    {"Outcome",   "结果"},
}};
// clang-format on

QString Hex(std::span<const std::uint8_t> bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size() * 3));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i) text += QLatin1Char(' ');
    text += QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
  }
  return text;
}

QVariant Background(FrameOutcome outcome) {
  switch (outcome) {
    case FrameOutcome::CrcError:
    case FrameOutcome::Oversize:
    case FrameOutcome::EchoMismatch:
    case FrameOutcome::Incomplete:
      return QBrush(QColor(255, 190, 190));
    case FrameOutcome::Exception:
      return QBrush(QColor(255, 220, 160));
    case FrameOutcome::Timeout:
      return QBrush(QColor(255, 255, 160));
    case FrameOutcome::Foreign:
      return QBrush(QColor(220, 220, 220));
    case FrameOutcome::Request:
    case FrameOutcome::Reply:
      break;
  }
  return {};
}

}  // namespace

TrafficModel::TrafficModel(std::size_t capacity, QObject* parent)
    : QAbstractTableModel(parent), capacity_(std::max<std::size_t>(1, capacity)) {}

void TrafficModel::Append(std::vector<FrameRecord>& frames) {
  if (frames.empty()) return;
  // Only the newest `capacity_` of the new frames can stay.
  std::size_t skip = frames.size() > capacity_ ? frames.size() - capacity_ : 0;
  const std::size_t adding = frames.size() - skip;
  const std::size_t drop =
      std::min(rows_.size(), rows_.size() + adding > capacity_ ? rows_.size() + adding - capacity_
                                                               : std::size_t{0});
  if (drop > 0) {
    beginRemoveRows({}, 0, static_cast<int>(drop) - 1);
    rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(drop));
    endRemoveRows();
  }
  const int first = static_cast<int>(rows_.size());
  beginInsertRows({}, first, first + static_cast<int>(adding) - 1);
  for (; skip < frames.size(); ++skip) {
    widest_ = std::max(widest_, frames[skip].bytes.size());
    rows_.push_back(std::move(frames[skip]));
  }
  endInsertRows();
}

void TrafficModel::Clear() {
  beginResetModel();
  rows_.clear();
  widest_ = 0;
  endResetModel();
}

void TrafficModel::Relabel() {
  emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
  if (!rows_.empty())
    emit dataChanged(index(0, Outcome), index(static_cast<int>(rows_.size()) - 1, Outcome));
}

int TrafficModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TrafficModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
  const FrameRecord& r = rows_[static_cast<std::size_t>(index.row())];
  if (role == Qt::BackgroundRole) return Background(r.outcome);
  if (role == Qt::TextAlignmentRole && index.column() != Bytes && index.column() != Outcome)
    return int(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case Time:
      return QString::number(r.timeMs);
    case Direction:
      return r.IsRequest() ? QStringLiteral("TX") : QStringLiteral("RX");
    case Site:
      return r.site;
    case Function:
      return QStringLiteral("%1").arg(r.function, 2, 16, QLatin1Char('0')).toUpper();
    case Registers:
      return QStringLiteral("%1+%2").arg(r.address, 4, 16, QLatin1Char('0')).toUpper().arg(r.count);
    case Length:
      return static_cast<int>(r.bytes.size());
    case Bytes:
      return Hex(r.bytes);
    case Outcome:
      return Q(FrameOutcomeText(r));
    default:
      break;
  }
  return {};
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= kColumns)
    return QAbstractTableModel::headerData(section, orientation, role);
  return Q(kTitles[static_cast<std::size_t>(section)].Pick());
}

}  // namespace vorel
