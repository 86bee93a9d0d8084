#include "dshow_edition/stillwriter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "controls/photofailure.h"
#include "controls/thumbnailfile.h"
#include "dshow_edition/captureengine.h"
#include "dshow_edition/capturesettings.h"
#include "platform/system/clock.h"
#include "platform/system/files.h"
#include "platform/ui/messagebox.h"

using namespace dshow;

int SecurityCounter = 0;

namespace {

constexpr DWORD kPauseMs = 100;
constexpr DWORD kRetryMs = 20;
constexpr long kFileHeaderSize = 14;

// Pauses a running graph and fills a buffer with the renderer's image; the
// graph is left paused, its control in *control (null when it was not
// running), for the caller to run again.
StillBuffer Grab(StillKind kind, Ref<IMediaControl>* control) {
  StillBuffer still;
  CaptureGraphState& state = GraphState();
  if (!state.graph) return still;
  FilterState before = FilterState::Stopped;
  if (SUCCEEDED(QueryInterface(state.graph, control)) &&
      SUCCEEDED((*control)->GetState(0, &before)) && before == FilterState::Running)
    (*control)->Pause();
  else
    control->reset();  // a graph that was not running is not run afterwards
  Ref<IBasicVideo> video;
  QueryInterface(state.graph, &video);
  Sleep(kPauseMs);
  long width = 0, height = 0;
  if (video) video->GetVideoSize(&width, &height);
  // The design's width x height x 4 holds any 24-bit image but a tiny one;
  // the renderer says what it needs, and the larger of the two is taken.
  long needed = 0;
  if (video) video->GetCurrentImage(&needed, nullptr);
  const long size = std::max({width * height * 4, needed, 0L});
  try {
    still.dib.assign(static_cast<std::size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    return still;
  }
  if (!video || still.dib.empty()) return still;
  const int tries = kind == StillKind::kPhoto ? kPhotoImageRequests : 1;
  for (int i = 0; i < tries && !still.image; ++i) {
    if (i > 0) Sleep(kRetryMs);
    long bufferSize = size;
    still.image =
        SUCCEEDED(video->GetCurrentImage(&bufferSize, reinterpret_cast<long*>(still.dib.data())));
  }
  return still;
}

void RunAgain(Ref<IMediaControl>& control) {
  if (control) control->Run();
  control.reset();
}

template <typename T>
T Field(const std::vector<BYTE>& dib, std::size_t at) {
  T value{};
  if (at + sizeof value <= dib.size()) std::memcpy(&value, dib.data() + at, sizeof value);
  return value;
}

template <typename T>
void SetField(std::vector<BYTE>& dib, std::size_t at, T value) {
  if (at + sizeof value <= dib.size()) std::memcpy(dib.data() + at, &value, sizeof value);
}

// The BITMAPINFOHEADER fields, by offset.
constexpr std::size_t kBiWidth = 4, kBiHeight = 8, kBiBitCount = 14, kBiCompression = 16,
                      kBiSizeImage = 20, kBiClrUsed = 32;
constexpr std::size_t kCoreBitCount = 10;  // in the 12-byte core header

std::string DirectoryFile(std::string& directory, const char* name) {
  StripFileName(directory);
  directory += name;
  return directory;
}

}  // namespace

StillBuffer GrabStill(StillKind kind) {
  Ref<IMediaControl> control;
  StillBuffer still = Grab(kind, &control);
  RunAgain(control);
  return still;
}

BOOL WriteBmpFile(std::vector<BYTE>& dib, const std::string& path) {
  const DWORD headerSize = Field<DWORD>(dib, 0);
  if (headerSize < 12 || headerSize > dib.size()) {
    SetLastError(static_cast<DWORD>(ERROR_INVALID_DATA));
    return FALSE;
  }
  const bool info = headerSize == 40;
  const bool core = headerSize == 12;  // BITMAPCOREHEADER: WORD sizes, no more fields
  if (info && Field<WORD>(dib, kBiBitCount) == 16) SetField<DWORD>(dib, kBiCompression, 0);
  const WORD bitCount = Field<WORD>(dib, core ? kCoreBitCount : kBiBitCount);
  long colours = 0;
  if (info && Field<DWORD>(dib, kBiClrUsed) != 0)
    colours = Field<DWORD>(dib, kBiClrUsed) & 0xFFFF;
  else
    colours = bitCount == 1 ? 2 : bitCount == 4 ? 16 : bitCount == 8 ? 256 : 0;
  const long tableBytes = colours * (info ? 4 : 3);
  const DWORD compression = core ? 0 : Field<DWORD>(dib, kBiCompression);
  long long imageBytes;
  if (compression == 1 || compression == 2) {
    imageBytes = Field<DWORD>(dib, kBiSizeImage);
  } else {
    const long long width = core ? Field<WORD>(dib, 4) : Field<LONG>(dib, kBiWidth);
    const long long height = core ? Field<WORD>(dib, 6) : Field<LONG>(dib, kBiHeight);
    // Sizes no buffer can hold are refused before they are multiplied.
    if (width < 0 || height < 0 || width > (1 << 20) || height > (1 << 20) || bitCount > 64) {
      SetLastError(static_cast<DWORD>(ERROR_INVALID_DATA));
      return FALSE;
    }
    imageBytes = (bitCount * width + 31) / 32 * 4 * height;
    if (!core) SetField<DWORD>(dib, kBiSizeImage, static_cast<DWORD>(imageBytes));
  }
  const long long dibBytes = headerSize + tableBytes + imageBytes;
  // A header that claims more than the buffer holds would be written from
  // beyond its end.
  if (dibBytes > static_cast<long long>(dib.size())) {
    SetLastError(static_cast<DWORD>(ERROR_INVALID_DATA));
    return FALSE;
  }
  BYTE fileHeader[kFileHeaderSize] = {'B', 'M'};
  const DWORD fileSize = static_cast<DWORD>(kFileHeaderSize + dibBytes);
  const DWORD offBits = static_cast<DWORD>(kFileHeaderSize + headerSize + tableBytes);
  std::memcpy(fileHeader + 2, &fileSize, 4);
  std::memcpy(fileHeader + 10, &offBits, 4);

  const HFILE file = _lcreat(path.c_str(), 0);
  if (file == HFILE_ERROR) return FALSE;
  const bool ok =
      _lwrite(file, fileHeader, sizeof fileHeader) == sizeof fileHeader &&
      _lwrite(file, dib.data(), static_cast<UINT>(dibBytes)) == static_cast<UINT>(dibBytes);
  const DWORD error = GetLastError();
  const bool closed = _lclose(file) == 0;
  if (!ok || !closed) {
    // Half a bitmap is no photo: it would be listed and open as garbage.
    DeleteFile(path.c_str());
    SetLastError(ok ? static_cast<DWORD>(ERROR_DISK_FULL) : error);
    return FALSE;
  }
  return TRUE;
}

BOOL SaveStill(StillKind kind, const std::string& path, HWND owner) {
  Ref<IMediaControl> control;
  StillBuffer still = Grab(kind, &control);
  if (kind != StillKind::kSequential) RunAgain(control);
  const BOOL written = !still.dib.empty() && still.image && WriteBmpFile(still.dib, path);
  // Running again before any box: a frozen picture must not wait for a click.
  RunAgain(control);
  if (still.dib.empty()) {
    MessageBox(owner, "Bitmap Lock error", nullptr, MB_OK);
  } else if (kind == StillKind::kPhoto && !still.image) {
    MessageBox(owner, "The camera gave no picture: no photo was taken.", nullptr, MB_OK);
  } else if (kind == StillKind::kPhoto && !written) {
    const std::string text = PhotoFailureText(path, GetLastError());
    MessageBox(owner, text.c_str(), nullptr, MB_OK | MB_ICONWARNING);
  }
  return written;
}

std::string NextPhotoPath() {
  std::string& directory = Settings().SavePhoto;
  StripFileName(directory);
  char name[32];
  for (int i = 0;; ++i) {
    if (i == 999) AfxMessageBox("File Full ! Delte useless files.", MB_OK);
    std::snprintf(name, sizeof name, "photo%03d.bmp", i);
    // Anything of that name is taken, readable or not (see files.h).
    if (!orvane::files::NameIsTaken(directory + name)) break;
  }
  directory += name;
  return directory;
}

std::string NextSecurityPath() {
  char name[32];
  std::snprintf(name, sizeof name, "secur%03d.bmp", SecurityCounter);
  return DirectoryFile(Settings().SaveSecurity, name);
}

void AdvanceSecurityCounter() {
  if (++SecurityCounter == 999) SecurityCounter = 0;
}

std::string ThumbnailPath() {
  std::string directory = Settings().SaveVideo;
  StripFileName(directory);
  return ThumbnailFileIn(directory);
}
