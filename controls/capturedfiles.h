// This run's captured files in a picture strip, as both programs list them:
// each file with its thumbnail in one of 255 slots, and the commands on the
// selected file (view, save a copy, delete) and on all of them. The owner
// creates the strip (its place and look are its own) and hands it over.
// GUI thread only.
#pragma once

#include <QPixmap>
#include <array>
#include <string>
#include <vector>

#include "controls/titledpicswnd.h"

class CapturedFiles {
 public:
  static constexpr int kMaxFiles = 255;

  // The texts a program shows: the Save As filters for the two kinds, and
  // what it tells the user when the strip is full or a copy was not made
  // (each with one %s, the path).
  struct Texts {
    const char* videoFilter;    // "AVI file(*.avi)|*.avi|"
    const char* pictureFilter;  // "BMP file(*.bmp) |*.bmp|"
    const char* stripFull;
    const char* copyExists;
    const char* copyFailed;
  };

  CapturedFiles(QWidget* owner, Texts texts) : m_owner(owner), m_texts(texts) {}
  ~CapturedFiles();
  CapturedFiles(const CapturedFiles&) = delete;
  CapturedFiles& operator=(const CapturedFiles&) = delete;

  // Takes the strip over (it is deleted before the thumbnails it shows).
  void Attach(CTitledPicsWnd* strip) { m_strip = strip; }
  CTitledPicsWnd* strip() const { return m_strip; }
  int count() const { return m_count; }

  // Lists a new file and selects it: a recording (".avi" or ".AVI") with
  // the still at thumbnailPath, which is deleted once loaded; anything else
  // showing itself. A picture that does not load leaves an item without one.
  // A 256th file is not listed (it stays on disk) and the user is told:
  // FALSE then.
  BOOL Add(const std::string& path, const std::string& thumbnailPath);
  // Opens the selected file with the desktop's program for it.
  void View();
  // Copies the selected file (".avi" or ".bmp" only) to a name the user
  // picks; never over an existing file: the user hears when nothing was
  // copied.
  void SaveCopy();
  // Deletes the selected file from the list and from the disk.
  void Delete();
  // Deletes every listed file from the disk and empties the list.
  void DeleteAll();

 private:
  int FreeSlot() const;

  QWidget* m_owner;
  Texts m_texts;
  CTitledPicsWnd* m_strip = nullptr;
  int m_count = 0;
  std::array<QPixmap, kMaxFiles> m_thumbnails;
  std::vector<int> m_itemSlots;  // the slot each strip item shows
};
