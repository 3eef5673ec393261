#include "qtkit/qt_print_surface.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLocale>
#include <QPaintDevice>
#include <QPen>
#include <QPrinter>
#include <QRawFont>
#include <QSet>
#include <QWidget>
#include <QtEndian>

#include "qtkit/dialogs.h"
#include "qtkit/strings.h"

namespace qtkit {

namespace {

// Where Debian's fonts-wine puts its faces (tahoma.ttf, tahomabd.ttf, ...).
constexpr const char* kWineFontFolder = "/usr/share/wine/fonts";

// Adds Wine's copy of `family` (regular and bold) once, when the system lacks the family.
void provideFamily(const QString& family) {
  static QSet<QString> looked;
  if (looked.contains(family)) return;
  looked.insert(family);
  if (QFontDatabase::families().contains(family, Qt::CaseInsensitive)) return;
  const QString base =
      QStringLiteral("%1/%2").arg(QLatin1String(kWineFontFolder), family.toLower());
  for (const QString& file : {base + QStringLiteral(".ttf"), base + QStringLiteral("bd.ttf")}) {
    if (QFileInfo::exists(file)) QFontDatabase::addApplicationFont(file);
  }
}

// Big-endian 16-bit field of a font table at `offset`; -1 when the table is shorter.
int tableField(const QByteArray& table, qsizetype offset, bool isSigned) {
  if (table.size() < offset + 2) return -1;
  const auto* at = reinterpret_cast<const uchar*>(table.constData()) + offset;
  return isSigned ? qFromBigEndian<qint16>(at) : qFromBigEndian<quint16>(at);
}

// The full ascent in font units: OS/2 usWinAscent (offset 74), else the hhea ascender
// (offset 4); -1 when the face has neither.
int fullAscentUnits(const QRawFont& raw) {
  const int win = tableField(raw.fontTable("OS/2"), 74, false);
  if (win > 0) return win;
  const int hhea = tableField(raw.fontTable("hhea"), 4, true);
  return hhea > 0 ? hhea : -1;
}

}  // namespace

qreal printAscent(const QFont& font, const QPaintDevice* device) {
  const QRawFont raw = QRawFont::fromFont(font);
  const int units = raw.isValid() && raw.unitsPerEm() > 0 ? fullAscentUnits(raw) : -1;
  if (units < 0) return QFontMetricsF(font, device).ascent();
  const qreal em = font.pointSizeF() > 0 ? font.pointSizeF() * device->logicalDpiY() / 72.0
                                         : qreal(font.pixelSize());
  return units * em / raw.unitsPerEm();
}

QtPrintSurface::QtPrintSurface(QPrinter& printer) : printer_(printer) {}

QtPrintSurface::~QtPrintSurface() {
  if (painter_.isActive()) painter_.end();
}

void QtPrintSurface::fail(const QString& detail) {
  error_ = (QString::fromUtf8(kPrintErrorText) + detail).toStdString();
}

bool QtPrintSurface::begin() {
  // A PDF printer without a file name is the print preview's (it draws on its own engine).
  const QString path =
      printer_.outputFormat() == QPrinter::PdfFormat ? printer_.outputFileName() : QString();
  if (!path.isEmpty()) {
    // Qt says only that the job could not start; opening the file ourselves gets the
    // system's reason (no such folder, permission denied, ...).
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
      fail(QDir::toNativeSeparators(path) + QStringLiteral(": ") + file.errorString());
      return false;
    }
  }
  if (!painter_.begin(&printer_)) {
    fail(jobName());
    return false;
  }
  page_ = 1;
  pen_ = QPoint();
  painter_.setPen(QPen(Qt::black));
  return true;
}

// The file or printer a failed job went to, for the message.
QString QtPrintSurface::jobName() const {
  if (printer_.outputFormat() == QPrinter::PdfFormat && !printer_.outputFileName().isEmpty()) {
    return QDir::toNativeSeparators(printer_.outputFileName());
  }
  if (printer_.printerName().isEmpty()) return QString::fromUtf8(kNoPrinterText);
  return printer_.printerName() + QStringLiteral(": ") + QString::fromUtf8(kPrinterFailedText);
}

bool QtPrintSurface::end() {
  const bool ended = painter_.end();
  if (!ended || printer_.printerState() == QPrinter::Error) {
    fail(jobName());
    return false;
  }
  return true;
}

int QtPrintSurface::pageWidth() const {
  return printer_.width();
}

int QtPrintSurface::pageHeight() const {
  return printer_.height();
}

void QtPrintSurface::newPage() {
  printer_.newPage();
  ++page_;
}

void QtPrintSurface::setFont(std::string_view family, int pointSize) {
  const QString name = qtkit::qstr(family);
  provideFamily(name);
  QFont font(name);
  font.setPointSize(pointSize);
  painter_.setFont(font);
  ascent_ = qRound(printAscent(font, &printer_));
}

int QtPrintSurface::textWidth(std::string_view text) {
  return painter_.fontMetrics().horizontalAdvance(qtkit::qstr(text));
}

void QtPrintSurface::textOut(int x, int y, std::string_view text) {
  painter_.drawText(QPoint(x, y + ascent_), qtkit::qstr(text));
}

void QtPrintSurface::setPenWidth(int width) {
  painter_.setPen(QPen(QBrush(Qt::black), width, Qt::SolidLine, Qt::RoundCap));
}

void QtPrintSurface::moveTo(int x, int y) {
  pen_ = QPoint(x, y);
}

void QtPrintSurface::lineTo(int x, int y) {
  const QPoint to(x, y);
  painter_.drawLine(pen_, to);
  pen_ = to;
}

PrintSurfaceFactory qtPrintSurfaces() {
  return [](QPrinter& printer) { return std::make_unique<QtPrintSurface>(printer); };
}

PrintOutcome runPrintJob(Dialogs& dialogs, const PrintSurfaceFactory& surfaces,
                         const QString& documentName,
                         const std::function<bool(PrintSurface&)>& layout) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(documentName);
  if (!dialogs.printDialog(printer)) return PrintOutcome::Cancelled;
  const std::unique_ptr<PrintSurface> surface = surfaces(printer);
  if (layout(*surface)) return PrintOutcome::Printed;
  dialogs.message(QString::fromStdString(surface->errorText()));
  return PrintOutcome::Failed;
}

PrintOutcome runPrintPreview(Dialogs& dialogs, const PrintSurfaceFactory& surfaces,
                             const QString& documentName,
                             const std::function<bool(PrintSurface&)>& layout) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(documentName);
  QString error;
  const bool printed = dialogs.printPreview(printer, [&](QPrinter& target) {
    const std::unique_ptr<PrintSurface> surface = surfaces(target);
    if (!layout(*surface) && error.isEmpty()) error = QString::fromStdString(surface->errorText());
  });
  if (!error.isEmpty()) {
    dialogs.message(error);
    return PrintOutcome::Failed;
  }
  return printed ? PrintOutcome::Printed : PrintOutcome::Cancelled;
}

QString todayShortDate() {
  return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

void printFromWindow(QWidget& window, bool preview, Dialogs& dialogs,
                     const PrintSurfaceFactory& surfaces,
                     const std::function<bool(PrintSurface&)>& layout) {
  const PrintOutcome outcome =
      preview ? runPrintPreview(dialogs, surfaces, window.windowTitle(), layout)
              : runPrintJob(dialogs, surfaces, window.windowTitle(), layout);
  if (outcome == PrintOutcome::Printed) window.close();
}

}  // namespace qtkit
