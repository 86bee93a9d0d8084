// The capture window's streaming captures: the branch a sequence adds to the
// graph, its ends (Stop, the time limit, an abort key or mouse button, a
// failed write) and the setup that rules them.
#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <climits>
#include <cstdio>
#include <numeric>

#include "platform/dshow/avimuxfilter.h"
#include "platform/dshow/capturefilter.h"
#include "platform/dshow/capturegraphbuilder.h"
#include "platform/dshow/filtergraph.h"
#include "platform/dshow/videorenderer.h"
#include "platform/ui/messagebox.h"
#include "platform/vfw/capturewindow.h"

namespace vfw {

namespace {

// Qt's key codes for letters, digits and the space are the virtual-key
// codes; Escape is the one other abort key callers use.
bool KeyMatches(UINT virtualKey, int qtKey) {
  if (virtualKey == VK_ESCAPE) return qtKey == Qt::Key_Escape;
  return static_cast<int>(virtualKey) == qtKey;
}

// One frame in ten seconds at the slowest.
constexpr DWORD kSlowestFrameMicroSec = 10000000;

bool KnownAbortKey(UINT virtualKey) {
  return virtualKey == 0 || virtualKey == VK_ESCAPE || virtualKey == VK_SPACE ||
         (virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z');
}

}  // namespace

BOOL CaptureWindow::SetSequenceSetup(const CAPTUREPARMS& params) {
  // A frame takes some time; no MCI device exists to step; the abort key is
  // one the window can recognise.
  if (m_capturing || params.dwRequestMicroSecPerFrame == 0 ||
      params.dwRequestMicroSecPerFrame > kSlowestFrameMicroSec || params.fMCIControl ||
      !KnownAbortKey(params.vKeyAbort))
    return FALSE;
  m_params = params;
  return TRUE;
}

BOOL CaptureWindow::StartSequence() {
  if (m_capturing) return FALSE;
  const std::string file = m_captureFile.empty() ? DefaultCaptureFile() : m_captureFile;
  if (m_params.fMakeUserHitOKToCapture) {
    const std::string text = "Select OK to start capture of video sequence\nto " + file + ".";
    if (MessageBox(this, text.c_str(), "Capture", MB_OKCANCEL) != IDOK) return FALSE;
  }
  m_lastError = 0;
  m_lastFrames = 0;
  m_lastElapsedMs = 0;
  m_graph->Stop();
  m_formatBeforeSequence = m_camera->videoFormat();
  m_capturing = AddSequenceBranch(file);
  // The timer ends the sequence; the multiplexer makes it end at the limit
  // in the file even when the timer comes late.
  if (m_capturing && m_mux && m_params.fLimitEnabled)
    m_mux->LimitLength(static_cast<REFERENCE_TIME>(m_params.wTimeLimit) * 10000000);
  if (!m_capturing || !SyncGraph()) {
    m_capturing = false;
    RemoveSequenceBranch();
    RestoreCameraFormat();
    SyncGraph();
    if (!m_lastError) m_lastError = static_cast<DWORD>(E_FAIL);
    return FALSE;
  }
  m_sequenceClock.start();
  qApp->installEventFilter(this);
  if (m_params.fLimitEnabled) {
    if (!m_limit) {
      m_limit = new QTimer(this);
      m_limit->setSingleShot(true);
      m_limit->setTimerType(Qt::PreciseTimer);
      connect(m_limit, &QTimer::timeout, this, [this] { EndSequence(); });
    }
    m_limit->start(static_cast<int>(std::min<unsigned long long>(
        static_cast<unsigned long long>(m_params.wTimeLimit) * 1000, INT_MAX)));
  }
  if (m_params.fYield) return TRUE;
  // Without yielding, the message returns when the sequence has ended.
  QPointer<CaptureWindow> self(this);
  QEventLoop loop;
  m_waiting = &loop;
  loop.exec();
  if (!self) return FALSE;  // closed meanwhile: the file was finished as it went
  m_waiting = nullptr;
  return m_lastError == 0;
}

bool CaptureWindow::AddSequenceBranch(const std::string& file) {
  const DWORD micros = m_params.dwRequestMicroSecPerFrame;
  // The camera runs at the rate it offers nearest to the one asked for; the
  // multiplexer writes the file at the rate asked for, whatever comes.
  dshow::VideoFormat format = m_camera->videoFormat();
  format.avgTimePerFrame = static_cast<REFERENCE_TIME>(micros) * 10;
  if (!(format == m_camera->videoFormat()) && FAILED(m_camera->SetVideoFormat(format)))
    RestoreCameraFormat();
  const long long divisor = std::gcd(1000000LL, static_cast<long long>(micros));
  m_compressor = dshow::VideoCompressorFilter::Create(
      m_compression, static_cast<int>(1000000LL / divisor), static_cast<int>(micros / divisor));
  if (!m_compressor) {
    m_lastError = static_cast<DWORD>(E_FAIL);
    return false;
  }

  dshow::Ref<dshow::IBaseFilter> mux;
  dshow::Ref<dshow::IFileSinkFilter> sink;
  HRESULT hr = m_builder->SetOutputFileName(SubType::Avi, file, &mux, &sink);
  m_mux = std::dynamic_pointer_cast<dshow::AviMuxFilter>(mux);
  m_writer = std::dynamic_pointer_cast<dshow::FileWriterFilter>(sink);
  if (SUCCEEDED(hr)) hr = m_graph->AddFilter(m_compressor, m_compressor->Name());
  if (SUCCEEDED(hr))
    hr = m_builder->RenderStream(PinCategory::Capture, m_camera, m_compressor, m_mux);
  if (SUCCEEDED(hr) && m_params.fCaptureAudio) {
    // The host's default microphone, else the virtual one; none: picture only.
    std::vector<dshow::DeviceDescription> microphones =
        dshow::ListDevices(DeviceCategory::AudioInput);
    if (!microphones.empty()) {
      m_microphone = dshow::CaptureFilter::Create(microphones.front());
      hr = m_microphone ? m_graph->AddFilter(m_microphone, m_microphone->Name()) : E_FAIL;
      if (SUCCEEDED(hr))
        hr = m_builder->RenderStream(PinCategory::Capture, m_microphone, nullptr, m_mux);
    }
  }
  if (FAILED(hr)) m_lastError = static_cast<DWORD>(hr);
  return SUCCEEDED(hr);
}

void CaptureWindow::RestoreCameraFormat() {
  // The recording's rate was the camera's only while it ran; the preview
  // goes back to the format chosen for it. Graph stopped.
  if (m_camera->videoFormat() == m_formatBeforeSequence) return;
  if (FAILED(m_camera->SetVideoFormat(m_formatBeforeSequence))) return;
  if (m_renderer) PlaceRenderer();
}

void CaptureWindow::RemoveSequenceBranch() {
  for (const dshow::Ref<dshow::IBaseFilter>& filter :
       std::initializer_list<dshow::Ref<dshow::IBaseFilter>>{m_microphone, m_compressor, m_mux,
                                                             m_writer})
    if (filter) m_graph->RemoveFilter(filter);
  m_microphone.reset();
  m_compressor.reset();
  m_mux.reset();
  m_writer.reset();
}

BOOL CaptureWindow::EndSequence() {
  if (!m_capturing) return FALSE;
  if (m_limit) m_limit->stop();
  qApp->removeEventFilter(this);
  m_lastElapsedMs = static_cast<DWORD>(m_sequenceClock.elapsed());
  // Stop finalises the file; S_FALSE: a write failed and the file was
  // repaired up to the failure.
  const HRESULT hr = m_graph->Stop();
  if (hr != S_OK && !m_lastError) m_lastError = static_cast<DWORD>(hr == S_FALSE ? E_FAIL : hr);
  m_lastFrames = m_mux ? static_cast<DWORD>(m_mux->framesWritten()) : 0;
  m_capturing = false;
  RemoveSequenceBranch();
  RestoreCameraFormat();
  SyncGraph();
  if (m_waiting) m_waiting->quit();
  return TRUE;
}

void CaptureWindow::HandleGraphEvents() {
  if (!m_graph) return;
  long code = 0;
  INT_PTR param1 = 0, param2 = 0;
  while (m_graph && m_graph->GetEvent(&code, &param1, &param2, 0) == S_OK) {
    m_graph->FreeEventParams(code, param1, param2);
    if (code != EC_ERRORABORT && code != EC_DEVICE_LOST) continue;
    const DWORD error = code == EC_ERRORABORT ? static_cast<DWORD>(param1) : E_FAIL;
    if (!m_lastError) m_lastError = error;
    if (m_capturing) {
      EndSequence();
    } else if (m_preview) {
      // The camera went while only the preview ran (unplugged): the window
      // goes black and says so once, as the capture service does when no
      // error callback is set.
      m_preview = false;
      SyncGraph();
      if (m_renderer) m_renderer->put_Visible(OAFALSE);
      char text[96];
      std::snprintf(text, sizeof text, "The video capture device stopped (error %x).",
                    static_cast<unsigned>(error));
      MessageBox(this, text, windowTitle().toUtf8().constData(), MB_OK | MB_ICONEXCLAMATION);
    }
  }
}

bool CaptureWindow::AbortsOn(const QEvent* event) const {
  if (event->type() == QEvent::MouseButtonPress) {
    const auto button = static_cast<const QMouseEvent*>(event)->button();
    return (button == Qt::LeftButton && m_params.fAbortLeftMouse) ||
           (button == Qt::RightButton && m_params.fAbortRightMouse);
  }
  if (event->type() == QEvent::KeyPress && m_params.vKeyAbort != 0) {
    const auto* key = static_cast<const QKeyEvent*>(event);
    return !key->isAutoRepeat() && KeyMatches(m_params.vKeyAbort, key->key());
  }
  return false;
}

bool CaptureWindow::eventFilter(QObject* watched, QEvent* event) {
  // A press ends the sequence and still reaches its window.
  if (m_capturing && AbortsOn(event)) EndSequence();
  return QWidget::eventFilter(watched, event);
}

}  // namespace vfw
