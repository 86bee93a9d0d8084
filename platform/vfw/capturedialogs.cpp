// The capture window's three dialogs: the camera's own controls (source),
// its sizes and rates (format) and what a sequence writes (compression).
// The first two are the capture layer's property pages.
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "platform/dshow/capturefilter.h"
#include "platform/dshow/filtergraph.h"
#include "platform/dshow/propertypages.h"
#include "platform/dshow/videorenderer.h"
#include "platform/vfw/capturewindow.h"

namespace vfw {

BOOL CaptureWindow::SourceDialog() {
  const dshow::Ref<dshow::IUnknown> object = m_camera;
  const dshow::PropertyPageId page = dshow::PropertyPageId::DeviceControls;
  return SUCCEEDED(dshow::OleCreatePropertyFrame(this, 0, 0, "Video Source", 1, &object, 1, &page,
                                                 0, 0, nullptr));
}

BOOL CaptureWindow::FormatDialog() {
  // The format changes only while nothing streams, and not under a recording.
  if (m_capturing || !m_camera->device().hasStreamConfig) return FALSE;
  const dshow::VideoFormat before = m_camera->videoFormat();
  m_graph->Stop();
  const dshow::Ref<dshow::IUnknown> object = std::make_shared<dshow::StreamConfig>(m_camera);
  const dshow::PropertyPageId page = dshow::PropertyPageId::CaptureFormat;
  const HRESULT hr = dshow::OleCreatePropertyFrame(this, 0, 0, "Video Format", 1, &object, 1, &page,
                                                   0, 0, nullptr);
  // Another coding needs another renderer chain; another size a new place.
  // A format the preview cannot take is undone.
  bool shown = true;
  if (!(m_camera->videoFormat() == before) && !BuildPreview()) {
    m_camera->SetVideoFormat(before);
    BuildPreview();
    shown = false;
  }
  SyncGraph();
  return SUCCEEDED(hr) && shown;
}

BOOL CaptureWindow::CompressionDialog() {
  if (m_capturing) return FALSE;
  QDialog dialog(this);
  dialog.setObjectName("compressionDialog");
  dialog.setWindowTitle(QStringLiteral("Video Compression"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* label = new QLabel(QStringLiteral("&Compressor:"), &dialog);
  auto* list = new QListWidget(&dialog);
  list->setObjectName("compressor");
  label->setBuddy(list);
  list->addItem(QStringLiteral("Full Frames (Uncompressed)"));
  list->addItem(QStringLiteral("Motion JPEG"));
  list->setCurrentRow(m_compression == dshow::VideoCompression::kMotionJpeg ? 1 : 0);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  layout->addWidget(label);
  layout->addWidget(list);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
  if (dialog.exec() == QDialog::Accepted)
    m_compression = list->currentRow() == 1 ? dshow::VideoCompression::kMotionJpeg
                                            : dshow::VideoCompression::kFullFrames;
  return TRUE;
}

}  // namespace vfw
