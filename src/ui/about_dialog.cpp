#include "ui/about_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "control/version.h"
#include "ui/icons.h"

namespace vorel {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle("About");
  auto* picture = new QLabel(this);
  picture->setPixmap(IdlePicture().scaledToWidth(180, Qt::SmoothTransformation));
  auto* product = new QLabel("Vorel2000", this);
  product->setObjectName("ProductName");
  QFont bold = product->font();
  bold.setBold(true);
  bold.setPointSize(bold.pointSize() + 4);
  product->setFont(bold);
  auto* version = new QLabel(kVersionText, this);
  version->setObjectName("Version");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(picture, 0, Qt::AlignHCenter);
  layout->addWidget(product, 0, Qt::AlignHCenter);
  layout->addWidget(version, 0, Qt::AlignHCenter);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace vorel
