// The audio format chooser (acmMetrics, acmFormatChoose) as a modal Qt dialog
// listing the PCM formats the audio capture devices can deliver.
#pragma once

#include <optional>

#include "platform/dshow/dshowtypes.h"
#include "platform/dshow/formats.h"

using MMRESULT = UINT;
using HACMOBJ = void*;
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT ACMERR_NOTPOSSIBLE = 512;
constexpr MMRESULT ACMERR_CANCELED = 515;
constexpr UINT ACM_METRIC_MAX_SIZE_FORMAT = 50;
constexpr DWORD ACMFORMATCHOOSE_STYLEF_INITTOWFXSTRUCT = 0x00000040;
constexpr DWORD ACM_FORMATENUMF_HARDWARE = 0x00400000;
constexpr DWORD ACM_FORMATENUMF_INPUT = 0x00800000;

struct ACMFORMATCHOOSE {
  DWORD cbStruct;
  DWORD fdwStyle;
  HWND hwndOwner;
  WAVEFORMATEX* pwfx;  // in: the format to open on; out: the chosen one
  DWORD cbwfx;         // bytes at pwfx
  LPCSTR pszTitle;
  char szFormatTag[48];
  char szFormat[128];  // out: the chosen format in words
  LPSTR pszName;
  DWORD cchName;
  DWORD fdwEnum;
  WAVEFORMATEX* pwfxEnum;
  void* hInstance;
  LPCSTR pszTemplateName;
  INT_PTR lCustData;
  void* pfnHook;
};

// ACM_METRIC_MAX_SIZE_FORMAT: the largest format block any listed format
// needs (a PCM WAVEFORMATEX). MMSYSERR_INVALPARAM for other metrics.
MMRESULT acmMetrics(HACMOBJ object, UINT metric, void* value);

// Runs the chooser modally (GUI thread). MMSYSERR_NOERROR with the choice in
// *pwfx, ACMERR_CANCELED, MMSYSERR_INVALPARAM for a bad structure,
// ACMERR_NOTPOSSIBLE when cbwfx cannot hold a WAVEFORMATEX.
MMRESULT acmFormatChoose(ACMFORMATCHOOSE* choose);

namespace dshow::testapi {

// Answers the chooser instead of a user while installed: the format to
// choose, or nothing for Cancel. The formats offered come in offered.
class AudioFormatChooserObserver {
 public:
  virtual ~AudioFormatChooserObserver() = default;
  virtual std::optional<AudioFormat> Choose(const std::vector<AudioFormat>& offered,
                                            const AudioFormat& initial) = 0;
};
void SetAudioFormatChooserObserver(AudioFormatChooserObserver* observer);

}  // namespace dshow::testapi
