#include "calibration/page_control.h"

#include <QButtonGroup>
#include <QFontMetrics>
#include <QResizeEvent>
#include <QStackedWidget>
#include <QToolButton>

namespace calibration {

namespace {
constexpr int kTabHeight = 20;
constexpr int kTabPadding = 14;
}  // namespace

PageControl::PageControl(QWidget* parent)
    : QWidget(parent), group_(new QButtonGroup(this)), pages_(new QStackedWidget(this)) {
  group_->setExclusive(true);
  pages_->setFrameShape(QFrame::StyledPanel);
  connect(group_, &QButtonGroup::idClicked, this, [this](int id) { pages_->setCurrentIndex(id); });
}

void PageControl::addTab(QWidget* page, const QString& text) {
  auto* tab = new QToolButton(this);
  tab->setObjectName(QStringLiteral("Tab%1").arg(tabs_.size()));
  tab->setText(text);
  tab->setCheckable(true);
  tab->setAutoRaise(false);
  tab->setFocusPolicy(Qt::TabFocus);
  group_->addButton(tab, static_cast<int>(tabs_.size()));
  tabs_.push_back(tab);
  pages_->addWidget(page);
  if (tabs_.size() == 1) tab->setChecked(true);
  layoutTabs();
}

int PageControl::count() const {
  return static_cast<int>(tabs_.size());
}

int PageControl::currentIndex() const {
  return pages_->currentIndex();
}

void PageControl::setCurrentIndex(int index) {
  if (index < 0 || index >= count()) return;
  tabs_[static_cast<std::size_t>(index)]->setChecked(true);
  pages_->setCurrentIndex(index);
}

QWidget* PageControl::widget(int index) const {
  return pages_->widget(index);
}

QString PageControl::tabText(int index) const {
  return index >= 0 && index < count() ? tabs_[static_cast<std::size_t>(index)]->text() : QString();
}

QWidget* PageControl::pageArea() const {
  return pages_;
}

void PageControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutTabs();
}

// Rows of tabs, filled left to right; a tab that would pass the right edge opens a row.
void PageControl::layoutTabs() {
  int x = 0;
  int y = 0;
  for (QToolButton* tab : tabs_) {
    const int w = QFontMetrics(tab->font()).horizontalAdvance(tab->text()) + kTabPadding;
    if (x > 0 && x + w > width()) {
      x = 0;
      y += kTabHeight;
    }
    tab->setGeometry(x, y, w, kTabHeight);
    x += w;
  }
  const int top = tabs_.empty() ? 0 : y + kTabHeight + 2;
  pages_->setGeometry(0, top, width(), std::max(0, height() - top));
}

}  // namespace calibration
