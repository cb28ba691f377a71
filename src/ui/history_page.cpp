#include "ui/history_page.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QTableWidget>
#include <QValueAxis>
#include <algorithm>
#include <map>
#include <set>

#include "core/language.h"
#include "core/trend_buffer.h"
#include "files/difference_groups.h"
#include "ui/difference_table.h"
#include "ui/qt_text.h"

namespace vorel {

namespace {

QString Pick(const BilingualText& text) {
  return Q(text.Pick());
}

QString TimeText(std::int64_t ms) {
  return QDateTime::fromMSecsSinceEpoch(ms).toString("yyyy-MM-dd hh:mm:ss");
}

QTableWidget* MakeTable(QWidget* parent) {
  auto* table = new QTableWidget(parent);
  table->verticalHeader()->hide();
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->horizontalHeader()->setStretchLastSection(true);
  return table;
}

void SetRow(QTableWidget* table, int row, const QStringList& cells) {
  for (int c = 0; c < cells.size(); ++c) table->setItem(row, c, new QTableWidgetItem(cells[c]));
}

// The event-log grid's column that names the event.
constexpr int kEventNameColumn = 1;

}  // namespace

HistoryPage::HistoryPage(HistoryPageSource source, QWidget* parent)
    : QWidget(parent), source_(std::move(source)) {
  setObjectName("tsSiteHistory");
}

void HistoryPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (views_) return;
  Build();
  ApplyTexts();
}

void HistoryPage::Build() {
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  status_ = new QLabel(this);
  status_->setObjectName("lbHistoryStatus");
  status_->setWordWrap(true);
  reload_ = new QPushButton(this);
  reload_->setObjectName("btHistoryReload");
  connect(reload_, &QPushButton::clicked, this, &HistoryPage::Reload);
  top->addWidget(status_, 1);
  top->addWidget(reload_);
  layout->addLayout(top);
  views_ = new QTabWidget(this);
  views_->setObjectName("pcHistoryViews");
  layout->addWidget(views_, 1);

  timeline_ = MakeTable(this);
  timeline_->setObjectName("sgHistoryTimeline");
  views_->addTab(timeline_, QString());

  auto* changesPage = new QWidget(this);
  changesLayout_ = new QVBoxLayout(changesPage);
  baseline_ = new QLabel(changesPage);
  baseline_->setObjectName("lbHistoryBaseline");
  baseline_->setWordWrap(true);
  changesLayout_->addWidget(baseline_);
  views_->addTab(changesPage, QString());

  auto* eventsPage = new QWidget(this);
  auto* eventsLayout = new QVBoxLayout(eventsPage);
  auto* filters = new QHBoxLayout;
  codeFilter_ = new QComboBox(eventsPage);
  codeFilter_->setObjectName("cbHistoryCode");
  search_ = new QLineEdit(eventsPage);
  search_->setObjectName("edHistorySearch");
  search_->setClearButtonEnabled(true);
  filters->addWidget(codeFilter_);
  filters->addWidget(search_, 1);
  eventsLayout->addLayout(filters);
  events_ = MakeTable(eventsPage);
  events_->setObjectName("sgHistoryEvents");
  events_->horizontalHeader()->setStretchLastSection(false);
  eventsLayout->addWidget(events_, 1);
  connect(codeFilter_, &QComboBox::currentIndexChanged, this, &HistoryPage::FilterEvents);
  connect(search_, &QLineEdit::textChanged, this, &HistoryPage::FilterEvents);
  views_->addTab(eventsPage, QString());

  auto* dayPage = new QWidget(this);
  auto* dayLayout = new QVBoxLayout(dayPage);
  auto* pickers = new QHBoxLayout;
  day_ = new QDateEdit(QDate::currentDate(), dayPage);
  day_->setObjectName("edHistoryDay");
  day_->setCalendarPopup(true);
  day_->setDisplayFormat("yyyy-MM-dd");
  series_ = new QComboBox(dayPage);
  series_->setObjectName("cbHistorySeries");
  for (int s = 0; s < kTrendSeriesCount; ++s) series_->addItem(QString());
  pickers->addWidget(day_);
  pickers->addWidget(series_, 1);
  dayLayout->addLayout(pickers);
  auto* chart = new QChart;
  chart->legend()->hide();
  chart_ = new QChartView(chart, dayPage);
  chart_->setObjectName("chHistoryDay");
  chart_->setRubberBand(QChartView::HorizontalRubberBand);
  dayLayout->addWidget(chart_, 1);
  connect(day_, &QDateEdit::dateChanged, this, &HistoryPage::Reload);
  connect(series_, &QComboBox::currentIndexChanged, this, &HistoryPage::DrawDay);
  views_->addTab(dayPage, QString());
}

