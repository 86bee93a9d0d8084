#include "controls/camerahint.h"

#include <QCoreApplication>
#include <cstdio>

void PointToCameraDoctor(const char* what) {
  const QByteArray program = QCoreApplication::applicationName().toLocal8Bit();
  std::fprintf(stderr, "%s: %s; \"orvane-probe doctor\" tells why and what to do\n",
               program.constData(), what);
}
