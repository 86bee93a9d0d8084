// The audio format chooser on the audio capture pin.
#include <algorithm>
#include <cstring>
#include <vector>

#include "dshow_edition/captureengine.h"
#include "dshow_edition/capturesettings.h"
#include "platform/dshow/acm.h"

using namespace dshow;

namespace {

// The bytes a WAVEFORMATEX says it has: the header and its extra part.
DWORD WaveFormatSize(const BYTE* block) {
  WAVEFORMATEX header;
  std::memcpy(&header, block, sizeof header);
  return sizeof header + header.cbSize;
}

}  // namespace

void PickAudioFormat(HWND owner) {
  CaptureGraphState& state = GraphState();
  if (!state.audioStreamConfig) return;
  DWORD largest = 0;
  acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &largest);
  AM_MEDIA_TYPE* type = nullptr;
  if (FAILED(state.audioStreamConfig->GetFormat(&type))) return;
  // The current block, zero-filled to a whole WAVEFORMATEX (a plain PCM block
  // of 16 bytes has no cbSize: it reads as 0), then grown to hold what its
  // header says and the chooser's largest format. Nothing is read or
  // written past either block.
  std::vector<BYTE> buffer(std::max<size_t>(type->cbFormat, sizeof(WAVEFORMATEX)), 0);
  if (type->pbFormat) std::memcpy(buffer.data(), type->pbFormat, type->cbFormat);
  const DWORD size = std::max({largest, WaveFormatSize(buffer.data()), DWORD(buffer.size())});
  buffer.resize(size, 0);

  ACMFORMATCHOOSE choose{};
  choose.cbStruct = sizeof choose;
  choose.fdwStyle = ACMFORMATCHOOSE_STYLEF_INITTOWFXSTRUCT;
  choose.hwndOwner = owner;
  choose.pwfx = reinterpret_cast<WAVEFORMATEX*>(buffer.data());
  choose.cbwfx = size;
  choose.fdwEnum = ACM_FORMATENUMF_HARDWARE | ACM_FORMATENUMF_INPUT;
  if (acmFormatChoose(&choose) == MMSYSERR_NOERROR) {
    if (state.previewing) HaltPreview();
    SetMediaTypeFormat(*type, buffer.data(), std::min(WaveFormatSize(buffer.data()), size));
    state.audioStreamConfig->SetFormat(type);
    if (Settings().WantPreview) RunPreview();
  }
  DeleteMediaType(type);
}
