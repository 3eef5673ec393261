#include "app/about_win.h"

#include <QColor>
#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <mutex>

#include "app/globals.h"
#include "app/jpeg_image.h"
#include "qtkit/settings_store.h"

// The shell is a static library: its resources must be registered by hand, from
// outside any namespace.
static void registerResources() {
  Q_INIT_RESOURCE(resources);
}

namespace app {

void initShellResources() {
  static std::once_flag once;
  std::call_once(once, registerResources);
}

namespace {

constexpr int kWidth = 507;
constexpr int kHeight = 328;
constexpr int kFrame = 2;
constexpr const char* kPicture = ":/about_meter.jpg";
// The licensee's lines end this far inside the white panel.
constexpr int kTextRightMargin = 20;
const QColor kGrey(128, 128, 128);

// A font whose line (ascent + descent) is `pixels` high, the way the box's texts are
// measured; so the title and the instrument line below it do not overlap.
QFont pixelFont(const QFont& base, int pixels, bool bold) {
  QFont f(base);
  f.setBold(bold);
  int size = pixels;
  do {
    f.setPixelSize(size);
  } while (QFontMetrics(f).height() > pixels && --size > 6);
  return f;
}

void setTextColour(QWidget* w, const QColor& colour) {
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, colour);
  w->setPalette(p);
}

void setBackground(QWidget* w, const QColor& colour) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, colour);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y,
                  const QFont& font) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  l->setFont(font);
  l->move(x, y);
  l->adjustSize();
  return l;
}

// Shows `text` in a label that must end at `right`: a longer text is cut with "…" and
// given whole as the label's hint.
void setFittedText(QLabel* label, const QString& text, int right) {
  const int room = right - label->x();
  const QString shown = label->fontMetrics().elidedText(text, Qt::ElideRight, room);
  label->setText(shown);
  label->setToolTip(shown == text ? QString() : text);
  label->adjustSize();
  if (label->width() > room) label->resize(room, label->height());
}

}  // namespace

const AboutTexts& aboutTextsFor(const std::string& languageCode) {
  if (languageCode == "pl") return kAboutPl;
  if (languageCode == "en") return kAboutEn;
  return kAboutIt;
}

TAboutWin::TAboutWin(qtkit::SettingsStore& store, QWidget* mainWindow,
                     std::function<void()> enterServiceMode,
                     std::function<void(const QString&)> showError)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      store_(store),
      mainWindow_(mainWindow),
      enterServiceMode_(std::move(enterServiceMode)),
      showError_(std::move(showError)) {
  initShellResources();
  setObjectName(QStringLiteral("AboutWin"));
  setFixedSize(kWidth, kHeight);
  setBackground(this, Qt::black);

  Panel1 = new QWidget(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(kFrame, kFrame, kWidth - 2 * kFrame, kHeight - 2 * kFrame);
  setBackground(Panel1, Qt::white);
  setTextColour(Panel1, Qt::black);

  Image2 = new QLabel(Panel1);
  Image2->setObjectName(QStringLiteral("Image2"));
  const QImage picture = loadJpeg(QString::fromLatin1(kPicture));
  if (!picture.isNull()) Image2->setPixmap(QPixmap::fromImage(picture));
  Image2->setGeometry(60, 36, 85, 245);
  if (!picture.isNull()) Image2->resize(picture.size());  // drawn at its natural size

  const QFont base = font();
  Label5 = makeLabel(Panel1, "Label5", QStringLiteral("HALVEX 25.3.10"), 214, 36,
                     pixelFont(base, 35, false));
  const QFont lineFont = pixelFont(base, 24, false);
  _uiPl = makeLabel(Panel1, "_uiPl", QStringLiteral("Sterowanie LT-40"), 217, 64, lineFont);
  _uiEn = makeLabel(Panel1, "_uiEn", QStringLiteral("Remote Control of LT-40"), 217, 64, lineFont);
  _uiIt = makeLabel(Panel1, "_uiIt", QStringLiteral("Controllo LT-40"), 217, 64, lineFont);
  for (QLabel* l : {_uiPl, _uiEn, _uiIt}) l->hide();

  Label3 = makeLabel(Panel1, "Label3", QString::fromUtf8(kAboutPl[0]), 218, 89,
                     pixelFont(base, 13, true));
  Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  setTextColour(Label3, Qt::red);
  label3Right_ = Label3->x() + Label3->width();
  Label3->hide();

  Label4 = makeLabel(Panel1, "Label4", QString::fromUtf8(kAboutPl[1]), 218, 140, base);
  setTextColour(Label4, kGrey);
  QFont bold(base);
  bold.setBold(true);
  Label1 = makeLabel(Panel1, "Label1", QString(), 222, 164, bold);
  Label2 = makeLabel(Panel1, "Label2", QString(), 222, 180, bold);
  setTextColour(Label1, kGrey);
  setTextColour(Label2, kGrey);

  for (QLabel* l : {Image2, Label1, Label2, Label3, Label4}) l->installEventFilter(this);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(kSplashMs);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  Timer1->start();

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r(QPoint(), size());
    r.moveCenter(screen->availableGeometry().center());
    move(r.topLeft());
  }

  FormCreate();
  // Visible from creation even when FormCreate stopped early: Timer1 still ends the
  // splash and gives the main window back.
  show();
}

