// The site address window: check boxes cbAddr1 to cbAddr32 laid over the address columns of
// a four-column grid (sites 1 to 16 in column 0, 17 to 32 in column 2), each with an
// access-code cell to its right. The address columns never take the keyboard: a click there
// moves the input to the access-code cell of the same row.
#pragma once

#include <QDialog>
#include <array>

#include "control/settings.h"

class QCheckBox;
class QPushButton;
class QTableWidget;

namespace vorel {

class SiteListDialog : public QDialog {
  Q_OBJECT
 public:
  explicit SiteListDialog(QWidget* parent = nullptr);

  std::array<bool, kSiteCount> Selections() const;
  void SetSelections(const std::array<bool, kSiteCount>& sites);
  bool AnySelected() const;

  QCheckBox* CheckBox(int site) const { return addressChecks_[site - 1]; }
  QTableWidget* Grid() const { return siteGrid_; }

  // Caption and title row in the current language.
  void Relabel();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void MoveToAccessCode(int row, int column);

  QTableWidget* siteGrid_;
  std::array<QCheckBox*, kSiteCount> addressChecks_{};
  QPushButton* okButton_;
  QPushButton* cancelButton_;
};

}  // namespace vorel
