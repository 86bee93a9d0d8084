// A drawn resource and the name its file takes ("STARTU", "139").
#pragma once

#include <QImage>
#include <QString>
#include <vector>

namespace skinart {

struct Artwork {
  QString name;
  QImage image;
};

using ArtSet = std::vector<Artwork>;

}  // namespace skinart
