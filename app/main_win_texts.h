#pragma once
// The main window's caption tables: Polish, English and Italian, 71 texts each,
// addressed by entry number (UTF-8). zmienJezyk writes one of them into the window.
#include <array>
#include <string>

namespace app {

inline constexpr int kCaptionCount = 71;
using CaptionTable = std::array<const char*, kCaptionCount>;

extern const CaptionTable kPolishCaptions;
extern const CaptionTable kEnglishCaptions;
extern const CaptionTable kItalianCaptions;

// "pl" → Polish, "en" → English, anything else (also "it" and "") → Italian.
const CaptionTable& captionTableFor(const std::string& code);
// The language of one of the three tables: "pl", "en" or "it".
const char* languageOf(const CaptionTable& table);

// Hints of the buttons that show (PokazSerwis) and hide (UkrysSerwis) the calibration
// panel; the caption tables have no entries for them, so they follow the table's language.
struct PanelButtonHints {
  const char* show;
  const char* hide;
};
inline constexpr PanelButtonHints kPanelHintsPl{"Pokaż panel kalibracji", "Ukryj panel kalibracji"};
inline constexpr PanelButtonHints kPanelHintsEn{"Show the calibration panel",
                                                "Hide the calibration panel"};
inline constexpr PanelButtonHints kPanelHintsIt{"Mostra il pannello di calibrazione",
                                                "Nascondi il pannello di calibrazione"};
const PanelButtonHints& panelHintsFor(const CaptionTable& table);

// The connection's own texts beside the caption tables: the "Ustawienia" item that turns
// reconnecting by itself on and off, and the status bar's word when the line went away
// (%1: the port's name).
// The same for the CSV recordings' "Format CSV" submenu and its two styles.
struct ConnectionTexts {
  const char* autoReconnect;
  const char* lost;
  const char* csvFormat;
  const char* csvComma;
  const char* csvSemicolon;
};
inline constexpr ConnectionTexts kConnectionTextsPl{
    "Automatyczne ponowne łączenie", "Utracono połączenie z %1", "Format CSV",
    "Przecinki, kropka dziesiętna", "Średniki, przecinek dziesiętny"};
inline constexpr ConnectionTexts kConnectionTextsEn{
    "Reconnect automatically", "Connection to %1 lost", "CSV format", "Commas, decimal point",
    "Semicolons, decimal comma"};
inline constexpr ConnectionTexts kConnectionTextsIt{
    "Riconnessione automatica", "Connessione con %1 persa", "Formato CSV",
    "Virgole, punto decimale", "Punti e virgola, virgola decimale"};
const ConnectionTexts& connectionTextsFor(const CaptionTable& table);

// Entry numbers that the window reads for texts that depend on a state.
namespace caption {
inline constexpr int kVector = 0;
inline constexpr int kConnect = 10;
inline constexpr int kDisconnect = 11;
inline constexpr int kSaveToFile = 12;
inline constexpr int kStopSaving = 13;
inline constexpr int kReceive = 20;
inline constexpr int kCancelReadback = 66;
inline constexpr int kCloseQuestion = 67;
inline constexpr int kClearChartHint = 68;
inline constexpr int kHoldHint = 69;
}  // namespace caption

}  // namespace app

namespace app {

// Entries of the caption table that name the remote-control menu's submenus and items,
// by object name (link/remote_control.h).
struct RemoteMenuCaption {
  int entry;
  const char* name;
};
inline constexpr RemoteMenuCaption kRemoteMenuCaptions[] = {
    {47, "Trybpomiaru1"}, {48, "Nastawy1"}, {49, "Funkcjedodatkowe1"}, {50, "Polemagnetyczne1"},
    {51, "Ekstremum1"},   {53, "Nie1"},     {53, "Nie6"},              {53, "Nie7"},
    {53, "Nie8"},         {54, "Zakres1"},  {55, "Osie1"},             {56, "Jednostki1"},
    {57, "Wektor1"},      {58, "Zerowanie1"}, {59, "Filtr1"},          {60, "Aktywny1"},
    {61, "Wyniki1"},      {62, "Jzyk1"},    {63, "Tak3"},              {63, "Tak4"},
    {64, "Polski1"},      {65, "Angielski1"}, {70, "Max2"},
};

}  // namespace app
