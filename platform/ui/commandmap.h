// A window's command wiring in one table: (control id, notification code,
// handler), looked up in the order written, like the design's message maps.
//
//   m_commands = new orvane::ui::CommandMap(this, {
//       {IDC_PICSTRIP, TPN_DBLCLK, [this] { OnSee(); }},
//       {IDC_DELETE, BN_CLICKED, [this] { OnDelete(); }},
//   });
//
// The map watches its window's events and runs the first entry that matches
// a WM_COMMAND; commands no entry matches go on to the window itself.
#pragma once

#include <QObject>
#include <functional>
#include <initializer_list>
#include <vector>

namespace orvane::ui {

class CommandMap : public QObject {
 public:
  struct Entry {
    int controlId;
    int notifyCode;
    std::function<void()> handler;
  };

  // Wires window's commands; the map is a child of window and lives as long
  // as it does. GUI thread only.
  CommandMap(QObject* window, std::initializer_list<Entry> entries);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QObject* m_window;
  std::vector<Entry> m_entries;
};

}  // namespace orvane::ui
