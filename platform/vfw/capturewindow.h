// The capture window: a child window that a driver index connects to a
// camera, and that previews, writes stills and runs streaming captures into
// AVI files when it is sent the WM_CAP_ messages (vfwtypes.h).
//
// It is a second face on the capture layer, not a copy of it: the camera,
// the microphone, the renderer, the compressor, the AVI writer (with its
// repair after a failed write) and the property pages are dshow's, joined
// in one filter graph the window owns. The camera's preview branch always
// runs into the renderer, which shows the image at its own size in the
// window's top-left corner; a sequence adds the compressor, the
// multiplexer, the writer and, with audio, the microphone, and takes them
// out again when it ends.
//
// Message results: TRUE (1) done, FALSE (0) refused or failed, as the
// platform's capture window answers. A record's wParam must be its exact
// size. GUI thread only; a sequence streams on GStreamer's threads.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>

#include "platform/dshow/videocompressor.h"
#include "platform/vfw/capturedrivers.h"
#include "platform/vfw/vfwtypes.h"

class QEventLoop;
class QTimer;

namespace dshow {
class CaptureFilter;
class CaptureGraphBuilder;
class FilterGraph;
class VideoRenderer;
class AviMuxFilter;
class FileWriterFilter;
}  // namespace dshow

namespace vfw {

class CaptureWindow : public QWidget {
 public:
  CaptureWindow(const std::string& title, QWidget* parent);
  ~CaptureWindow() override;

  // The file a sequence writes while none was set:
  // "CAPTURE.AVI" in the programs' cache folder, in Windows form.
  static std::string DefaultCaptureFile();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The graph tells of a failed write or a lost camera with this message.
  static constexpr UINT kGraphEventMessage = WM_USER + 0x300;

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  // Driver and preview (capturewindow.cpp).
  BOOL Connect(WPARAM index);
  BOOL Disconnect();
  BOOL SetPreview(bool on);
  bool BuildPreview();
  void PlaceRenderer();
  bool SyncGraph();  // runs the graph while it has anything to show or write
  BOOL SaveDib(LPCSTR path);
  void FillStatus(CAPSTATUS& status) const;

  // Dialogs (capturedialogs.cpp).
  BOOL SourceDialog();
  BOOL FormatDialog();
  BOOL CompressionDialog();

  // Sequences (capturesequence.cpp).
  BOOL SetSequenceSetup(const CAPTUREPARMS& params);
  BOOL StartSequence();
  bool AddSequenceBranch(const std::string& file);
  void RemoveSequenceBranch();
  void RestoreCameraFormat();
  // Ends the running sequence: the file is finalised (or repaired after a
  // failed write). TRUE when one was running.
  BOOL EndSequence();
  void HandleGraphEvents();
  bool AbortsOn(const QEvent* event) const;

  // The connection.
  int m_driverIndex = -1;
  std::shared_ptr<dshow::FilterGraph> m_graph;
  std::shared_ptr<dshow::CaptureGraphBuilder> m_builder;
  std::shared_ptr<dshow::CaptureFilter> m_camera;
  std::shared_ptr<dshow::VideoRenderer> m_renderer;
  bool m_preview = false;
  BOOL m_audioHardware = FALSE;  // a microphone was listed at the connection
  UINT m_previewRateMs = 15;

  // Sequences.
  CAPTUREPARMS m_params{};
  std::string m_captureFile;
  dshow::VideoCompression m_compression = dshow::VideoCompression::kFullFrames;
  bool m_capturing = false;
  dshow::VideoFormat m_formatBeforeSequence;
  std::shared_ptr<dshow::CaptureFilter> m_microphone;
  std::shared_ptr<dshow::VideoCompressorFilter> m_compressor;
  std::shared_ptr<dshow::AviMuxFilter> m_mux;
  std::shared_ptr<dshow::FileWriterFilter> m_writer;
  QElapsedTimer m_sequenceClock;  // since the running sequence began
  DWORD m_lastFrames = 0;         // the last sequence's frames, once it ended
  DWORD m_lastElapsedMs = 0;      // and its length
  DWORD m_lastError = 0;          // the last failure's code, for CAPSTATUS
  QTimer* m_limit = nullptr;
  QEventLoop* m_waiting = nullptr;  // a sequence that does not yield runs in it
};

}  // namespace vfw

// A new capture window: a child of parent when style has WS_CHILD, shown
// when it has WS_VISIBLE, at (x, y) with that size, titled title, with
// control id id. Null without a parent, as a child window needs one.
HWND capCreateCaptureWindowA(LPCSTR title, DWORD style, int x, int y, int width, int height,
                             HWND parent, int id);
