// The About box: product name and version text, shown modally.
#pragma once

#include <QDialog>

namespace vorel {

class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace vorel
