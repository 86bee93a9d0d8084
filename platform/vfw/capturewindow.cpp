#include "platform/vfw/capturewindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <algorithm>
#include <cstring>
#include <map>

#include "platform/dshow/avimuxfilter.h"
#include "platform/dshow/capturefilter.h"
#include "platform/dshow/capturegraphbuilder.h"
#include "platform/dshow/faults.h"
#include "platform/dshow/filtergraph.h"
#include "platform/dshow/videorenderer.h"
#include "platform/system/files.h"
#include "platform/system/prefix.h"
#include "platform/system/winpath.h"
#include "platform/ui/dialogbuilder.h"
#include "platform/ui/windowops.h"

namespace vfw {

namespace {

// A still waits this long for the first frame of a preview just started.
constexpr int kFirstFrameWaitMs = 1000;

// The format each camera had when it was last disconnected, for this run.
std::map<std::string, dshow::VideoFormat>& RememberedFormats() {
  static std::map<std::string, dshow::VideoFormat> formats;
  return formats;
}

std::string FormatKey(const dshow::DeviceDescription& device) {
  return device.friendlyName + '\n' + device.hostId;
}

// A camera starts in the format it had last in this run, else at the
// classic capture size of 320 by 240 where it offers that, else in its own.
void ChooseStartFormat(dshow::CaptureFilter& camera) {
  dshow::VideoFormat format = camera.videoFormat();
  auto remembered = RememberedFormats().find(FormatKey(camera.device()));
  if (remembered != RememberedFormats().end()) {
    format = remembered->second;
  } else {
    format.width = 320;
    format.height = 240;
  }
  if (dshow::Offers(camera.videoFormats(), format)) camera.SetVideoFormat(format);
}

template <class Record>
Record* RecordArg(WPARAM size, LPARAM pointer) {
  if (size != sizeof(Record) || pointer == 0) return nullptr;
  return reinterpret_cast<Record*>(pointer);
}

}  // namespace

CaptureWindow::CaptureWindow(const std::string& title, QWidget* parent) : QWidget(parent) {
  setWindowTitle(QString::fromStdString(title));
  setAccessibleName(QString::fromStdString(title));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(true);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  // The platform's defaults until a caller sets its own.
  m_params.dwRequestMicroSecPerFrame = 66667;
  m_params.wPercentDropForError = 10;
  m_params.wNumVideoRequested = 5;
  m_params.fCaptureAudio = TRUE;
  m_params.wNumAudioRequested = 4;
  m_params.vKeyAbort = VK_ESCAPE;
  m_params.fAbortLeftMouse = TRUE;
  m_params.fAbortRightMouse = TRUE;
  m_params.wTimeLimit = 30;
  m_params.wStepCaptureAverageFrames = 3;
  m_params.AVStreamMaster = AVSTREAMMASTER_AUDIO;
}

CaptureWindow::~CaptureWindow() {
  // A recording in progress is finished, not cut off.
  EndSequence();
  if (m_waiting) m_waiting->quit();
  Disconnect();
}

std::string CaptureWindow::DefaultCaptureFile() {
  return orvane::winpath::FromHost(orvane::prefix::CacheDir() + "/CAPTURE.AVI");
}

bool CaptureWindow::event(QEvent* event) {
  if (event->type() != WindowMessageEvent::EventType()) return QWidget::event(event);
  auto* message = static_cast<WindowMessageEvent*>(event);
  message->setResult(Handle(message->message(), message->wParam(), message->lParam()));
  return true;
}

LRESULT CaptureWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  const bool connected = m_camera != nullptr;
  switch (message) {
    case WM_CAP_DRIVER_CONNECT: return Connect(wParam);
    case WM_CAP_DRIVER_DISCONNECT: return Disconnect();
    case WM_CAP_DRIVER_GET_NAMEA: {
      auto* buffer = reinterpret_cast<LPSTR>(lParam);
      if (!connected || !buffer || wParam == 0) return FALSE;
      const std::string& name = m_camera->device().friendlyName;
      const std::size_t n = std::min<std::size_t>(name.size(), wParam - 1);
      std::memcpy(buffer, name.data(), n);
      buffer[n] = '\0';
      return TRUE;
    }
    case WM_CAP_DRIVER_GET_CAPS: {
      auto* caps = RecordArg<CAPDRIVERCAPS>(wParam, lParam);
      if (!caps || !connected) return FALSE;
      *caps = CAPDRIVERCAPS{};
      caps->wDeviceIndex = static_cast<UINT>(m_driverIndex);
      caps->fHasOverlay = FALSE;  // no overlay hardware: the preview is drawn
      caps->fHasDlgVideoSource = TRUE;
      caps->fHasDlgVideoFormat = m_camera->device().hasStreamConfig;
      caps->fCaptureInitialized = TRUE;
      return TRUE;
    }
    case WM_CAP_GET_STATUS: {
      auto* status = RecordArg<CAPSTATUS>(wParam, lParam);
      if (!status || !connected || FAILED(dshow::faults::Check("WM_CAP_GET_STATUS"))) return FALSE;
      FillStatus(*status);
      return TRUE;
    }
    case WM_CAP_GET_SEQUENCE_SETUP: {
      auto* params = RecordArg<CAPTUREPARMS>(wParam, lParam);
      if (!params) return FALSE;
      *params = m_params;
      return TRUE;
    }
    case WM_CAP_SET_SEQUENCE_SETUP: {
      auto* params = RecordArg<CAPTUREPARMS>(wParam, lParam);
      return params ? SetSequenceSetup(*params) : FALSE;
    }
    case WM_CAP_FILE_SET_CAPTURE_FILEA: {
      auto* path = reinterpret_cast<LPCSTR>(lParam);
      if (!path || !*path || m_capturing) return FALSE;
      // Only a path that maps to the host can take a recording. A refused
      // one also forgets the last file, which a sequence would write over.
      if (!orvane::winpath::ToHost(path)) {
        m_captureFile.clear();
        return FALSE;
      }
      m_captureFile = path;
      return TRUE;
    }
    case WM_CAP_FILE_GET_CAPTURE_FILEA: {
      auto* buffer = reinterpret_cast<LPSTR>(lParam);
      if (!buffer || wParam == 0) return FALSE;
      const std::string file = m_captureFile.empty() ? DefaultCaptureFile() : m_captureFile;
      const std::size_t n = std::min<std::size_t>(file.size(), wParam - 1);
      std::memcpy(buffer, file.data(), n);
      buffer[n] = '\0';
      return TRUE;
    }
    case WM_CAP_FILE_SAVEDIBA: return connected ? SaveDib(reinterpret_cast<LPCSTR>(lParam)) : FALSE;
    case WM_CAP_SET_PREVIEW: return connected ? SetPreview(wParam != 0) : FALSE;
    case WM_CAP_SET_OVERLAY: return FALSE;  // no driver here has overlay hardware
    case WM_CAP_SET_PREVIEWRATE:
      if (!connected || wParam == 0) return FALSE;
      m_previewRateMs = static_cast<UINT>(wParam);
      if (m_renderer && m_renderer->widget())
        m_renderer->widget()->SetMinimumFrameInterval(static_cast<int>(m_previewRateMs));
      return TRUE;
    case WM_CAP_SEQUENCE: return connected ? StartSequence() : FALSE;
    case WM_CAP_STOP:
    case WM_CAP_ABORT: return EndSequence();
    case WM_CAP_DLG_VIDEOSOURCE: return connected ? SourceDialog() : FALSE;
    case WM_CAP_DLG_VIDEOFORMAT: return connected ? FormatDialog() : FALSE;
    case WM_CAP_DLG_VIDEOCOMPRESSION: return connected ? CompressionDialog() : FALSE;
    default:
      if (message == kGraphEventMessage) HandleGraphEvents();
      return 0;
  }
}

