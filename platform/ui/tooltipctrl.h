// CToolTipCtrl: tooltips for a window's controls, each tool a control's own
// widget (TTF_IDISHWND | TTF_SUBCLASS). A tool's text is fixed, or asked for
// each time the tip is shown (LPSTR_TEXTCALLBACK, the TTN_NEEDTEXT request).
// The text is also the control's accessible description, so a screen reader
// says what the tip says. GUI thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <string>

#include "platform/system/wintypes.h"

class QWidget;

class CToolTipCtrl : public QObject {
 public:
  using TextCallback = std::function<std::string()>;

  CToolTipCtrl() = default;

  // FALSE without a parent or when created already.
  BOOL Create(QWidget* parent);
  // FALSE for a null tool or before Create.
  BOOL AddTool(QWidget* tool, const std::string& text);
  BOOL AddTool(QWidget* tool, TextCallback text);

  // The text the tool's tip shows now ("" for no such tool).
  std::string TextOf(QWidget* tool) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> m_parent;
  std::map<QObject*, TextCallback> m_tools;
};
