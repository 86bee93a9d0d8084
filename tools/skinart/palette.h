// The colours of one program's skin. Both skins share the construction and
// differ in their accent.
#pragma once

#include <QColor>

namespace skinart {

struct Palette {
  QColor base{0x1b, 0x1f, 0x26};        // window body
  QColor panel{0x26, 0x2c, 0x35};       // raised panels
  QColor panelLight{0x34, 0x3c, 0x48};  // panel gradient top
  QColor well{0x12, 0x15, 0x1a};        // recesses behind controls
  QColor edgeLight{0x4a, 0x54, 0x62};   // bevel highlight
  QColor edgeDark{0x0a, 0x0c, 0x10};    // bevel shadow
  QColor faceTop{0x44, 0x4d, 0x5b};     // button gradient
  QColor faceBottom{0x2b, 0x31, 0x3b};
  QColor glyph{0xe8, 0xec, 0xf2};
  QColor glyphDisabled{0x5c, 0x63, 0x6d};
  QColor accent{0x2e, 0xc4, 0xb6};
  QColor record{0xe5, 0x48, 0x4d};
  QColor screen{0x05, 0x06, 0x08};
};

inline Palette VelbinPalette() { return Palette{}; }

inline Palette TarrowPalette() {
  Palette palette;
  palette.accent = QColor(0xf5, 0xa5, 0x24);
  return palette;
}

}  // namespace skinart