BOOL CaptureWindow::Connect(WPARAM index) {
  if (FAILED(dshow::faults::Check("WM_CAP_DRIVER_CONNECT"))) return FALSE;
  std::vector<DriverInfo> drivers = ListDrivers();
  if (index >= drivers.size()) return FALSE;
  Disconnect();
  auto camera = dshow::CaptureFilter::Create(drivers[index].device);
  if (!camera) return FALSE;
  if (camera->device().hasStreamConfig) ChooseStartFormat(*camera);
  m_graph = std::make_shared<dshow::FilterGraph>();
  m_builder = std::make_shared<dshow::CaptureGraphBuilder>();
  if (FAILED(m_builder->SetFiltergraph(m_graph)) ||
      FAILED(m_graph->AddFilter(camera, camera->Name()))) {
    m_graph.reset();
    m_builder.reset();
    return FALSE;
  }
  m_camera = camera;
  m_driverIndex = static_cast<int>(index);
  m_audioHardware = !dshow::ListDevices(DeviceCategory::AudioInput).empty();
  m_graph->SetNotifyWindow(this, kGraphEventMessage, 0);
  if (!BuildPreview()) {
    Disconnect();
    return FALSE;
  }
  return TRUE;
}

BOOL CaptureWindow::Disconnect() {
  if (!m_camera) return FALSE;
  EndSequence();
  m_graph->SetNotifyWindow(nullptr, 0, 0);
  m_graph->Stop();
  RememberedFormats()[FormatKey(m_camera->device())] = m_camera->videoFormat();
  m_renderer.reset();
  m_camera.reset();
  m_builder.reset();
  m_graph.reset();
  m_preview = false;
  m_driverIndex = -1;
  update();
  return TRUE;
}

bool CaptureWindow::BuildPreview() {
  if (m_renderer) m_graph->RemoveFilter(m_renderer);
  m_renderer = dshow::VideoRenderer::Create();
  if (FAILED(m_graph->AddFilter(m_renderer, "Video Renderer")) ||
      FAILED(m_builder->RenderStream(PinCategory::Preview, m_camera, nullptr, m_renderer))) {
    m_graph->RemoveFilter(m_renderer);
    m_renderer.reset();
    return false;
  }
  m_renderer->put_Owner(this);
  m_renderer->widget()->SetMinimumFrameInterval(static_cast<int>(m_previewRateMs));
  PlaceRenderer();
  m_renderer->put_Visible(m_preview ? OATRUE : OAFALSE);
  return true;
}

