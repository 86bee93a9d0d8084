// The data types, identifiers and codes of the capture interfaces.
//
// Categories, interface and format identifiers are small enums instead of
// GUIDs: the programs only compare and pass them. The format structures keep
// the Windows layouts the callers fill and read (VIDEOINFOHEADER,
// WAVEFORMATEX, BITMAPINFOHEADER), packed as on Windows.
#pragma once

#include <cstdint>

#include "platform/system/winerror.h"
#include "platform/system/wintypes.h"

// Success and failure codes the callers tell apart.
constexpr HRESULT VFW_S_NOPREVIEWPIN = 0x0004027E;
constexpr HRESULT VFW_E_NOT_CONNECTED = static_cast<HRESULT>(0x80040209);
constexpr HRESULT VFW_E_NOT_STOPPED = static_cast<HRESULT>(0x80040224);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = static_cast<HRESULT>(0x80040204);
constexpr HRESULT VFW_E_CANNOT_CONNECT = static_cast<HRESULT>(0x80040217);
constexpr HRESULT VFW_E_CANNOT_RENDER = static_cast<HRESULT>(0x80040218);
constexpr HRESULT VFW_E_NOT_IN_GRAPH = static_cast<HRESULT>(0x8004025F);
constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216);
constexpr HRESULT VFW_E_INVALIDMEDIATYPE = static_cast<HRESULT>(0x80040200);
constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227);
constexpr HRESULT VFW_E_NO_ALLOCATOR = static_cast<HRESULT>(0x8004020A);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004);
constexpr HRESULT VFW_E_TIMEOUT = static_cast<HRESULT>(0x8004022E);

constexpr REFERENCE_TIME kNeverTime = 0x7FFFFFFFFFFFFFFFLL;

// Graph events.
constexpr long EC_COMPLETE = 0x01;
constexpr long EC_USERABORT = 0x02;
constexpr long EC_ERRORABORT = 0x03;
constexpr long EC_DEVICE_LOST = 0x1F;

enum class DeviceCategory { VideoInput, AudioInput };
enum class PinCategory { Capture, Preview };
enum class PinDirection { Input, Output };
enum class MajorType { Unknown, Video, Audio, Stream };
enum class SubType {
  Unknown,
  YUY2,
  MJPG,
  RGB24,
  RGB32,
  UYVY,
  YVYU,
  NV12,
  NV21,
  I420,
  YV12,
  Y800,
  PCM,
  Avi
};
enum class FormatType { None, VideoInfo, WaveFormatEx };

constexpr SubType MEDIASUBTYPE_Avi = SubType::Avi;

#pragma pack(push, 1)
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};

struct VIDEOINFOHEADER {
  RECT rcSource;
  RECT rcTarget;
  DWORD dwBitRate;
  DWORD dwBitErrorRate;
  REFERENCE_TIME AvgTimePerFrame;
  BITMAPINFOHEADER bmiHeader;
};

struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};
#pragma pack(pop)

static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(VIDEOINFOHEADER) == 88);
static_assert(sizeof(WAVEFORMATEX) == 18);

constexpr DWORD BI_RGB = 0;
constexpr WORD WAVE_FORMAT_PCM = 1;
// FOURCCs as they stand in biCompression.
constexpr DWORD kFourccYUY2 = 0x32595559;  // 'YUY2'
constexpr DWORD kFourccMJPG = 0x47504A4D;  // 'MJPG'
constexpr DWORD MakeFourcc(char a, char b, char c, char d) {
  return static_cast<DWORD>(static_cast<unsigned char>(a)) |
         static_cast<DWORD>(static_cast<unsigned char>(b)) << 8 |
         static_cast<DWORD>(static_cast<unsigned char>(c)) << 16 |
         static_cast<DWORD>(static_cast<unsigned char>(d)) << 24;
}

// A media type. pbFormat is a task-memory block of cbFormat bytes owned by the
// structure: DeleteMediaType frees both, FreeMediaType only the block.
struct AM_MEDIA_TYPE {
  MajorType majortype;
  SubType subtype;
  BOOL bFixedSizeSamples;
  BOOL bTemporalCompression;
  ULONG lSampleSize;
  FormatType formattype;
  ULONG cbFormat;
  BYTE* pbFormat;
};

void FreeMediaType(AM_MEDIA_TYPE& type);
void DeleteMediaType(AM_MEDIA_TYPE* type);
// A new media type (task memory) holding a copy of source; null when out of memory.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE& source);
// Replaces type's format block with a copy of size bytes; FALSE when out of memory.
BOOL SetMediaTypeFormat(AM_MEDIA_TYPE& type, const void* format, ULONG size);

enum class FilterState { Stopped, Paused, Running };
using OAFilterState = FilterState;
using OAHWND = HWND;
constexpr long OATRUE = -1;
constexpr long OAFALSE = 0;
constexpr long WS_CHILD = 0x40000000L;
constexpr long WS_CLIPSIBLINGS = 0x04000000L;
constexpr long WS_CLIPCHILDREN = 0x02000000L;
