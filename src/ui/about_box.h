// The About box: product name and version text, shown modally.
#pragma once

#include <QDialog>

namespace vorel {

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
};

}  // namespace vorel
