#include "platform/dshow/acm.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

dshow::testapi::AudioFormatChooserObserver* g_observer = nullptr;

std::optional<dshow::AudioFormat> AskUser(HWND owner, const char* title,
                                          const std::vector<dshow::AudioFormat>& offered,
                                          std::size_t initial) {
  QDialog dialog(owner);
  dialog.setWindowTitle(title ? QString::fromUtf8(title) : QStringLiteral("Sound Selection"));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(QStringLiteral("Format:"), &dialog));
  auto* list = new QComboBox(&dialog);
  list->setObjectName("formats");
  for (const dshow::AudioFormat& f : offered)
    list->addItem(QString::fromStdString(dshow::Describe(f)));
  list->setCurrentIndex(static_cast<int>(initial));
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted || list->currentIndex() < 0) return std::nullopt;
  return offered[static_cast<std::size_t>(list->currentIndex())];
}

}  // namespace

MMRESULT acmMetrics(HACMOBJ, UINT metric, void* value) {
  if (metric != ACM_METRIC_MAX_SIZE_FORMAT || !value) return MMSYSERR_INVALPARAM;
  const DWORD size = sizeof(WAVEFORMATEX);
  std::memcpy(value, &size, sizeof size);
  return MMSYSERR_NOERROR;
}

MMRESULT acmFormatChoose(ACMFORMATCHOOSE* choose) {
  if (!choose || choose->cbStruct < sizeof(ACMFORMATCHOOSE) || !choose->pwfx)
    return MMSYSERR_INVALPARAM;
  if (choose->cbwfx < sizeof(WAVEFORMATEX)) return ACMERR_NOTPOSSIBLE;
  const std::vector<dshow::AudioFormat> offered = dshow::VirtualMicrophoneFormats();
  std::size_t initial = 0;
  if (choose->fdwStyle & ACMFORMATCHOOSE_STYLEF_INITTOWFXSTRUCT) {
    WAVEFORMATEX current;
    std::memcpy(&current, choose->pwfx, sizeof current);
    const dshow::AudioFormat wanted{static_cast<int>(current.nSamplesPerSec),
                                    current.wBitsPerSample, current.nChannels};
    auto it = std::find(offered.begin(), offered.end(), wanted);
    if (it != offered.end()) initial = static_cast<std::size_t>(it - offered.begin());
  }
  std::optional<dshow::AudioFormat> chosen =
      g_observer ? g_observer->Choose(offered, offered[initial])
                 : AskUser(choose->hwndOwner, choose->pszTitle, offered, initial);
  if (!chosen) return ACMERR_CANCELED;
  WAVEFORMATEX wfx{};
  wfx.wFormatTag = WAVE_FORMAT_PCM;
  wfx.nChannels = static_cast<WORD>(chosen->channels);
  wfx.nSamplesPerSec = static_cast<DWORD>(chosen->samplesPerSec);
  wfx.wBitsPerSample = static_cast<WORD>(chosen->bitsPerSample);
  wfx.nBlockAlign = static_cast<WORD>(chosen->channels * chosen->bitsPerSample / 8);
  wfx.nAvgBytesPerSec = wfx.nSamplesPerSec * wfx.nBlockAlign;
  std::memcpy(choose->pwfx, &wfx, sizeof wfx);
  std::snprintf(choose->szFormatTag, sizeof choose->szFormatTag, "PCM");
  std::snprintf(choose->szFormat, sizeof choose->szFormat, "%s", dshow::Describe(*chosen).c_str());
  return MMSYSERR_NOERROR;
}

namespace dshow::testapi {

void SetAudioFormatChooserObserver(AudioFormatChooserObserver* observer) { g_observer = observer; }

}  // namespace dshow::testapi
