#include "platform/ui/postedmessage.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/commandmap.h"

namespace {

// A window that records the commands no map took.
class Window : public QWidget {
 public:
  std::vector<std::pair<int, int>> unmapped;

 protected:
  bool event(QEvent* event) override {
    if (auto command = orvane::ui::CommandOf(event)) {
      unmapped.emplace_back(command->controlId, command->notifyCode);
      return true;
    }
    return QWidget::event(event);
  }
};

}  // namespace

TEST(PostedCommand, ArrivesInOrderOnlyWhenTheLoopRuns) {
  Window window;
  QWidget control;
  ASSERT_TRUE(PostCommand(&window, 1234, 3, &control));
  ASSERT_TRUE(PostCommand(&window, 1234, 1, &control));
  ASSERT_TRUE(PostCommand(&window, 7, 2, nullptr));
  EXPECT_TRUE(window.unmapped.empty());
  QApplication::processEvents();
  EXPECT_EQ(window.unmapped, (std::vector<std::pair<int, int>>{{1234, 3}, {1234, 1}, {7, 2}}));
  EXPECT_FALSE(PostCommand(nullptr, 1, 1, nullptr));
}

TEST(PostedCommand, CarriesIdCodeAndSenderInTheDesignedWords) {
  struct Case {
    int id, code;
    int wantId, wantCode;
  } cases[] = {{1234, 2, 1234, 2},
               {0, 0, 0, 0},
               {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF},
               {0x12345, 0x10001, 0x2345, 0x0001}};
  QWidget sender;
  for (const Case& c : cases) {
    const WPARAM w = orvane::ui::CommandWParam(c.id, c.code);
    EXPECT_EQ(w, static_cast<WPARAM>(c.wantCode) << 16 | static_cast<WPARAM>(c.wantId));
    WindowMessageEvent event(WM_COMMAND, w, reinterpret_cast<LPARAM>(&sender));
    const auto command = orvane::ui::CommandOf(&event);
    ASSERT_TRUE(command);
    EXPECT_EQ(command->controlId, c.wantId);
    EXPECT_EQ(command->notifyCode, c.wantCode);
    EXPECT_EQ(command->sender, &sender);
  }
  WindowMessageEvent other(WM_USER + 1, 0, 0);
  EXPECT_FALSE(orvane::ui::CommandOf(&other));
  QEvent plain(QEvent::User);
  EXPECT_FALSE(orvane::ui::CommandOf(&plain));
}

TEST(CommandMapTest, RunsTheFirstMatchingEntryAndPassesTheRestOn) {
  Window window;
  std::vector<const char*> ran;
  new orvane::ui::CommandMap(&window, {
                                          {1234, 2, [&] { ran.push_back("see"); }},
                                          {1234, 1, [&] { ran.push_back("nothing"); }},
                                          {1234, 2, [&] { ran.push_back("never"); }},
                                          {1024, 0, [&] { ran.push_back("delete"); }},
                                      });
  PostCommand(&window, 1234, 1, nullptr);
  PostCommand(&window, 1234, 2, nullptr);
  PostCommand(&window, 1234, 3, nullptr);
  PostCommand(&window, 1024, 0, nullptr);
  PostCommand(&window, 1025, 0, nullptr);
  EXPECT_TRUE(ran.empty());
  QApplication::processEvents();
  EXPECT_EQ(ran, (std::vector<const char*>{"nothing", "see", "delete"}));
  EXPECT_EQ(window.unmapped, (std::vector<std::pair<int, int>>{{1234, 3}, {1025, 0}}));
  SendCommand(&window, 1024, 0, nullptr);  // sent: handled before the call returns
  EXPECT_EQ(ran.back(), std::string("delete"));
  EXPECT_EQ(ran.size(), 4u);
}
