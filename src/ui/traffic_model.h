// The frames of the traffic view as a table: time, direction, site, function, registers,
// length, bytes and outcome, coloured by outcome. Holds at most as many frames as the log
// keeps; the oldest rows go first.
#pragma once

#include <QAbstractTableModel>
#include <deque>
#include <vector>

#include "link/traffic_log.h"

namespace vorel {

class TrafficModel : public QAbstractTableModel {
 public:
  enum Column { Time, Direction, Site, Function, Registers, Length, Bytes, Outcome, kColumns };

  explicit TrafficModel(std::size_t capacity, QObject* parent = nullptr);

  // Appends frames, dropping the oldest rows beyond the capacity.
  void Append(std::vector<FrameRecord>& frames);
  void Clear();
  const FrameRecord& Frame(int row) const { return rows_[static_cast<std::size_t>(row)]; }
  // The most bytes of a frame appended since the last Clear.
  std::size_t WidestFrame() const { return widest_; }
  // The column titles follow the language.
  void Relabel();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::size_t capacity_;
  std::deque<FrameRecord> rows_;
  std::size_t widest_ = 0;
};

}  // namespace vorel
