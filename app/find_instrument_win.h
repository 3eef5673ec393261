// "Znajdź przyrząd…": listens to the computer's serial lines for the instrument's own
// measurement frames (never writing to them), lists what each line turned out to be, and
// makes a port name lead to the line chosen.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "link/instrument_probe.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace app {

struct FindInstrumentTexts {
  const char* menuItem;
  const char* title;
  const char* searching;
  const char* noLines;
  const char* noneFound;
  const char* found;  // %1: how many
  const char* instrument;
  const char* noInstrument;
  const char* busy;
  const char* cannotOpen;
  const char* portName;
  const char* use;
  const char* again;
  const char* close;
  const char* cannotLink;  // %1: the port name, %2: why
};
inline constexpr FindInstrumentTexts kFindInstrumentPl{
    "Znajdź przyrząd…", "Znajdź przyrząd", "Nasłuchiwanie na liniach szeregowych…",
    "Brak linii szeregowych.", "Nie znaleziono przyrządu.", "Znalezione przyrządy: %1",
    "przyrząd LT-40", "brak przyrządu", "zajęta", "nie można otworzyć", "Nazwa portu:", "Użyj",
    "Szukaj ponownie", "Zamknij", "Nie można nadać nazwy %1: %2"};
inline constexpr FindInstrumentTexts kFindInstrumentEn{
    "Find instrument…", "Find instrument", "Listening on the serial lines…", "No serial lines.",
    "No instrument found.", "Instruments found: %1", "LT-40 instrument", "no instrument", "busy",
    "cannot open", "Port name:", "Use", "Search again", "Close", "Cannot name the port %1: %2"};
inline constexpr FindInstrumentTexts kFindInstrumentIt{
    "Trova strumento…", "Trova strumento", "Ascolto sulle linee seriali…",
    "Nessuna linea seriale.", "Nessuno strumento trovato.", "Strumenti trovati: %1",
    "strumento LT-40", "nessuno strumento", "occupata", "impossibile aprire",
    "Nome della porta:", "Usa", "Cerca di nuovo", "Chiudi",
    "Impossibile assegnare il nome %1: %2"};

class TFindInstrumentWin : public QDialog {
 public:
  using ListLines = std::function<std::vector<std::string>()>;
  using Probe =
      std::function<std::vector<devlink::ProbeResult>(const std::vector<std::string>&)>;
  // `chosen` gets the number n of the name "COMn" once it leads to the chosen line.
  TFindInstrumentWin(const FindInstrumentTexts& texts, ListLines lines, Probe probe,
                     std::function<void(int)> chosen, QWidget* parent = nullptr);
  ~TFindInstrumentWin() override;

  // Listens to every line again (on a thread of its own; the window stays responsive).
  void search();
  bool searching() const { return searching_; }

  QLabel* Status = nullptr;
  QListWidget* Results = nullptr;  // one row per line; its data: the device path
  QComboBox* PortName = nullptr;   // COM1 … COM20
  QPushButton* Use = nullptr;
  QPushButton* Again = nullptr;
  QPushButton* Close = nullptr;

 private:
  void showResults(const std::vector<devlink::ProbeResult>& results);
  void useSelected();
  void updateButtons();

  const FindInstrumentTexts& texts_;
  ListLines lines_;
  Probe probe_;
  std::function<void(int)> chosen_;
  std::thread worker_;
  bool searching_ = false;
};

}  // namespace app
