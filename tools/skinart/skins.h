// Every bitmap and the icon of each program's skin.
#pragma once

#include "tools/skinart/artwork.h"

namespace skinart {

ArtSet DrawVelbinSkin();
ArtSet DrawTarrowSkin();

// The program icon, 128 x 128 with alpha, in the program's accent.
QImage DrawProgramIcon(const struct Palette& palette);

}  // namespace skinart
