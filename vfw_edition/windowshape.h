// The outline of Tarrow's skinned main window: a 35-point polygon in window
// coordinates (the caption band above y = 25 is cut away) with two small
// triangles taken out of its right edge. Right of x = 424 lies the option
// panel, seen only while the window is wide.
#pragma once

#include <QRegion>

QRegion ViewerWindowRegion();

constexpr int kNarrowWindowWidth = 429;
constexpr int kWideWindowWidth = 536;
constexpr int kWindowHeight = 403;
// Where the client area starts inside the window: the width of the frame
// and the height of the caption the skin was drawn around.
constexpr int kClientLeft = 3;
constexpr int kClientTop = 22;
