#include "platform/ui/tooltipctrl.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

#include "platform/ui/buttonkeys.h"

namespace {
// A screen reader also hears the key that presses the control.
QString Described(const QWidget* tool, const QString& text) {
  const QString key = orvane::ui::ButtonKeyText(tool);
  return key.isEmpty() || text.isEmpty() ? text : text + " (" + key + ")";
}
}  // namespace

BOOL CToolTipCtrl::Create(QWidget* parent) {
  if (!parent || m_parent) return FALSE;
  m_parent = parent;
  // A tooltip control shows its tips whether or not its window is active.
  parent->window()->setAttribute(Qt::WA_AlwaysShowToolTips);
  return TRUE;
}

BOOL CToolTipCtrl::AddTool(QWidget* tool, const std::string& text) {
  return AddTool(tool, TextCallback([text] { return text; }));
}

BOOL CToolTipCtrl::AddTool(QWidget* tool, TextCallback text) {
  if (!tool || !m_parent || !text) return FALSE;
  m_tools[tool] = std::move(text);
  tool->installEventFilter(this);
  tool->setAccessibleDescription(Described(tool, QString::fromStdString(TextOf(tool))));
  connect(tool, &QObject::destroyed, this, [this](QObject* gone) { m_tools.erase(gone); });
  return TRUE;
}

std::string CToolTipCtrl::TextOf(QWidget* tool) const {
  auto it = m_tools.find(tool);
  return it == m_tools.end() ? std::string() : it->second();
}

bool CToolTipCtrl::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ToolTip) return false;
  auto it = m_tools.find(watched);
  if (it == m_tools.end()) return false;
  auto* tool = static_cast<QWidget*>(watched);
  const QString text = QString::fromStdString(it->second());
  tool->setAccessibleDescription(Described(tool, text));
  QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, tool);
  return true;
}
