// The main of every test program: the offscreen platform is set here, before
// Qt starts, so the suite needs no display whatever the caller's environment.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Tests must not read the developer's own profile, registry or home drive.
  unsetenv("ORVANE_PREFIX");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