void HistoryPage::ApplyTexts() {
  if (!views_) return;
  reload_->setText(Pick({"Read again", "重新读取"}));
  const BilingualText tabs[] = {{"Visits and writes", "访问与写入"},
                                {"Changes since last visit", "上次访问以来的变化"},
                                {"Events", "事件"},
                                {"Trend of a day", "某日趋势"}};
  for (int i = 0; i < views_->count(); ++i) views_->setTabText(i, Pick(tabs[i]));
  search_->setPlaceholderText(Pick({"Search", "搜索"}));
  const auto& table = TrendSeriesTable();
  for (int s = 0; s < kTrendSeriesCount; ++s) {
    const TrendSeries& series = table[static_cast<std::size_t>(s)];
    QString title = Q(series.title.Pick());
    if (*series.unit) title += QString(" (%1)").arg(Q(series.unit));
    series_->setItemText(s, title);
  }
  Reload();
}

void HistoryPage::Reload() {
  if (!views_) return;
  if (reading_) {
    again_ = true;
    return;
  }
  const std::optional<HistoryLocation> location =
      source_.location ? source_.location() : std::nullopt;
  if (!location) {
    status_->setText(Pick({"No history is kept.", "未记录历史。"}));
    return;
  }
  SiteHistoryRequest request;
  request.location = *location;
  request.controller = source_.controller ? source_.controller() : ControllerKey{};
  if (source_.now) request.now = source_.now();
  if (source_.visitStartMs) request.visitStartMs = source_.visitStartMs();
  const QDate day = day_->date();
  request.dayStartMs = QDateTime(day, QTime(0, 0)).toMSecsSinceEpoch();
  request.dayEndMs = QDateTime(day.addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
  reading_ = true;
  status_->setText(Pick({"Reading the history...", "正在读取历史..."}));
  ReadSiteHistoryLater(std::move(request), this, [this](SiteHistory history) {
    reading_ = false;
    Show(std::move(history));
    if (again_) {
      again_ = false;
      Reload();
    }
  });
}

void HistoryPage::Show(SiteHistory history) {
  shown_ = std::move(history);
  ++readings_;
  if (shown_.problem) {
    status_->setText(Q(*shown_.problem));
  } else {
    status_->setText(Pick({"%1 visits, %2 writes and commands, %3 events kept.",
                           "保存了 %1 次访问、%2 次写入与命令、%3 条事件。"})
                         .arg(shown_.visits.size())
                         .arg(shown_.writes.size())
                         .arg(shown_.events.size()));
  }
  FillTimeline();
  FillChanges();
  FillEvents();
  DrawDay();
}

void HistoryPage::FillTimeline() {
  struct Line {
    std::int64_t timeMs;
    QStringList cells;
  };
  std::vector<Line> lines;
  for (const StoredVisit& v : shown_.visits) {
    lines.push_back(
        {v.timeMs,
         {TimeText(v.timeMs), Pick({"Visit", "访问"}), Q(v.operatorName),
          QString("%1 %2, %3 %4").arg(Q(v.deviceName), Q(v.firmware), Q(v.port)).arg(v.address)}});
  }
  for (const StoredWrite& w : shown_.writes) {
    QString what = Q(w.action);
    QString detail = w.outcome == "done" ? Pick({"done", "完成"}) : Q(w.outcome);
    if (!w.changes.empty())
      detail += ", " + Pick({"%1 registers", "%1 个寄存器"}).arg(w.changes.size());
    if (!w.note.empty()) detail += ", " + Q(w.note);
    lines.push_back({w.timeMs, {TimeText(w.timeMs), what, Q(w.operatorName), detail}});
  }
  std::stable_sort(lines.begin(), lines.end(),
                   [](const Line& a, const Line& b) { return a.timeMs > b.timeMs; });
  timeline_->clear();
  timeline_->setColumnCount(4);
  timeline_->setHorizontalHeaderLabels({Pick({"Time", "时间"}), Pick({"What", "内容"}),
                                        Pick({"Operator", "操作员"}), Pick({"Details", "详情"})});
  timeline_->setRowCount(static_cast<int>(lines.size()));
  for (int row = 0; row < static_cast<int>(lines.size()); ++row)
    SetRow(timeline_, row, lines[static_cast<std::size_t>(row)].cells);
  timeline_->resizeColumnsToContents();
}

void HistoryPage::FillChanges() {
  delete changes_;
  changes_ = nullptr;
  if (!shown_.baselineMs) {
    baseline_->setText(shown_.problem ? QString()
                                      : Pick({"No parameters were kept from an earlier visit.",
                                              "没有保存以前访问时的参数。"}));
    return;
  }
  const std::vector<ParameterDifference> rows = WithGroupHeadings(GroupDifferences(shown_.changes));
  baseline_->setText(
      rows.empty()
          ? Pick({"No changes since %1.", "自 %1 以来没有变化。"}).arg(TimeText(*shown_.baselineMs))
          : Pick({"Changes since %1:", "自 %1 以来的变化："}).arg(TimeText(*shown_.baselineMs)));
  changes_ = MakeDifferenceTable(
      rows,
      {Pick({"Parameter", "参数"}), Pick({"Last visit", "上次访问"}),
       Pick({"Controller now", "控制器当前"}), Pick({"Unit", "单位"}), Pick({"Key", "关键字"})},
      baseline_->parentWidget());
  changes_->setObjectName("sgHistoryChanges");
  changesLayout_->addWidget(changes_, 1);
}

void HistoryPage::FillEvents() {
  const int wanted = codeFilter_->currentData().isValid() ? codeFilter_->currentData().toInt() : -1;
  std::map<int, QString> codes;
  for (const StoredEventRow& e : shown_.events)
    codes.emplace(e.code, Q(e.cells[kEventNameColumn].value_or("")));
  {
    const QSignalBlocker block(codeFilter_);
    codeFilter_->clear();
    codeFilter_->addItem(Pick({"All events", "全部事件"}));
    for (const auto& [code, name] : codes)
      codeFilter_->addItem(QString("%1 %2").arg(code).arg(name), code);
    codeFilter_->setCurrentIndex(std::max(0, codeFilter_->findData(wanted)));
  }
  QStringList headers{Pick({"First read", "首次读取"})};
  for (int c = 1; c < kEventLogColumns; ++c)
    headers << Q(shown_.eventTitles[static_cast<std::size_t>(c)]);
  events_->clear();
  events_->setColumnCount(static_cast<int>(headers.size()));
  events_->setHorizontalHeaderLabels(headers);
  events_->setRowCount(static_cast<int>(shown_.events.size()));
  // Newest first, as the event log shows them.
  int row = 0;
  for (auto it = shown_.events.rbegin(); it != shown_.events.rend(); ++it, ++row) {
    QStringList cells{TimeText(it->firstReadMs)};
    for (int c = 1; c < kEventLogColumns; ++c)
      cells << Q(it->cells[static_cast<std::size_t>(c)].value_or(""));
    SetRow(events_, row, cells);
    events_->item(row, 0)->setData(Qt::UserRole, it->code);
  }
  events_->resizeColumnsToContents();
  FilterEvents();
}

void HistoryPage::FilterEvents() {
  const QVariant code = codeFilter_->currentData();
  const QString text = search_->text().trimmed();
  for (int row = 0; row < events_->rowCount(); ++row) {
    bool shown = !code.isValid() || events_->item(row, 0)->data(Qt::UserRole) == code;
    if (shown && !text.isEmpty()) {
      shown = false;
      for (int c = 0; c < events_->columnCount() && !shown; ++c) {
        const QTableWidgetItem* item = events_->item(row, c);
        shown = item && item->text().contains(text, Qt::CaseInsensitive);
      }
    }
    events_->setRowHidden(row, !shown);
  }
}

void HistoryPage::DrawDay() {
  QChart* chart = chart_->chart();
  chart->removeAllSeries();
  for (QAbstractAxis* axis : chart->axes()) {
    chart->removeAxis(axis);
    delete axis;
  }
  const int series = series_->currentIndex();
  auto* time = new QDateTimeAxis;
  time->setFormat("hh:mm");
  const QDate day = day_->date();
  time->setRange(QDateTime(day, QTime(0, 0)), QDateTime(day.addDays(1), QTime(0, 0)));
  auto* values = new QValueAxis;
  chart->addAxis(time, Qt::AlignBottom);
  chart->addAxis(values, Qt::AlignLeft);
  chart->setTitle(series_->currentText());
  // A failed poll breaks the line: each run between gaps is a line of its own.
  QLineSeries* line = nullptr;
  double low = 0, high = 0;
  bool any = false;
  for (const SampleRecord& s : shown_.samples) {
    TrendSample sample;
    sample.counts = s.counts;
    sample.divisors = s.divisors;
    const std::optional<ScaledNumber> number = s.gap ? std::nullopt : sample.Number(series);
    if (!number) {
      line = nullptr;
      continue;
    }
    if (!line) {
      line = new QLineSeries;
      chart->addSeries(line);
      line->attachAxis(time);
      line->attachAxis(values);
    }
    const double v = number->Value();
    line->append(static_cast<qreal>(s.timeMs), v);
    low = any ? std::min(low, v) : v;
    high = any ? std::max(high, v) : v;
    any = true;
  }
  if (!any) chart->setTitle(series_->currentText() + " - " + Pick({"no samples", "无采样"}));
  values->setRange(low, high > low ? high : low + 1);
  values->applyNiceNumbers();
}

}  // namespace vorel
