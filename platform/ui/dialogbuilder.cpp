#include "platform/ui/dialogbuilder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include "platform/ui/dialogcontrolstyle.h"
#include "platform/ui/pathlabel.h"
#include "platform/ui/resources.h"
#include "platform/ui/windowops.h"
#include "platform/ui/windowstyles.h"

namespace orvane::ui {

namespace {

QString Text(const DialogControl& control) { return QString::fromStdString(control.caption); }

Qt::Alignment StaticAlignment(DWORD type) {
  switch (type) {
    case SS_CENTER: return Qt::AlignHCenter | Qt::AlignTop;
    case SS_RIGHT: return Qt::AlignRight | Qt::AlignTop;
    default: return Qt::AlignLeft | Qt::AlignTop;
  }
}

QWidget* MakeStatic(const DialogControl& control, QWidget* parent) {
  const DWORD type = control.style & SS_TYPEMASK;
  if (type == SS_BLACKFRAME) {
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setStyleSheet(QStringLiteral("QFrame { color: black; }"));
    return frame;
  }
  auto* label = control.style & SS_PATHELLIPSIS ? new PathLabel(parent) : new QLabel(parent);
  if (type == SS_BITMAP) {
    label->setPixmap(LoadBitmap(control.caption));
    return label;
  }
  if (type == SS_ICON) {
    // "#128": the icon resource at the system's icon size.
    const QString caption = QString::fromStdString(control.caption);
    const int id = caption.startsWith('#') ? caption.mid(1).toInt() : 0;
    label->setPixmap(LoadIconResource(id).pixmap(32, 32));
    return label;
  }
  label->setText(Text(control));
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(StaticAlignment(type));
  label->setWordWrap(!(control.style & SS_PATHELLIPSIS));  // static text wraps inside its rectangle
  if (control.style & SS_SUNKEN) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  if (control.style & WS_BORDER) label->setFrameStyle(QFrame::Box | QFrame::Plain);
  return label;
}

QWidget* MakeDefault(const DialogControl& control, QWidget* parent) {
  switch (control.kind) {
    case ControlKind::kButton: {
      auto* button = new QPushButton(Text(control), parent);
      button->setDefault((control.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
      return button;
    }
    case ControlKind::kOwnerDrawButton: {
      // The caption names the skin; the bitmap button that attaches draws it.
      auto* button = new QPushButton(Text(control), parent);
      button->setFlat(true);
      return button;
    }
    case ControlKind::kStatic: return MakeStatic(control, parent);
    case ControlKind::kEdit: {
      auto* edit = new QLineEdit(Text(control), parent);
      const DWORD align = control.style & 0x3;
      edit->setAlignment(align == ES_CENTER  ? Qt::AlignHCenter | Qt::AlignVCenter
                         : align == ES_RIGHT ? Qt::AlignRight | Qt::AlignVCenter
                                             : Qt::AlignLeft | Qt::AlignVCenter);
      edit->setFrame((control.style & WS_BORDER) != 0);
      return edit;
    }
    case ControlKind::kCheckBox:
    case ControlKind::kRadioButton: {
      QAbstractButton* button = control.kind == ControlKind::kCheckBox
                                    ? static_cast<QAbstractButton*>(new QCheckBox(Text(control), parent))
                                    : new QRadioButton(Text(control), parent);
      button->setStyle(DialogControlStyle());
      return button;
    }
    case ControlKind::kGroupBox: {
      // A sibling of the controls it frames, not their container: clicks go
      // through it to them.
      auto* box = new QGroupBox(Text(control), parent);
      box->setAttribute(Qt::WA_TransparentForMouseEvents);
      if ((control.style & BS_CENTER) == BS_CENTER) box->setAlignment(Qt::AlignHCenter);
      return box;
    }
    case ControlKind::kCustom: {
      auto* widget = new QWidget(parent);
      widget->setObjectName(QString::fromStdString(control.className));
      return widget;
    }
  }
  return new QWidget(parent);
}

// A caption on one line is never cut when its rectangle is a little short
// of it (another font than the template's, rounding): a label a tenth too
// wide at most is drawn that much narrower, so it keeps clear of the
// control beside it; anything else grows away from its alignment.
QRect WholeCaption(QWidget* widget, const DialogControl& control, QRect rect) {
  int needed = 0;
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    if (control.kind != ControlKind::kStatic || !label->pixmap().isNull() ||
        (control.style & SS_PATHELLIPSIS) || label->text().isEmpty())
      return rect;
    const QFontMetrics metrics(label->font());
    if (rect.height() >= 2 * metrics.lineSpacing()) return rect;  // room to wrap
    label->setWordWrap(false);
    const int chrome = 2 * (label->frameWidth() + label->margin());
    needed = metrics.horizontalAdvance(label->text()) + chrome;
    for (int stretch = 98; needed > rect.width() && stretch >= 90; stretch -= 2) {
      QFont font = label->font();
      font.setStretch(stretch);
      if (QFontMetrics(font).horizontalAdvance(label->text()) + chrome <= rect.width()) {
        label->setFont(font);
        return rect;
      }
    }
  } else if (qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget)) {
    needed = widget->sizeHint().width();
  }
  if (needed <= rect.width()) return rect;
  const int grow = needed - rect.width();
  const DWORD type = control.style & SS_TYPEMASK;
  if (control.kind == ControlKind::kStatic && type == SS_RIGHT)
    rect.setLeft(rect.left() - grow);
  else if (control.kind == ControlKind::kStatic && type == SS_CENTER)
    rect.adjust(-grow / 2, 0, grow - grow / 2, 0);
  else
    rect.setWidth(needed);
  return rect;
}

}  // namespace

DialogBaseUnits CreateDialogControls(const DialogTemplate& dialogTemplate, QWidget* dialog,
                                     const ControlFactory& factory) {
  const QFont font = DialogFont(dialogTemplate.fontName, dialogTemplate.pointSize);
  dialog->setFont(font);
  const DialogBaseUnits units = TemplateBaseUnits(dialogTemplate.fontName, dialogTemplate.pointSize);
  dialog->setWindowTitle(QString::fromStdString(dialogTemplate.caption));
  if (dialog->isWindow() && (dialogTemplate.style & WS_CAPTION) != WS_CAPTION)
    dialog->setWindowFlag(Qt::FramelessWindowHint, true);
  dialog->resize(MapDialogSize(dialogTemplate.cx, dialogTemplate.cy, units));

  // Radio buttons are exclusive within a run that starts at a WS_GROUP
  // control, not across the whole parent as Qt's auto-exclusivity would be.
  QButtonGroup* radios = nullptr;
  for (const DialogControl& control : dialogTemplate.controls) {
    if (control.style & WS_GROUP) radios = nullptr;
    QWidget* widget = factory ? factory(control, dialog) : nullptr;
    if (!widget) widget = MakeDefault(control, dialog);
    widget->setProperty(kControlIdProperty, control.id);
    if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
      if (!radios) radios = new QButtonGroup(dialog);
      radios->addButton(radio);
    }
    QRect rect = MapDialogRect(control.rect, units);
    // A bitmap static takes its bitmap's size unless told to keep its own.
    if (control.kind == ControlKind::kStatic && (control.style & SS_TYPEMASK) == SS_BITMAP &&
        !(control.style & (SS_REALSIZECONTROL | SS_CENTERIMAGE))) {
      if (auto* label = qobject_cast<QLabel*>(widget); label && !label->pixmap().isNull())
        rect.setSize(label->pixmap().deviceIndependentSize().toSize());
    }
    widget->setGeometry(WholeCaption(widget, control, rect));
    widget->setEnabled(!(control.style & WS_DISABLED));
    widget->setVisible((control.style & WS_VISIBLE) != 0);
    // A dialog's first control is its topmost, so a picture at the end of
    // the template is the background; Qt stacks new siblings on top.
    widget->lower();
  }
  return units;
}

QWidget* GetDlgItem(QWidget* dialog, int id) {
  if (!dialog) return nullptr;
  for (QWidget* child : ClientArea(dialog)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const QVariant value = child->property(kControlIdProperty);
    if (value.isValid() && value.toInt() == id) return child;
  }
  return nullptr;
}

}  // namespace orvane::ui