void CaptureWindow::PlaceRenderer() {
  // The image at its own size from the top-left corner: a window smaller
  // than the image shows part of it.
  const dshow::VideoFormat format = m_camera->videoFormat();
  m_renderer->SetWindowPosition(0, 0, format.width, format.height);
}

bool CaptureWindow::SyncGraph() {
  const bool wanted = m_preview || m_capturing;
  if (wanted == (m_graph->state() == FilterState::Running)) return true;
  if (!wanted) return SUCCEEDED(m_graph->Stop());
  if (SUCCEEDED(m_graph->Run())) return true;
  m_graph->Stop();
  return false;
}

BOOL CaptureWindow::SetPreview(bool on) {
  const bool was = m_preview;
  m_preview = on;
  if (!SyncGraph()) {
    m_preview = was;
    return FALSE;
  }
  if (m_renderer) m_renderer->put_Visible(on ? OATRUE : OAFALSE);
  return m_renderer ? TRUE : FALSE;
}

void CaptureWindow::FillStatus(CAPSTATUS& status) const {
  status = CAPSTATUS{};
  const dshow::VideoFormat format = m_camera->videoFormat();
  status.uiImageWidth = static_cast<UINT>(format.width);
  status.uiImageHeight = static_cast<UINT>(format.height);
  status.fLiveWindow = m_preview;
  status.fAudioHardware = !dshow::ListDevices(DeviceCategory::AudioInput).empty() ? TRUE : FALSE;
  const std::string file = m_captureFile.empty() ? DefaultCaptureFile() : m_captureFile;
  status.fCapFileExists = orvane::files::NameIsTaken(file);
  status.fCapturingNow = m_capturing;
  if (m_capturing) {
    status.dwCurrentVideoFrame = m_mux ? static_cast<DWORD>(m_mux->framesWritten()) : 0;
    status.dwCurrentTimeElapsedMS = static_cast<DWORD>(m_sequenceClock.elapsed());
  } else {
    status.dwCurrentVideoFrame = m_lastFrames;
    status.dwCurrentTimeElapsedMS = m_lastElapsedMs;
  }
  status.dwReturn = m_lastError;
  status.wNumVideoAllocated = m_params.wNumVideoRequested;
  status.wNumAudioAllocated = m_params.fCaptureAudio ? m_params.wNumAudioRequested : 0;
}

BOOL CaptureWindow::SaveDib(LPCSTR path) {
  if (!path || !*path || !m_renderer) return FALSE;
  // A preview just started may not have shown its first frame yet.
  // The frame reaches the renderer through the event loop; the window may be
  // closed while it waits.
  long size = 0;
  QElapsedTimer waited;
  waited.start();
  QPointer<CaptureWindow> self(this);
  while (m_renderer->GetCurrentImage(&size, nullptr) != S_OK &&
         m_graph->state() == FilterState::Running && waited.elapsed() < kFirstFrameWaitMs) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (!self || !m_renderer) return FALSE;
    QThread::msleep(5);
  }
  if (size <= 0) return FALSE;
  std::vector<BYTE> dib(static_cast<std::size_t>(size));
  if (m_renderer->GetCurrentImage(&size, reinterpret_cast<long*>(dib.data())) != S_OK) return FALSE;
  // BITMAPFILEHEADER, then the packed DIB (a 24-bit one has no colour table).
  constexpr DWORD kFileHeader = 14;
  BYTE header[kFileHeader] = {'B', 'M'};
  const DWORD fileSize = kFileHeader + static_cast<DWORD>(dib.size());
  const DWORD offBits = kFileHeader + sizeof(BITMAPINFOHEADER);
  std::memcpy(header + 2, &fileSize, 4);
  std::memcpy(header + 10, &offBits, 4);
  const HFILE file = _lcreat(path, 0);
  if (file == HFILE_ERROR) return FALSE;
  const bool written = _lwrite(file, header, kFileHeader) == kFileHeader &&
                       _lwrite(file, dib.data(), static_cast<UINT>(dib.size())) == dib.size();
  const bool closed = _lclose(file) != HFILE_ERROR;
  if (!written || !closed) {
    DeleteFile(path);  // a picture cut short is no picture
    return FALSE;
  }
  return TRUE;
}

}  // namespace vfw

HWND capCreateCaptureWindowA(LPCSTR title, DWORD style, int x, int y, int width, int height,
                             HWND parent, int id) {
  const bool child = (style & kCapWsChild) != 0;
  if (child && !parent) return nullptr;
  auto* window = new vfw::CaptureWindow(title ? title : "", child ? ClientArea(parent) : nullptr);
  window->setProperty(orvane::ui::kControlIdProperty, id);
  window->setGeometry(x, y, std::max(0, width), std::max(0, height));
  if (style & kCapWsVisible) window->show();
  return window;
}
