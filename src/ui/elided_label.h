// A status-bar label for a sentence that may not fit: it takes what room the bar leaves, shows
// the sentence shortened in the middle when it is cut, and then holds the whole of it in its
// tooltip. text() is always the whole sentence.
#pragma once

#include <QLabel>
#include <QPainter>
#include <QStyle>

namespace vorel {

class ElidedLabel : public QLabel {
 public:
  using QLabel::QLabel;

  QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }
  // The text as painted at the label's width.
  QString ShownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    const QString shown = ShownText();
    setToolTip(shown == text() ? QString() : text());
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), static_cast<int>(alignment()), palette(),
                          isEnabled(), shown, foregroundRole());
  }
};

}  // namespace vorel
