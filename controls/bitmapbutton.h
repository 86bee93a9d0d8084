// CBitmapButton: the skin of an owner-drawn push button. The face is one of
// up to four bitmaps named by the button's caption plus U (up, required),
// D (down), F (focused) or X (disabled), copied unstretched from its
// top-left corner; the button takes the size of its U face. The caption is
// never shown, and clicks reach the parent as BN_CLICKED commands, sent.
//
// The object is a plain member of its owner: AutoLoad subclasses the dialog
// control (see SubclassedButton), which stays a child of the dialog.
#pragma once

#include <QPixmap>
#include <array>

#include "controls/subclassedbutton.h"
#include "platform/system/wintypes.h"

class CBitmapButton : public SubclassedButton {
 public:
  enum Face { kUp, kDown, kFocus, kDisabled };

  CBitmapButton() = default;

  // Subclasses control id of parent, loads the faces its caption names and
  // sizes it to the U face, keeping its place. FALSE when there is no such
  // button (nothing attached) or no U face (attached, drawn faceless). GUI thread.
  BOOL AutoLoad(UINT id, QWidget* parent);

  // Replaces the faces with caption + "U", "D", "F", "X" (any case); FALSE,
  // with the others still taken, when there is no U face.
  BOOL LoadBitmaps(const std::string& caption);
  // Resizes the button to its U face, keeping its position; nothing without one.
  void SizeToContent();

  // The face a draw in that state shows: D pressed, F focused, X disabled,
  // each only when loaded, else U. Null when nothing is loaded.
  const QPixmap& FaceFor(bool pressed, bool focused, bool disabled) const;
  const QPixmap& face(Face which) const { return m_faces[which]; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Draw();

  std::array<QPixmap, 4> m_faces;
  bool m_keyboardFocus = false;  // the focus came with Tab or Shift+Tab
};
