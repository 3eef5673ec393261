#pragma once
// The calibration panel's page control: its tabs are buttons laid out in as many rows as
// the width needs (nine pages do not fit one row of 353 pixels), the pages below them.
#include <QString>
#include <QWidget>
#include <vector>

class QButtonGroup;
class QStackedWidget;
class QToolButton;

namespace calibration {

class PageControl : public QWidget {
  Q_OBJECT

 public:
  explicit PageControl(QWidget* parent);

  // Appends a page with its tab; the tabs are laid out again.
  void addTab(QWidget* page, const QString& text);
  int count() const;
  int currentIndex() const;
  void setCurrentIndex(int index);
  QWidget* widget(int index) const;
  QString tabText(int index) const;
  QToolButton* tabButton(int index) const { return tabs_[static_cast<std::size_t>(index)]; }
  // A fresh page's parent: the area below the tabs.
  QWidget* pageArea() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void layoutTabs();

  QButtonGroup* group_;
  QStackedWidget* pages_;
  std::vector<QToolButton*> tabs_;
};

}  // namespace calibration
