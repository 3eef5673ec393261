#pragma once
// The remote-control menu "Sterowanie przyrzadem": every item with the command frame it
// sends (SendCommand with the letter, a and b = 0) and whether it clears the chart (a new
// mode, axis or unit makes the trace meaningless). The window builds the menu from these
// tables; the two language items also switch the window's captions.
//
// The order of the menu is the order of kRemoteItems: a submenu stands among its siblings
// where its first item comes (so "Zerowanie" comes before the submenus "Filtr" to "Język"
// of "Funkcje dodatkowe").
#include <cstdint>
#include <span>

namespace devlink {

// A submenu: its object name, the object name of the menu it hangs in ("" for the top
// menu itself), its caption as created.
struct RemoteSubmenu {
  const char* name;
  const char* parent;
  const char* caption;
};

// What an item does besides sending its frame.
enum class RemoteEffect : std::uint8_t { None, ClearsChart, PolishCaptions, EnglishCaptions };

struct RemoteItem {
  const char* name;    // object name, e.g. "Auto1"
  const char* parent;  // object name of its submenu
  const char* caption;
  char letter;
  std::uint8_t a;
  RemoteEffect effect;
};

inline constexpr const char* kRemoteMenuName = "Sterowanie";
inline constexpr const char* kRemoteMenuCaption = "Sterowanie przyrzadem";

// The submenus, each with the menu it hangs in; where it stands there follows kRemoteItems.
inline constexpr RemoteSubmenu kRemoteSubmenus[] = {
    {"Trybpomiaru1", "Sterowanie", "Tryb pomiaru"},
    {"Polemagnetyczne1", "Trybpomiaru1", "Pole magnetyczne"},
    {"Ekstremum1", "Trybpomiaru1", "Ekstremum"},
    {"Nastawy1", "Sterowanie", "Nastawy"},
    {"Zakres1", "Nastawy1", "Zakres"},
    {"Osie1", "Nastawy1", "Osie"},
    {"Jednostki1", "Nastawy1", "Jednostki"},
    {"Funkcjedodatkowe1", "Sterowanie", "Funkcje dodatkowe"},
    {"Filtr1", "Funkcjedodatkowe1", "Filtr"},
    {"Aktywny1", "Funkcjedodatkowe1", "Aktywny"},
    {"Wyniki1", "Funkcjedodatkowe1", "Wyniki"},
    {"Jzyk1", "Funkcjedodatkowe1", "Język"},
};

// In menu order. "Yes" of the results memory sends 1, as every other yes of this menu
// (the instrument switches its results memory on with 1).
inline constexpr RemoteItem kRemoteItems[] = {
    {"DC1", "Polemagnetyczne1", "DC", 'M', 0, RemoteEffect::ClearsChart},
    {"AC1", "Polemagnetyczne1", "AC", 'M', 2, RemoteEffect::ClearsChart},
    {"Max2", "Ekstremum1", "Yes", 'P', 1, RemoteEffect::None},
    {"Nie1", "Ekstremum1", "Nie", 'P', 0, RemoteEffect::None},
    {"Auto1", "Zakres1", "Auto", 'R', 4, RemoteEffect::None},
    {"N20mT1", "Zakres1", "20 mT", 'R', 0, RemoteEffect::None},
    {"N200mT1", "Zakres1", "200mT", 'R', 1, RemoteEffect::None},
    {"N2000mT1", "Zakres1", "2000mT", 'R', 2, RemoteEffect::None},
    {"X1", "Osie1", "X", 'A', 0, RemoteEffect::ClearsChart},
    {"Y1", "Osie1", "Y", 'A', 1, RemoteEffect::ClearsChart},
    {"Z1", "Osie1", "Z", 'A', 2, RemoteEffect::ClearsChart},
    {"Wektor1", "Osie1", "Wektor", 'A', 3, RemoteEffect::ClearsChart},
    {"Gs1", "Jednostki1", "Gs", 'U', 2, RemoteEffect::ClearsChart},
    {"mT1", "Jednostki1", "mT", 'U', 0, RemoteEffect::ClearsChart},
    {"kAm1", "Jednostki1", "kA/m", 'U', 1, RemoteEffect::ClearsChart},
    {"Zerowanie1", "Funkcjedodatkowe1", "Zerowanie", 'H', 0, RemoteEffect::None},
    {"Tak3", "Filtr1", "Tak", 'F', 1, RemoteEffect::None},
    {"Nie6", "Filtr1", "Nie", 'F', 0, RemoteEffect::None},
    {"N3min1", "Aktywny1", "3 min.", 'T', 1, RemoteEffect::None},
    {"N6min1", "Aktywny1", "6 min.", 'T', 2, RemoteEffect::None},
    {"N12min1", "Aktywny1", "12 min.", 'T', 3, RemoteEffect::None},
    {"Nie7", "Aktywny1", "Nie", 'T', 0, RemoteEffect::None},
    {"Tak4", "Wyniki1", "Tak", 'B', 1, RemoteEffect::None},
    {"Nie8", "Wyniki1", "Nie", 'B', 0, RemoteEffect::None},
    {"Polski1", "Jzyk1", "Polski", 'N', 1, RemoteEffect::PolishCaptions},
    {"Angielski1", "Jzyk1", "Angielski", 'N', 0, RemoteEffect::EnglishCaptions},
};

}  // namespace devlink
