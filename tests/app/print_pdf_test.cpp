// Both printouts through the real print surface into PDF files, read back with poppler's
// pdftotext -bbox: every text on its page, lines in order from top to bottom, words in order
// from left to right, each text's top at the y its layout gave it; the face asked for is the
// face embedded; an unwritable file is reported with the system's reason and keeps the window
// open. The print ascent of two faces, one whose typographic ascent is shorter than its full
// one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextDocumentFragment>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <memory>

#include "calibration/calibration_card.h"
#include "calibration/print_data_win.h"
#include "qtkit/dialogs.h"
#include "qtkit/language.h"
#include "qtkit/qt_print_surface.h"
#include "report/layout_helpers.h"
#include "report/raport_win.h"
#include "report/report_layout.h"
#include "report/spin_edit.h"

namespace {

struct Word {
  int page;
  double x;
  double y;  // top
  QString text;
};

QString run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
  return QString::fromUtf8(p.readAllStandardOutput());
}

std::vector<Word> pdfWords(const QString& pdf) {
  const QString html = run(QStringLiteral("pdftotext"), {"-bbox", pdf, "-"});
  std::vector<Word> words;
  int page = 0;
  static const QRegularExpression tag(
      R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re");
  for (auto it = tag.globalMatch(html); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    if (m.captured(0).startsWith(QLatin1String("<page"))) {
      ++page;
      continue;
    }
    words.push_back({page, m.captured(1).toDouble(), m.captured(2).toDouble(),
                     QTextDocumentFragment::fromHtml(m.captured(3)).toPlainText()});
  }
  return words;
}

int pageCount(const std::vector<Word>& words) {
  return words.empty() ? 0 : words.back().page;
}

// The page's words as lines from top to bottom, words left to right; a word whose top is
// within 2 pt of a line's top belongs to it.
QStringList pageLines(std::vector<Word> words, int page) {
  std::erase_if(words, [page](const Word& w) { return w.page != page; });
  std::sort(words.begin(), words.end(), [](const Word& a, const Word& b) {
    return std::abs(a.y - b.y) >= 2 ? a.y < b.y : a.x < b.x;
  });
  QStringList lines;
  double top = -100;
  for (const Word& w : words) {
    if (std::abs(w.y - top) >= 2) {
      lines << w.text;
      top = w.y;
    } else {
      lines.back() += QLatin1Char(' ') + w.text;
    }
  }
  return lines;
}

// Each expected text stands on a line of its own below the previous one's line.
void expectLines(const std::vector<Word>& words, int page, const QStringList& expected) {
  const QStringList lines = pageLines(words, page);
  qsizetype at = -1;
  for (const QString& text : expected) {
    qsizetype found = at + 1;
    while (found < lines.size() && !lines[found].contains(text)) ++found;
    EXPECT_LT(found, lines.size()) << "page " << page << ": \"" << text.toStdString()
                                   << "\" not found below line " << at << " in\n"
                                   << lines.join('\n').toStdString();
    if (found < lines.size()) at = found;
  }
}

// The first word reading `text` on `page`, or nullptr.
const Word* findWord(const std::vector<Word>& words, int page, const QString& text) {
  for (const Word& w : words) {
    if (w.page == page && w.text == text) return &w;
  }
  return nullptr;
}

// Where the print job's page lies on the PDF page, to turn device units into points.
struct PageGeometry {
  double topPt = 0;  // top of the printable area, in points from the top of the sheet
  int resolution = 0;
  int height = 0;  // PH, device units
  double pt(int y) const { return topPt + y * 72.0 / resolution; }
};

// Real print surfaces that note the geometry of the printer they draw on.
qtkit::PrintSurfaceFactory notingSurfaces(PageGeometry& geometry) {
  return [&geometry](QPrinter& printer) {
    geometry = {printer.pageRect(QPrinter::Point).top(), printer.resolution(), printer.height()};
    return std::make_unique<qtkit::QtPrintSurface>(printer);
  };
}

// Faces on this machine: Wine's Tahoma, whose typographic ascent (which Qt takes, the face
// asking for it) is 0.235 em shorter than its full ascent, and DejaVu Sans, where Qt's
// ascent is the full one.
struct Face {
  const char* family;
  const char* file;
  int fullAscent;  // OS/2 usWinAscent, font units
  int qtAscent;    // the ascent Qt reports, font units
  int unitsPerEm;
};
constexpr Face kFaces[] = {
    {"Tahoma", "/usr/share/wine/fonts/tahoma.ttf", 2049, 1566, 2048},
    {"DejaVu Sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 1901, 1901, 2048},
};

// A text of a printout: its page, a word of it, the y its layout gives it, its point size.
struct PlacedText {
  int page;
  const char* text;
  int y;
  int size;
};

// The baseline of the word `text` on `page` lies the face's full ascent below the y its
// layout gave it. pdftotext puts a word's top the ascent named by the PDF's font above the
// baseline, and Qt names there the ascent it takes for the face; so the word's top reads
// (full ascent - Qt's ascent) below y.
void expectTopAt(const std::vector<Word>& words, int page, const char* text, const PageGeometry& g,
                 int y, const Face& face, int pointSize) {
  const Word* w = findWord(words, page, QString::fromUtf8(text));
  ASSERT_NE(w, nullptr) << "\"" << text << "\" not on page " << page;
  const double below = double(face.fullAscent - face.qtAscent) / face.unitsPerEm * pointSize;
  EXPECT_NEAR(w->y, g.pt(y) + below, 0.3) << "\"" << text << "\" on page " << page;
}

bool provide(const Face& face) {
  if (!QFileInfo::exists(QString::fromLatin1(face.file))) return false;
  if (!QFontDatabase::families().contains(QString::fromLatin1(face.family))) {
    QFontDatabase::addApplicationFont(QString::fromLatin1(face.file));
  }
  return QFontDatabase::families().contains(QString::fromLatin1(face.family));
}

TEST(PrintAscent, IsTheFacesFullAscentWhateverQtTakesForItsAscent) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  for (const Face& face : kFaces) {
    SCOPED_TRACE(face.family);
    if (!provide(face)) {
      ADD_FAILURE() << face.file << " missing: install fonts-wine and fonts-dejavu-core";
      continue;
    }
    for (const int size : {8, 10, 12, 24}) {
      QFont font(QString::fromLatin1(face.family));
      font.setPointSize(size);
      const double em = size * printer.resolution() / 72.0;
      EXPECT_NEAR(qtkit::printAscent(font, &printer), em * face.fullAscent / face.unitsPerEm, 0.01)
          << size << " pt";
      // The face is the one meant: Qt's own ascent is the one it takes for it.
      EXPECT_NEAR(QFontMetricsF(font, &printer).ascent(), em * face.qtAscent / face.unitsPerEm, 1.0)
          << size << " pt";
    }
  }
}

class PrintPdf : public ::testing::Test {
 protected:
  void SetUp() override {
    QProcess probe;
    probe.start(QStringLiteral("pdftotext"), {QStringLiteral("-v")});
    ASSERT_TRUE(probe.waitForFinished(30000) && probe.exitCode() == 0)
        << "pdftotext missing: install poppler-utils (tools/deps.sh)";
    if (qEnvironmentVariableIsSet("HALVEX_KEEP_TEST_FILES")) dir.setAutoRemove(false);
    qtkit::LanguageCode = "pl";
    mainWin.show();
  }

  QString dataFile(int lines) {
    const QString path = dir.filePath(QStringLiteral("pomiar.HVD"));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    for (int i = 1; i <= lines; ++i) f.write(" " + QByteArray::number(i * 1.5, 'f', 3) + "\r\n");
    return path;
  }

  QTemporaryDir dir;
  QWidget mainWin;
  qtkit::ScriptedDialogs dialogs;
};

TEST_F(PrintPdf, BothDocumentsLandOnTheirPagesInOrder) {
  // The measurement report, 32 results: 31 on page 1 and the 32nd on page 2.
  PageGeometry rg;
  auto* report = new report::TRaport_Win(&mainWin, dialogs, {}, notingSurfaces(rg));
  report->Edit1->setText("Instytut Fizyki");
  report->Edit2->setText("Kraków");
  report->ComboBox1->setCurrentIndex(2);
  report->Edit4->setText("16,7");
  report->Edit3->setText("Hala produkcyjna");
  report->Edit5->setText("10.03.2025");
  report->Edit6->setText("Jan Nowak");
  report->Edit7->setText("Transformator 15 kV");
  dialogs.fileAnswers << dataFile(32);
  report->ZplikuClick();
  QAbstractItemModel* grid = report->Wyniki->model();
  QString longLocation;
  for (int i = 1; longLocation.size() < 300; ++i) longLocation += QStringLiteral("punkt%1 ").arg(i);
  longLocation.truncate(300);
  grid->setData(grid->index(0, 1), longLocation);
  grid->setData(grid->index(0, 3), QStringLiteral("przy oknie"));
  grid->setData(grid->index(31, 1), QStringLiteral("ostatni"));
  const QString reportPdf = dir.filePath(QStringLiteral("raport.pdf"));
  dialogs.printAnswers << reportPdf;
  report->Button1Click();

  const std::vector<Word> r = pdfWords(reportPdf);
  ASSERT_EQ(pageCount(r), 2);
  expectLines(r, 1,
              {"HALVEX H", "wersja 2.1 Strona 1", "Instytut Fizyki", "Kraków", "RAPORT",
               "z pomiarów natężenia pola magnetycznego zmiennego f = 16,7",
               "Miejsce pomiarów: Hala produkcyjna", "Data pomiarów: 10.03.2025",
               "Pomiar wykonał: Jan Nowak", "Dane o źródle pola: Transformator 15 kV",
               "L.p. Miejsce Indukcja pola Uwaga", "1 punkt1 punkt2", "2 3.000", "31 46.500"});
  expectLines(
      r, 2,
      {"HALVEX H", "wersja 2.0 Strona 2", "L.p. Miejsce Indukcja pola Uwaga", "32 ostatni 48.000"});
  for (const Word& w : r) EXPECT_NE(w.page == 2 ? w.text : QString(), "31");
  // Each text's top at its y: the first row on line 18 below the rule at 18H - 3, the 32nd
  // on line 6 of page 2 below the rule at 6H - 3, the headings on 16.5·H and 4.5·H.
  const Face& printed = provide(kFaces[0]) ? kFaces[0] : kFaces[1];
  const int H = rg.height / 50;
  const PlacedText reportTexts[] = {
      {1, "HALVEX", H, 12},
      {1, "RAPORT", 7 * H, 24},
      {1, "Uwaga", report::roundedTenths(165, H), 12},
      {1, "punkt1", 18 * H, 12},
      {1, "przy", 18 * H, 12},
      {2, "Uwaga", report::roundedTenths(45, H), 12},
      {2, "ostatni", 6 * H, 12},
      {2, "48.000", 6 * H, 12},
  };
  for (const PlacedText& t : reportTexts) expectTopAt(r, t.page, t.text, rg, t.y, printed, t.size);

  // The calibration card of a data set with placeholders and a readback's hidden gain.
  calibration::CalibrationData data;
  calibration::MarkPlaceholderCells(data);
  data.setCell(calibration::Grid::X, 1, 1, "0.12345");
  data.setCell(calibration::Grid::X, 1, 7, "0.00042");
  data.setCell(calibration::Grid::S_Faza, 1, 4, "17");
  PageGeometry cg;
  auto* card = new calibration::TPrintDataWin(&mainWin, data, dialogs, notingSurfaces(cg));
  card->NrSer->setText("40-123");
  card->Sonda->setText("S-7");
  card->Klient->setText("Vantorel");
  const QString cardPdf = dir.filePath(QStringLiteral("karta.pdf"));
  dialogs.printAnswers << cardPdf;
  card->Button1Click();

  const std::vector<Word> c = pdfWords(cardPdf);
  ASSERT_EQ(pageCount(c), 2);
  expectLines(c, 1,
              {"HALVEX H", "wersja 2.0", "KARTA KALIBRACYJNA", "miernika typu LT - 40",
               "Data wydruku: " + qtkit::todayShortDate(), "Numer seryjny: 40-123", "Sonda: S-7",
               "Klient: Vantorel", "L.p. Funkcja Wartość",
               "1. Oś X, DC, zakres 1, wzmocnienie 0.12345", "2. Oś X, DC, zakres 1, offset -",
               "7. Oś X, DC, zakres 4, wzmocnienie 0.00042", "44. Oś Y, AC, zakres 3, offset"});
  expectLines(c, 2,
              {"L.p. Funkcja Wartość", "45. Oś Z, DC, zakres 1, wzmocnienie",
               "67. Współczynnik temp.", "92. Faza, zakres 3000 mT 17"});
  const int h = cg.height / 70;
  const PlacedText cardTexts[] = {
      {1, "KARTA", 7 * h, 24},
      {1, "Wartość", report::roundedTenths(205, h), 10},
      {1, "0.12345", 23 * h, 10},
      {1, "44.", 66 * h, 10},
      {2, "Wartość", report::roundedTenths(25, h), 10},
      {2, "45.", 5 * h, 10},
      {2, "17", 52 * h, 10},
  };
  for (const PlacedText& t : cardTexts) expectTopAt(c, t.page, t.text, cg, t.y, printed, t.size);
  EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();

  // The face asked for is the one embedded, when Debian's fonts-wine is installed.
  if (QFileInfo::exists(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"))) {
    EXPECT_TRUE(run(QStringLiteral("pdffonts"), {reportPdf}).contains(QLatin1String("Tahoma")));
  }
}

TEST_F(PrintPdf, TextTopsLandAtTheirYInEachFace) {
  const QString pdf = dir.filePath(QStringLiteral("faces.pdf"));
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  PageGeometry g;
  const std::unique_ptr<qtkit::PrintSurface> surface = notingSurfaces(g)(printer);
  ASSERT_TRUE(surface->begin());
  struct Row {
    const Face& face;
    int pointSize;
    int y;
    const char* text;
  };
  const Row rows[] = {
      {kFaces[0], 12, 1000, "Łódź"},   {kFaces[0], 24, 2000, "ŻÓŁW"}, {kFaces[0], 8, 3000, "32."},
      {kFaces[1], 12, 4000, "Kraków"}, {kFaces[1], 24, 5000, "ĘĄŚ"},
  };
  for (const Row& r : rows) {
    if (!provide(r.face)) continue;
    surface->setFont(r.face.family, r.pointSize);
    surface->textOut(500, r.y, r.text);
  }
  ASSERT_TRUE(surface->end());

  const std::vector<Word> words = pdfWords(pdf);
  for (const Row& r : rows) {
    if (!provide(r.face)) continue;
    SCOPED_TRACE(std::string(r.face.family) + " " + std::to_string(r.pointSize) + " pt");
    expectTopAt(words, 1, r.text, g, r.y, r.face, r.pointSize);
  }
}

TEST_F(PrintPdf, UnwritableFileIsReportedWithTheSystemsReason) {
  QPointer<calibration::TPrintDataWin> card =
      new calibration::TPrintDataWin(&mainWin, calibration::CalibrationData{}, dialogs);
  card->NrSer->setText("40-123");
  const QString pdf = dir.filePath(QStringLiteral("no-such-folder/karta.pdf"));
  dialogs.printAnswers << pdf;
  card->Button1Click();
  ASSERT_EQ(dialogs.messages.size(), 1);
  EXPECT_EQ(dialogs.messages[0], QString::fromUtf8(qtkit::kPrintErrorText) +
                                     QDir::toNativeSeparators(pdf) +
                                     QStringLiteral(": No such file or directory"));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_FALSE(card.isNull());
  EXPECT_EQ(card->NrSer->text(), "40-123");
  delete card;
}

// Closes every modal dialog as soon as it is up, as a user pressing its close box, and
// counts them (so an unexpected message box fails the test instead of blocking it).
class ModalCloser {
 public:
  ModalCloser() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        ++closed;
        dialog->reject();
      }
    });
    timer_.start();
  }
  int closed = 0;

 private:
  QTimer timer_;
};

TEST_F(PrintPdf, RealPrintAndPreviewDialogsCancelWithoutPrinting) {
  qtkit::QtDialogs real(&mainWin);
  int layouts = 0;
  const auto layout = [&layouts](qtkit::PrintSurface& s) {
    ++layouts;
    return report::printReport(report::kReportTextsPl, {}, {}, s);
  };
  ModalCloser user;
  EXPECT_EQ(qtkit::runPrintJob(real, qtkit::qtPrintSurfaces(), "Raport", layout),
            qtkit::PrintOutcome::Cancelled);
  EXPECT_EQ(layouts, 0);
  EXPECT_EQ(user.closed, 1);
  EXPECT_EQ(qtkit::runPrintPreview(real, qtkit::qtPrintSurfaces(), "Raport", layout),
            qtkit::PrintOutcome::Cancelled);
  EXPECT_GE(layouts, 1);  // the preview painted the document on its own surface
  EXPECT_EQ(user.closed, 2);
}

}  // namespace
