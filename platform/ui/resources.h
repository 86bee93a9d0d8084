// Resource lookup in the selected program's module: bitmaps, raw bitmap
// files, strings, menus, dialog templates and icons.
//
// Everything is compiled into the program (Qt resource system and C++
// tables); nothing is looked up on disk. GUI thread only.
#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <string>

#include "platform/system/wintypes.h"
#include "platform/ui/dialogtemplate.h"
#include "platform/ui/menutemplate.h"
#include "platform/ui/resourceid.h"
#include "platform/ui/resourcemodule.h"

class QPainter;

namespace orvane::ui {

// Selects the module every lookup below uses; null selects none (everything
// is then absent). The module must outlive its use.
void SetResourceModule(const ResourceModule* module);
const ResourceModule* CurrentResourceModule();

// The bitmap by name (any case) or number; a null pixmap or image when absent.
// LoadBitmap needs a QGuiApplication; LoadBitmapImage does not. On a
// high-resolution desktop LoadBitmap gives the bitmap's @2x twin, where it
// has one, as a pixmap of device pixel ratio 2: the same size in pixels
// (deviceIndependentSize), twice the detail. Sizes and source rectangles
// taken from a pixmap must allow for that.
QPixmap LoadBitmap(const ResourceId& id);
// Draws the part source of a bitmap LoadBitmap gave into target, source in
// pixels as at 100% whatever the pixmap's own resolution.
void DrawBitmapPart(QPainter& painter, const QRect& target, const QPixmap& bitmap,
                    const QRect& source);
QImage LoadBitmapImage(const ResourceId& id);

// The bitmap's file as stored (BITMAPFILEHEADER first); empty when absent.
QByteArray LoadBitmapData(const ResourceId& id);

// The string table entry; empty when absent, as LoadString's 0 length.
std::string LoadStringResource(UINT id);

// Null when the module has no such menu or template.
const MenuTemplate* FindMenuResource(int id);
const DialogTemplate* FindDialogTemplate(int id);

// The icon by number (128 is the program icon); a null icon when absent.
QIcon LoadIconResource(int id);

}  // namespace orvane::ui
