// CTitledPicsWnd: the picture strip. A row of the owner's thumbnails, each
// with its file's name centred under it; the user picks one with the mouse
// and the strip tells its parent with posted commands (TPN_*).
//
// Ownership: the strip refers to the owner's pixmaps and never frees them; a
// pixmap must stay alive (it may change its contents) from AddPicture until
// its item is removed. Paths are copied. The strip object is created with new
// by its owner; once Create has made it a child window, it is deleted with
// its parent, as a Qt child.
//
// The selection frame is drawn outside painting in the design, so the strip
// keeps what it last drew in each cell (on in the highlight colour, or off in
// the background colour) until the contents are redrawn: by Invalidate, a
// resize or a show. Owners therefore invalidate with Invalidate(), not with a
// plain update(), and then set IDT_REFRAME to bring the frame back.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QRect>
#include <string>
#include <vector>

#include "platform/system/wintypes.h"

class QPixmap;

// Notification codes, posted to the parent as commands from the strip's id.
constexpr int TPN_SELCHANGE = 1;  // the selection changed
constexpr int TPN_DBLCLK = 2;     // left double-click on an item
constexpr int TPN_CLICK = 3;      // left button pressed on an item
constexpr int TPN_RCLICK = 4;     // right button pressed on an item

// The timer owners set on the strip (SetTimer, windowtimer.h) after they
// change its items and invalidate it; when it fires the selection frame is
// drawn again, with or without the focus.
constexpr UINT_PTR IDT_REFRAME = 1;
constexpr UINT IDT_REFRAME_PERIOD = 10;

class CTitledPicsWnd : public QAbstractScrollArea {
 public:
  // What differs between the programs that carry the strip.
  struct Look {
    int titleFontHeight;         // pixels, the whole line
    QColor frameOff;             // pen that erases the selection frame
    bool blackBackground;        // false: the system window colour
    std::string emptyStripText;  // shown when asked to remove from an empty strip

    static Look Velbin();
    static Look Tarrow();
  };

  explicit CTitledPicsWnd(const Look& look);

  // Makes the strip a child window of parent at rect (parent's client
  // coordinates) with control id id. Of style (platform/ui/windowstyles.h)
  // WS_VISIBLE shows it and WS_BORDER gives it a sunken client edge.
  // className and context are not used; windowName, when given, becomes the
  // window title. FALSE without a parent or when already created.
  BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const QRect& rect, QWidget* parent,
              UINT id, void* context = nullptr);

  // No repaint for any of these three.
  void SetStretch(bool stretch) { m_stretch = stretch; }
  // -1 in either turns automatic layout on (a grid sized from the pictures).
  void SetCellSize(int width, int height);
  void UpdateScrollSizes();

  // Appends an item; returns its index. No repaint, no notification.
  int AddPicture(const QPixmap* picture, const std::string& path);
  // Removes count items from index on, moving the selection back into range.
  // On an empty strip shows the look's box and changes nothing.
  void RemovePictures(int index, int count);
  void RemoveAllPictures();

  int GetPictureCount() const { return static_cast<int>(m_paths.size()); }
  int GetSelection() const { return m_selection; }
  // Selects index (-1: none) and draws its frame; posts TPN_SELCHANGE when
  // the selection changed. Indexes outside -1..count-1 are ignored.
  void SetSelection(int index);
  // Empty for an index out of range.
  std::string GetPathAt(int index) const;
  std::string GetSelectedPath() const;

  // Redraws everything, the frame included (it is then erased).
  void Invalidate();

  int GetDlgCtrlID() const { return m_id; }
  int columns() const { return m_columns; }
  QSize cellSize() const { return {m_cellWidth, m_cellHeight}; }
  QColor highlightColour() const { return m_highlight; }
  const QFont& titleFont() const { return m_titleFont; }
  // Height of a title line; 0 before Create.
  int TextHeight() const;

  // The part of path after its last backslash, slash or colon, at most 255
  // bytes, never cutting a UTF-8 character.
  static std::string TitleOf(const std::string& path);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  // A selection frame as last drawn, in content coordinates.
  struct FrameStroke {
    QRect cell;
    QColor colour;
  };

  void ReportEmpty();
  void RecalcLayout();
  void Layout();
  void DrawSelectionFrame(int index, bool on);
  void Stroke(int index, const QColor& colour);
  void Click(const QPoint& point, int code);
  QRect CellRect(int index) const;
  int RowHeight() const;
  QPoint ScrollPosition() const;
  void OnTimer();
  void OnUserScroll();

  Look m_look;
  std::vector<const QPixmap*> m_pictures;
  std::vector<std::string> m_paths;
  int m_selection = -1;
  int m_cellWidth = -1;
  int m_cellHeight = -1;
  bool m_autoLayout = true;
  int m_columns = 1;
  int m_margin = 2;
  bool m_stretch = false;
  QFont m_titleFont;
  QColor m_highlight;
  bool m_frameSuppressed = false;

  bool m_created = false;
  int m_id = 0;
  bool m_userScroll = false;
  std::vector<FrameStroke> m_strokes;
};
