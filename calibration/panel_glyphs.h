#pragma once
// The glyphs of the two buttons that show and hide the calibration panel: a small panel
// (light card, dark frame and title band) with a blue arrow, up for "show" and down for
// "hide". They carry their own light and dark parts, so they stand out on a light or a
// dark desktop, on the panel and over the chart alike.
#include <QIcon>

namespace calibration {

enum class PanelGlyph { Show, Hide };

// Shown a little larger than the other speed buttons' pictures, in the same 25 × 25 button.
inline constexpr int kPanelGlyphSize = 18;

QIcon panelGlyph(PanelGlyph which);

}  // namespace calibration
