// ViewerDialog's chat hand-over: the Chat command's pop-up menu (menu 131,
// its "Chat" pop-up) and the hand-over itself. The panel has no Chat button
// (the template has none, and the skin leaves no room for a 59 x 59 one): a
// right-click on the panel's background opens the same menu, so a user with
// a chat program can reach it.
#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>

#include "chat/chatlauncher.h"
#include "dshow_edition/captureengine.h"
#include "dshow_edition/capturesettings.h"
#include "dshow_edition/viewerdialog.h"
#include "platform/ui/menubuilder.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/resources.h"

namespace {
constexpr int IDR_MENU = 131;
constexpr UINT ID_NETMEETING = 32771;
constexpr UINT ID_CUSEEME = 32772;
}  // namespace

void ViewerDialog::contextMenuEvent(QContextMenuEvent* event) {
  // Only the background: the strip and the buttons are controls of their own.
  if (childAt(event->pos())) return;
  OnChat();
}

void ViewerDialog::OnChat() {
  const orvane::ui::MenuTemplate* menu = orvane::ui::FindMenuResource(IDR_MENU);
  if (!menu || menu->items.size() < 2) return;
  if (SequentialPhoto) {
    AfxMessageBox(orvane::ui::LoadStringResource(14).c_str(), MB_OK);
    return;
  }
  if (Recording) return;
  orvane::ui::PopupMenu popup = orvane::ui::CreatePopupMenu(menu->items[1], this);
  const UINT chosen = orvane::ui::CommandIdOf(popup->exec(QCursor::pos()));
  if (chosen == ID_NETMEETING) LaunchChatProgram(chat::kNetMeeting);
  if (chosen == ID_CUSEEME) LaunchChatProgram(chat::kCUSeeMe);
}

void ViewerDialog::LaunchChatProgram(int kind) {
  const CaptureSettings& settings = Settings();
  if (settings.WantPreview) HaltPreview();
  if (GraphState().previewFromCapturePin) DismantleGraph();
  showMinimized();
  // Blocks until the chat program ends, as the hand-over means to. Its
  // "not installed" box has no owner: the panel is minimised by now, and a
  // box it owned could go unseen with it.
  chat::RunChatProgram(kind, nullptr);
  showNormal();
  if (settings.WantPreview) {
    AssemblePreviewGraph(FrameWindow());
    RunPreview();
  }
}
