#include "app/main_win_texts.h"

namespace app {
const CaptionTable kPolishCaptions = {
    "Wektor",       //  0 group box of the reading (GroupBox1) (also the word for the vector axis)
    "Temperatura",  //  1 group box " Temperatura "
    "Funkcje",      //  2 group box " Funkcje "
    "Osie",         //  3 group box " Osie "
    "Obróbka danych",                             //  4 check box Dane
    "Minimum:",                                   //  5 label "Minimum:"
    "Maksimum:",                                  //  6 label "Maximum:"
    "Średnia:",                                   //  7 label "Średnia:"
    "Filtr cyfrowy",                              //  8 check box filtr
    "  Sterowanie",                               //  9 control panel heading
    "Połącz",                                     // 10 button S_Polacz, connection closed
    "Rozłącz",                                    // 11 button S_Polacz, connection open
    "Zapisz do pliku",                            // 12 button S_Zapisz, not recording
    "Zakoncz zapis",                              // 13 button S_Zapisz, recording
    "Dane z urządzenia",                          // 14 not applied
    "Otwórz plik",                                // 15 not applied
    "Autoskalowanie",                             // 16 check box "Autoskalowanie"
    "Dane z urządzenia",                          // 17 button "Dane z urządzenia"
    "Otwórz plik",                                // 18 button "Otwórz plik"
    "Wyślij",                                     // 19 button Wyslij
    "Odbierz",                                    // 20 button Odbierz, idle
    "Otwórz",                                     // 21 button Otworz
    "Zapisz",                                     // 22 button Zapisz
    "Zapisz do EEPROM",                           // 23 check box SaveEPROM
    "Numer sondy:",                               // 24 label "Numer sondy:"
    "&Plik",                                      // 25 menu Plik1
    "&Widok",                                     // 26 menu Widok1
    "&Serwis",                                    // 27 menu Serwis
    "&Ustawienia",                                // 28 menu Ustawienia
    "S&terowanie przyrządem",                     // 29 menu Sterowanie
    "&Raport",                                    // 30 menu Raport1
    "&Pomoc",                                     // 31 menu Pomoc1
    "&Otwórz plik...",                            // 32 item Otwrz1
    "&Zapisz do pliku...",                        // 33 item Zapisz1
    "&Zakończ zapisywanie do pliku",              // 34 item Zakoncz
    "Pobierz wyniki z urządzenia",                // 35 item Pobierzwynikizurzdzenia1
    "Koniec",                                     // 36 item Koniec1
    "Obróbka danych",                             // 37 item Minmax1
    "Dane z urządzenia",                          // 38 item Danezurzdzenia1
    "Zmień użytkownika...",                       // 39 item Zmieuytkownika1
    "Wyjdź z trybu serwisowego",                  // 40 item Wyjdztryb1
    "Połączony",                                  // 41 item Poczony1
    "Parametry transmisji",                       // 42 item Trans
    "Tryb serwisowy",                             // 43 item Ustawieniaserwisowe1
    "Zmień język...",                             // 44 item Zmiejzyk1
    "Twórz raport...",                            // 45 item Twrzraport1
    "O programie",                                // 46 item OProgramie1
    "Tryb pomiaru",                               // 47 item Trybpomiaru1
    "Nastawy",                                    // 48 item Nastawy1
    "Funkcje dodatkowe",                          // 49 item Funkcjedodatkowe1
    "Pole magnetyczne",                           // 50 item Polemagnetyczne1
    "Ekstremum",                                  // 51 item Ekstremum1
    "Gradient",                                   // 52 not applied
    "Nie",                                        // 53 items Nie1, Nie6, Nie7, Nie8
    "Zakres",                                     // 54 item Zakres1
    "Osie",                                       // 55 item Osie1
    "Jednostki",                                  // 56 item Jednostki1
    "Wektor",                                     // 57 item Wektor1
    "Zerowanie",                                  // 58 item Zerowanie1
    "Filtr",                                      // 59 item Filtr1
    "Aktywny",                                    // 60 item Aktywny1
    "Wyniki",                                     // 61 item Wyniki1
    "Język",                                      // 62 item Jzyk1
    "Tak",                                        // 63 items Tak3, Tak4
    "Polski",                                     // 64 item Polski1
    "Angielski",                                  // 65 item Angielski1
    "Przerwij",                                   // 66 button Odbierz during a calibration readback
    "Czy na pewno zakończyć pracę z programem?",  // 67 close question
    "Kasuj wykres",                               // 68 hint of the clear button Kosz
    "Blokuj wynik",                               // 69 hint of the hold toggle Wstrzymaj
    "Tak",                                        // 70 item Max2 (under "Ekstremum")
};

const CaptionTable kEnglishCaptions = {
    "Vector",       //  0 group box of the reading (GroupBox1) (also the word for the vector axis)
    "Temperature",  //  1 group box " Temperatura "
    "Functions",    //  2 group box " Funkcje "
    "Axis",         //  3 group box " Osie "
    "Data processing",               //  4 check box Dane
    "Minimum:",                      //  5 label "Minimum:"
    "Maximum:",                      //  6 label "Maximum:"
    "Average:",                      //  7 label "Średnia:"
    "Digital filter",                //  8 check box filtr
    "  Control",                     //  9 control panel heading
    "Connect",                       // 10 button S_Polacz, connection closed
    "Disconnect",                    // 11 button S_Polacz, connection open
    "Save as...",                    // 12 button S_Zapisz, not recording
    "Stop saving",                   // 13 button S_Zapisz, recording
    "Data from instrument",          // 14 not applied
    "Open file",                     // 15 not applied
    "Autoscale",                     // 16 check box "Autoskalowanie"
    "Data from instrument",          // 17 button "Dane z urządzenia"
    "Open file",                     // 18 button "Otwórz plik"
    "Send",                          // 19 button Wyslij
    "Receive",                       // 20 button Odbierz, idle
    "Open",                          // 21 button Otworz
    "Save",                          // 22 button Zapisz
    "Save to EEPROM",                // 23 check box SaveEPROM
    "Probe number",                  // 24 label "Numer sondy:"
    "&File",                         // 25 menu Plik1
    "&View",                         // 26 menu Widok1
    "&Service",                      // 27 menu Serwis
    "Se&ttings",                     // 28 menu Ustawienia
    "&Remote control",               // 29 menu Sterowanie
    "Re&port",                       // 30 menu Raport1
    "&Help",                         // 31 menu Pomoc1
    "&Open...",                      // 32 item Otwrz1
    "&Save as...",                   // 33 item Zapisz1
    "S&top saving file",             // 34 item Zakoncz
    "Take results from instrument",  // 35 item Pobierzwynikizurzdzenia1
    "Quit",                          // 36 item Koniec1
    "Data processing",               // 37 item Minmax1
    "Data from instrument",          // 38 item Danezurzdzenia1
    "Change user...",                // 39 item Zmieuytkownika1
    "Quit from service mode",        // 40 item Wyjdztryb1
    "Connected",                     // 41 item Poczony1
    "Transmission parameters",       // 42 item Trans
    "Service mode",                  // 43 item Ustawieniaserwisowe1
    "Change language...",            // 44 item Zmiejzyk1
    "Create report...",              // 45 item Twrzraport1
    "About",                         // 46 item OProgramie1
    "Measuring mode",                // 47 item Trybpomiaru1
    "Settings",                      // 48 item Nastawy1
    "Miscellaneous",                 // 49 item Funkcjedodatkowe1
    "Magnetic field",                // 50 item Polemagnetyczne1
    "Peak hold",                     // 51 item Ekstremum1
    "Gradient",                      // 52 not applied
    "No",                            // 53 items Nie1, Nie6, Nie7, Nie8
    "Ranges",                        // 54 item Zakres1
    "Axis",                          // 55 item Osie1
    "Units",                         // 56 item Jednostki1
    "Vector",                        // 57 item Wektor1
    "Probe zeroing",                 // 58 item Zerowanie1
    "Filter",                        // 59 item Filtr1
    "Active",                        // 60 item Aktywny1
    "Results",                       // 61 item Wyniki1
    "Language",                      // 62 item Jzyk1
    "Yes",                           // 63 items Tak3, Tak4
    "Polish",                        // 64 item Polski1
    "English",                       // 65 item Angielski1
    "Cancel",                        // 66 button Odbierz during a calibration readback
    "Do you really want to close the application?",  // 67 close question
    "Clear chart",                                   // 68 hint of the clear button Kosz
    "Block chart",                                   // 69 hint of the hold toggle Wstrzymaj
    "Yes",                                           // 70 item Max2 (under "Ekstremum")
};

const CaptionTable kItalianCaptions = {
    "Vettore",      //  0 group box of the reading (GroupBox1) (also the word for the vector axis)
    "Temperatura",  //  1 group box " Temperatura "
    "Funzioni",     //  2 group box " Funkcje "
    "Asse",         //  3 group box " Osie "
    "Lavorazione dati",                 //  4 check box Dane
    "Minimo:",                          //  5 label "Minimum:"
    "Massimo:",                         //  6 label "Maximum:"
    "Media:",                           //  7 label "Średnia:"
    "Filtro digitale",                  //  8 check box filtr
    "  Controllo",                      //  9 control panel heading
    "Connetti",                         // 10 button S_Polacz, connection closed
    "Stacca",                           // 11 button S_Polacz, connection open
    "Salva con nome...",                // 12 button S_Zapisz, not recording
    "Termina salvataggio file",         // 13 button S_Zapisz, recording
    "Dati dall'apparato",               // 14 not applied
    "Apri file",                        // 15 not applied
    "Autoscala",                        // 16 check box "Autoskalowanie"
    "Dati dall'apparato",               // 17 button "Dane z urządzenia"
    "A pri file",                       // 18 button "Otwórz plik"
    "Spedire",                          // 19 button Wyslij
    "Rispondere",                       // 20 button Odbierz, idle
    "Apri",                             // 21 button Otworz
    "Salva",                            // 22 button Zapisz
    "Salva EEPROM",                     // 23 check box SaveEPROM
    "Numero sonda",                     // 24 label "Numer sondy:"
    "&File",                            // 25 menu Plik1
    "&Vista",                           // 26 menu Widok1
    "&Sevizio",                         // 27 menu Serwis
    "Se&ttaggio",                       // 28 menu Ustawienia
    "Controllo &remoto",                // 29 menu Sterowanie
    "Ra&pporto",                        // 30 menu Raport1
    "Aiuto-&help",                      // 31 menu Pomoc1
    "&Apri...",                         // 32 item Otwrz1
    "&Salva con nome...",               // 33 item Zapisz1
    "&Termina salvataggio file",        // 34 item Zakoncz
    "Preleva risultati dall'apparato",  // 35 item Pobierzwynikizurzdzenia1
    "Uscita",                           // 36 item Koniec1
    "Lavorazione dati",                 // 37 item Minmax1
    "Dati dall'apparato",               // 38 item Danezurzdzenia1
    "Cambia utente...",                 // 39 item Zmieuytkownika1
    "Uscita servizio",                  // 40 item Wyjdztryb1
    "Connesso",                         // 41 item Poczony1
    "Parametri trasmissione",           // 42 item Trans
    "Modalita di sevizio",              // 43 item Ustawieniaserwisowe1
    "Cambia lingua...",                 // 44 item Zmiejzyk1
    "Crea rapporto...",                 // 45 item Twrzraport1
    "Di",                               // 46 item OProgramie1
    "Modalita di misura",               // 47 item Trybpomiaru1
    "Settaggio",                        // 48 item Nastawy1
    "Funzioni miste",                   // 49 item Funkcjedodatkowe1
    "Campo magnetico",                  // 50 item Polemagnetyczne1
    "Valore di picco",                  // 51 item Ekstremum1
    "Gradient",                         // 52 not applied
    "No",                               // 53 items Nie1, Nie6, Nie7, Nie8
    "Gamme",                            // 54 item Zakres1
    "Asse",                             // 55 item Osie1
    "Unita",                            // 56 item Jednostki1
    "Vettore",                          // 57 item Wektor1
    "Sonda azzeramento",                // 58 item Zerowanie1
    "Filtro",                           // 59 item Filtr1
    "Attivo",                           // 60 item Aktywny1
    "Risultati",                        // 61 item Wyniki1
    "Lingua",                           // 62 item Jzyk1
    "Si'",                              // 63 items Tak3, Tak4
    "Polski",                           // 64 item Polski1
    "English",                          // 65 item Angielski1
    "Cancel",                           // 66 button Odbierz during a calibration readback
    "Vuoi chiudere l'applicativo?",     // 67 close question
    "Cancella andamento",               // 68 hint of the clear button Kosz
    "Blocca risultato",                 // 69 hint of the hold toggle Wstrzymaj
    "Si'",                              // 70 item Max2 (under "Ekstremum")
};

const CaptionTable& captionTableFor(const std::string& code) {
  if (code == "pl") return kPolishCaptions;
  if (code == "en") return kEnglishCaptions;
  return kItalianCaptions;  // "it" and every unknown or empty code
}

const char* languageOf(const CaptionTable& table) {
  if (table == kPolishCaptions) return "pl";
  if (table == kEnglishCaptions) return "en";
  return "it";
}

const PanelButtonHints& panelHintsFor(const CaptionTable& table) {
  if (table == kPolishCaptions) return kPanelHintsPl;
  if (table == kEnglishCaptions) return kPanelHintsEn;
  return kPanelHintsIt;
}

const ConnectionTexts& connectionTextsFor(const CaptionTable& table) {
  if (table == kPolishCaptions) return kConnectionTextsPl;
  if (table == kEnglishCaptions) return kConnectionTextsEn;
  return kConnectionTextsIt;
}

}  // namespace app
