// Message boxes with the Windows signature and results, shown as modal Qt boxes.
//
// Every box and beep of the programs goes through here, so that tests can
// install an observer that records each one and answers it instead of a user.
#pragma once

#include <string>

#include "platform/system/wintypes.h"
#include "platform/ui/scopedobserver.h"

constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONSTOP = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr UINT MB_DEFBUTTON1 = 0x000;
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr UINT MB_DEFBUTTON3 = 0x200;
constexpr UINT MB_APPLMODAL = 0x0000;
constexpr UINT MB_SYSTEMMODAL = 0x1000;
constexpr UINT MB_TASKMODAL = 0x2000;
constexpr UINT MB_TYPEMASK = 0xF;
constexpr UINT MB_ICONMASK = 0xF0;
constexpr UINT MB_DEFMASK = 0xF00;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows a modal box and returns the button chosen (IDOK, IDCANCEL, ...).
// caption null: "Error", as Windows shows. owner null: the box is modal to
// the whole application. Text and caption are UTF-8. GUI thread only.
int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// The framework's box: the caption is the application's name.
int AfxMessageBox(LPCSTR text, UINT type = MB_OK);

// Plays the desktop's alert sound. Always TRUE.
BOOL MessageBeep(UINT type);

namespace orvane::ui {

struct MessageBoxCall {
  HWND owner = nullptr;
  std::string text;
  std::string caption;  // as shown: "Error" when none was given
  UINT style = 0;
};

// Sees every box and beep instead of the user while installed.
class MessageBoxObserver {
 public:
  virtual ~MessageBoxObserver() = default;
  // Returns the button the box answers with.
  virtual int OnMessageBox(const MessageBoxCall& call) = 0;
  virtual void OnBeep(UINT type) = 0;
};

// Installs an observer for the object's lifetime (the previous one comes back
// afterwards). GUI thread only.
using ScopedMessageBoxObserver = ScopedObserver<MessageBoxObserver>;

// The answer a box gives when the user presses Enter: its default button.
int DefaultButton(UINT style);

}  // namespace orvane::ui
