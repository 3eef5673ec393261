#pragma once
// The real print surface: the printouts' calls drawn with QPainter on a QPrinter that the
// print dialog has set up (a system printer, or a PDF file). Also the print job the report
// and card windows run (dialog, layout, the system's error if the job fails) and today's date
// as the system writes it in short form.
#include <QPainter>
#include <QPoint>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "qtkit/print_surface.h"

class QFont;
class QPaintDevice;
class QPrinter;

namespace qtkit {

class Dialogs;

// Shown before what the system reported when a print job cannot start or fails.
inline constexpr const char* kPrintErrorText = "Błąd. Nie można drukować: ";
inline constexpr const char* kNoPrinterText = "brak drukarki";
inline constexpr const char* kPrinterFailedText = "drukarka zgłosiła błąd";

class QtPrintSurface : public PrintSurface {
 public:
  // `printer` must outlive the surface. A job still open when the surface goes is ended.
  explicit QtPrintSurface(QPrinter& printer);
  ~QtPrintSurface() override;

  bool begin() override;
  bool end() override;
  std::string errorText() const override { return error_; }
  int pageWidth() const override;  // the printer's paintable area in device pixels
  int pageHeight() const override;
  int pageNumber() const override { return page_; }
  void newPage() override;
  // A family the system does not know is looked for among Wine's fonts (Debian's
  // fonts-wine keeps its Tahoma there, outside the folders the system searches); failing
  // that, the system's nearest face stands in, and widths are measured in that face.
  void setFont(std::string_view family, int pointSize) override;
  int textWidth(std::string_view text) override;
  void textOut(int x, int y, std::string_view text) override;
  void setPenWidth(int width) override;
  void moveTo(int x, int y) override;
  void lineTo(int x, int y) override;

 private:
  void fail(const QString& detail);
  QString jobName() const;

  QPrinter& printer_;
  QPainter painter_;
  int ascent_ = 0;  // printAscent of the current font, rounded
  QPoint pen_;
  int page_ = 0;
  std::string error_;
};

// How far the baseline of `font` lies below the top of its character cell on `device`, in
// the device's units: the font's full ascent (OS/2 usWinAscent), the cell a text drawn from
// its top stands in on paper. Qt's own ascent is the typographic one for fonts that ask for
// it (Tahoma's is 0.235 em shorter), which would print every text that much too high. A font
// without an OS/2 table gives its hhea ascender, one without either Qt's ascent.
qreal printAscent(const QFont& font, const QPaintDevice* device);

// Makes the surface a print job draws on, for the printer the dialog set up. Tests give a
// factory of recording surfaces.
using PrintSurfaceFactory = std::function<std::unique_ptr<PrintSurface>(QPrinter&)>;
PrintSurfaceFactory qtPrintSurfaces();

enum class PrintOutcome { Cancelled, Printed, Failed };
// One print job: the print dialog; when the user prints, `layout` draws the whole document
// on a surface from `surfaces`. A job that fails shows kPrintErrorText and what the system
// reported through `dialogs`.
PrintOutcome runPrintJob(Dialogs& dialogs, const PrintSurfaceFactory& surfaces,
                         const QString& documentName,
                         const std::function<bool(PrintSurface&)>& layout);

// The same document in the print preview first; printing from the preview prints it. A job
// that fails (preview or print) shows kPrintErrorText and the system's reason.
PrintOutcome runPrintPreview(Dialogs& dialogs, const PrintSurfaceFactory& surfaces,
                             const QString& documentName,
                             const std::function<bool(PrintSurface&)>& layout);

// The print button of a printing window: the preview or the print dialog, then the
// window closes when the document went to the printer.
void printFromWindow(QWidget& window, bool preview, Dialogs& dialogs,
                     const PrintSurfaceFactory& surfaces,
                     const std::function<bool(PrintSurface&)>& layout);

// Today's date in the system's short date format (QLocale::system()).
QString todayShortDate();

}  // namespace qtkit
