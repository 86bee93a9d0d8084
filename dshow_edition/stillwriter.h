// Stills from the preview: the frame the renderer shows, grabbed with the
// graph paused and written as a BMP file (BITMAPFILEHEADER, then the packed
// DIB), and the names the three kinds of still get. GUI thread only.
#pragma once

#include <string>
#include <vector>

#include "platform/system/wintypes.h"

enum class StillKind {
  kThumbnail,   // "tmp.bmp" in the video folder, taken as a recording starts
  kPhoto,       // "photo%03d.bmp", the lowest free number
  kSequential,  // "secur%03d.bmp", numbered by SecurityCounter
};

// A photo asks the renderer again until it delivers, but at most this often
// (20 ms apart): a renderer that never delivers cannot hang the window.
constexpr int kPhotoImageRequests = 50;

// What GrabStill hands back: the packed DIB (header, colour table, pixels) in
// an owned buffer of at least width x height x 4 bytes, zero-filled, and
// whether the renderer filled it.
struct StillBuffer {
  std::vector<BYTE> dib;
  bool image = false;
};

// Pauses the graph, waits 100 ms, and asks the renderer for its image: once,
// or for a photo up to kPhotoImageRequests times. The graph runs again before
// the return. The buffer is larger than width x height x 4 when the image
// needs more (a tiny frame). An empty dib when there is no graph or no buffer.
StillBuffer GrabStill(StillKind kind);

// Writes dib as a BMP file at a Windows path: a 16-bit image is set to
// BI_RGB, biSizeImage is set (except for RLE), then the 14-byte file header
// and the DIB's header, colour table and pixels. FALSE, with GetLastError
// set, when the DIB is too short for what its header says or the file
// cannot be created or written; a file cut short is removed.
BOOL WriteBmpFile(std::vector<BYTE>& dib, const std::string& path);

// Takes a still of that kind and writes it to path, as the commands do: the
// sequential photo is written before the graph runs again. Without an image
// nothing is written (a 14-byte header alone is no picture). Tells the user
// when there was no buffer ("Bitmap Lock error"), and when a photo could not
// be taken or written. TRUE when the file was written.
BOOL SaveStill(StillKind kind, const std::string& path, HWND owner);

// The next free "photo%03d.bmp" in SavePhoto, which is left holding it; after
// 999 taken names, "File Full ! Delte useless files." once, and the search
// goes on with four digits.
std::string NextPhotoPath();
// The path for SecurityCounter in SaveSecurity (left holding it); the counter
// advances only when AdvanceSecurityCounter is called after the file was
// written, from 998 back to 0.
std::string NextSecurityPath();
void AdvanceSecurityCounter();
// The thumbnail file in SaveVideo (stripped first): "tmp.bmp" unless another
// running program has it (controls/thumbnailfile.h).
std::string ThumbnailPath();

extern int SecurityCounter;