void TAboutWin::FormCreate() {
  try {
    ApplyAboutTexts(aboutTextsFor(LanguageCode));
    const auto existing = qtkit::SettingsStore::KeyOpen::ExistingOnly;
    const int right = Panel1->width() - kTextRightMargin;
    setFittedText(Label1,
                  QString::fromStdString(
                      store_.readString(qtkit::keys::kProduct, qtkit::keys::kName, existing)),
                  right);
    setFittedText(Label2,
                  QString::fromStdString(
                      store_.readString(qtkit::keys::kProduct, qtkit::keys::kCompany, existing)),
                  right);
    if (store_.readBool(qtkit::keys::kProduct, qtkit::keys::kService, existing)) {
      Label3->show();
      if (enterServiceMode_) enterServiceMode_();
    } else {
      Label3->hide();
    }
    ShowAbout();
  } catch (const qtkit::SettingsError& e) {
    if (showError_) showError_(QString::fromStdString(e.what()));
  }
}

void TAboutWin::ShowAbout() {
  show();
  raise();
  Timer1->start();  // afresh when shown again from the menu
  if (mainWindow_) mainWindow_->setEnabled(false);
  // Any other code leaves the instrument line as it is.
  if (LanguageCode == "pl" || LanguageCode == "en" || LanguageCode == "it") {
    _uiPl->setVisible(LanguageCode == "pl");
    _uiEn->setVisible(LanguageCode == "en");
    _uiIt->setVisible(LanguageCode == "it");
  }
  ApplyAboutTexts(aboutTextsFor(LanguageCode));
}

void TAboutWin::ApplyAboutTexts(const AboutTexts& table) {
  setLabel3Text(QString::fromUtf8(table[0]));
  Label4->setText(QString::fromUtf8(table[1]));
  Label4->adjustSize();
}

void TAboutWin::Timer1Timer() {
  hide();
  Timer1->stop();
  if (mainWindow_) mainWindow_->setEnabled(true);
}

void TAboutWin::setTimerInterval(int ms) {
  Timer1->setInterval(ms);
}

bool TAboutWin::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    auto* w = qobject_cast<QWidget*>(watched);
    const auto* me = static_cast<QMouseEvent*>(event);
    if (w && me->button() == Qt::LeftButton && w->rect().contains(me->position().toPoint())) {
      Timer1Timer();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TAboutWin::setLabel3Text(const QString& text) {
  Label3->setText(text);
  Label3->adjustSize();
  Label3->move(label3Right_ - Label3->width(), Label3->y());
}

}  // namespace app
