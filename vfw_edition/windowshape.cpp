#include "vfw_edition/windowshape.h"

#include <QPolygon>

QRegion ViewerWindowRegion() {
  static const int outline[][2] = {
      {3, 42},    {3, 102},   {12, 110},  {12, 190},  {3, 201},   {3, 296},   {10, 303},
      {10, 386},  {22, 398},  {100, 398}, {106, 391}, {271, 391}, {279, 398}, {406, 398},
      {424, 382}, {424, 318}, {412, 308}, {412, 250}, {424, 239}, {424, 180}, {536, 180},
      {536, 50},  {424, 50},  {424, 33},  {414, 25},  {333, 25},  {325, 31},  {260, 31},
      {253, 25},  {71, 25},   {63, 31},   {50, 31},   {41, 25},   {19, 25},   {3, 42}};
  static const int cutOuts[2][3][2] = {{{427, 58}, {416, 70}, {427, 70}},
                                       {{427, 95}, {416, 95}, {427, 107}}};
  QPolygon polygon;
  for (const auto& p : outline) polygon << QPoint(p[0], p[1]);
  QRegion region(polygon, Qt::WindingFill);
  for (const auto& triangle : cutOuts) {
    QPolygon cut;
    for (const auto& p : triangle) cut << QPoint(p[0], p[1]);
    region = region.subtracted(QRegion(cut, Qt::WindingFill));
  }
  return region;
}
