#include "platform/ui/messagebox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

namespace {

struct ButtonSpec {
  int id;
  QMessageBox::StandardButton qt;
};

std::vector<ButtonSpec> Buttons(UINT style) {
  switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{IDOK, QMessageBox::Ok}, {IDCANCEL, QMessageBox::Cancel}};
    case MB_ABORTRETRYIGNORE:
      return {{IDABORT, QMessageBox::Abort},
              {IDRETRY, QMessageBox::Retry},
              {IDIGNORE, QMessageBox::Ignore}};
    case MB_YESNOCANCEL:
      return {{IDYES, QMessageBox::Yes}, {IDNO, QMessageBox::No}, {IDCANCEL, QMessageBox::Cancel}};
    case MB_YESNO: return {{IDYES, QMessageBox::Yes}, {IDNO, QMessageBox::No}};
    case MB_RETRYCANCEL: return {{IDRETRY, QMessageBox::Retry}, {IDCANCEL, QMessageBox::Cancel}};
    default: return {{IDOK, QMessageBox::Ok}};
  }
}

QMessageBox::Icon Icon(UINT style) {
  switch (style & MB_ICONMASK) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

int ShowQtBox(const orvane::ui::MessageBoxCall& call) {
  QMessageBox box(Icon(call.style), QString::fromUtf8(call.caption.c_str()),
                  QString::fromUtf8(call.text.c_str()), QMessageBox::NoButton, call.owner);
  // Plain text: a caption or a file name must never be read as markup.
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(call.owner ? Qt::WindowModal : Qt::ApplicationModal);
  const std::vector<ButtonSpec> buttons = Buttons(call.style);
  std::vector<QAbstractButton*> made;
  for (const ButtonSpec& spec : buttons) made.push_back(box.addButton(spec.qt));
  const std::size_t defaultIndex = (call.style & MB_DEFMASK) >> 8;
  box.setDefaultButton(
      static_cast<QPushButton*>(made[defaultIndex < made.size() ? defaultIndex : 0]));
  // Escape answers as on Windows: OK alone, or Cancel where there is one;
  // boxes without Cancel (Yes/No, Abort/Retry/Ignore) ignore it.
  int escapeId = -1;
  QAbstractButton* escape = nullptr;
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (buttons[i].id == IDCANCEL || buttons.size() == 1) {
      escapeId = buttons[i].id;
      escape = made[i];
    }
  }
  box.setEscapeButton(escape);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (std::size_t i = 0; i < made.size(); ++i)
    if (made[i] == clicked) return buttons[i].id;
  // Closed without a button: as Escape would, else the default answer.
  return escapeId >= 0 ? escapeId : orvane::ui::DefaultButton(call.style);
}

}  // namespace

int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  orvane::ui::MessageBoxCall call{owner, text ? text : "", caption ? caption : "Error", type};
  if (auto* observer = orvane::ui::CurrentObserver<orvane::ui::MessageBoxObserver>())
    return observer->OnMessageBox(call);
  return ShowQtBox(call);
}

int AfxMessageBox(LPCSTR text, UINT type) {
  const QByteArray name = QCoreApplication::applicationName().toUtf8();
  return MessageBox(nullptr, text, name.constData(), type);
}

BOOL MessageBeep(UINT type) {
  if (auto* observer = orvane::ui::CurrentObserver<orvane::ui::MessageBoxObserver>())
    observer->OnBeep(type);
  else
    QApplication::beep();
  return TRUE;
}

namespace orvane::ui {

int DefaultButton(UINT style) {
  const std::vector<ButtonSpec> buttons = Buttons(style);
  const std::size_t index = (style & MB_DEFMASK) >> 8;
  return buttons[index < buttons.size() ? index : 0].id;
}

}  // namespace orvane::ui
