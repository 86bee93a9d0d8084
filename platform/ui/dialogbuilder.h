// Turns a dialog template into Qt widgets inside a given widget.
//
// Every control widget carries its template id in the QObject property
// "controlId" (an int; -1 for IDC_STATIC controls), which GetDlgItem reads.
#pragma once

#include <functional>

#include "platform/ui/dialogtemplate.h"
#include "platform/ui/dialogunits.h"

class QWidget;

namespace orvane::ui {

inline constexpr char kControlIdProperty[] = "controlId";

// Makes the widget for one control, or returns null to take the default one.
// The widget returned must be a child of parent; the builder places it.
using ControlFactory = std::function<QWidget*(const DialogControl&, QWidget* parent)>;

// Sets the dialog's font, caption and client size from the template (and, for
// a top-level widget, a frameless window when the template has no caption),
// then creates the controls in template order: the focus chain follows the
// template and the first control is the topmost, as in a Windows dialog.
// Returns the base units used.
DialogBaseUnits CreateDialogControls(const DialogTemplate& dialogTemplate, QWidget* dialog,
                                     const ControlFactory& factory = {});

// The direct child with that control id, or null (first in creation order).
QWidget* GetDlgItem(QWidget* dialog, int id);

}  // namespace orvane::ui
