#include "platform/dshow/propertypages.h"

#include <gst/video/colorbalance.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "platform/dshow/capturefilter.h"
#include "platform/dshow/nodecontrolspage.h"
#include "platform/system/taskmem.h"

namespace dshow {

namespace {

// One tab: its widget and what Apply does.
struct Page {
  QWidget* widget;
  QString title;
  std::function<HRESULT()> apply;
};

QString RateText(Fraction rate) {
  return rate.den == 1 ? QStringLiteral("%1 fps").arg(rate.num)
                       : QStringLiteral("%1 fps").arg(rate.value(), 0, 'f', 2);
}

// The rates a size is offered at: its list, or for a range the usual
// rates inside it and its bounds.
std::vector<Fraction> RateChoices(const VideoFormatRange& r) {
  if (!r.rates.empty()) return r.rates;
  std::vector<Fraction> choices{r.maxRate};
  for (int fps : {60, 30, 25, 20, 15, 10, 5})
    if (fps < r.maxRate.value() && fps > r.minRate.value()) choices.push_back({fps, 1});
  if (!(r.minRate == r.maxRate)) choices.push_back(r.minRate);
  return choices;
}

Page FormatPage(const Ref<CaptureFilter>& filter, QWidget* parent) {
  auto* widget = new QWidget(parent);
  auto* form = new QFormLayout(widget);
  auto* size = new QComboBox(widget);
  size->setObjectName("size");
  auto* rate = new QComboBox(widget);
  rate->setObjectName("rate");
  auto* status = new QLabel(widget);
  status->setObjectName("status");
  const std::vector<VideoFormatRange> ranges = filter->videoFormats();
  const VideoFormat current = filter->videoFormat();
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    const VideoFormatRange& r = ranges[i];
    size->addItem(
        QStringLiteral("%1 x %2 %3").arg(r.width).arg(r.height).arg(SubTypeName(r.subtype)));
    if (r.width == current.width && r.height == current.height && r.subtype == current.subtype)
      size->setCurrentIndex(static_cast<int>(i));
  }
  // The rates of the size chosen, the one nearest the current rate selected.
  auto listRates = [ranges, size, rate] {
    const double wanted = rate->count() > 0 ? rate->currentData().toDouble()
                                            : rate->property("initial").toDouble();
    rate->clear();
    if (size->currentIndex() < 0) return;
    const VideoFormatRange& r = ranges[static_cast<std::size_t>(size->currentIndex())];
    const Fraction nearest = r.NearestRate(wanted);
    for (Fraction f : RateChoices(r)) {
      rate->addItem(RateText(f), f.value());
      if (f == nearest) rate->setCurrentIndex(rate->count() - 1);
    }
  };
  rate->setProperty("initial", StandardRate(current.avgTimePerFrame).value());
  QObject::connect(size, &QComboBox::currentIndexChanged, widget, listRates);
  listRates();
  form->addRow(QStringLiteral("Output size:"), size);
  form->addRow(QStringLiteral("Frame rate:"), rate);
  form->addRow(status);
  auto apply = [filter, ranges, size, rate, status]() -> HRESULT {
    if (size->currentIndex() < 0 || rate->currentIndex() < 0) return E_FAIL;
    const VideoFormatRange& r = ranges[static_cast<std::size_t>(size->currentIndex())];
    const double fps = rate->currentData().toDouble();
    VideoFormat format{r.subtype, r.width, r.height, static_cast<REFERENCE_TIME>(1e7 / fps)};
    if (format == filter->videoFormat()) return S_OK;
    HRESULT hr = filter->SetVideoFormat(format);
    status->setText(SUCCEEDED(hr) ? QString()
                                  : QStringLiteral("The device cannot take this format now."));
    return hr;
  };
  return {widget, QStringLiteral("Stream Format"), apply};
}

Page ControlsPage(const Ref<CaptureFilter>& filter, QWidget* parent) {
  auto* widget = new QWidget(parent);
  auto* form = new QFormLayout(widget);
  std::vector<std::function<void()>> appliers;
  if (filter->device().source == DeviceDescription::Source::VirtualCamera) {
    auto* pattern = new QComboBox(widget);
    pattern->setObjectName("pattern");
    pattern->addItems({"Colour bars", "Snow", "Black", "White", "Ball"});
    static const int patterns[] = {0, 1, 2, 3, 18};
    const int now = filter->testPattern();
    for (int i = 0; i < 5; ++i)
      if (patterns[i] == now) pattern->setCurrentIndex(i);
    auto* clock = new QCheckBox(QStringLiteral("Show the running time"), widget);
    clock->setObjectName("clock");
    clock->setChecked(filter->showsClock());
    form->addRow(QStringLiteral("Picture:"), pattern);
    form->addRow(clock);
    appliers.push_back([filter, pattern, clock] {
      filter->setTestPattern(patterns[std::max(0, pattern->currentIndex())]);
      filter->setShowsClock(clock->isChecked());
    });
  }
  if (filter->nodeControls()) {
    AddNodeControlRows(filter, NodeControlClass::kPicture, form, &appliers);
  } else if (GstColorBalance* balance = filter->colorBalance()) {
    // The picture controls (brightness, contrast, ...). The source, and
    // with it its channels, may be rebuilt before OK (the format page
    // changes the format): each apply sets the channel by its name in the
    // source there is then, and the filter keeps the value for later ones.
    for (const GList* item = gst_color_balance_list_channels(balance); item; item = item->next) {
      auto* channel = GST_COLOR_BALANCE_CHANNEL(item->data);
      auto* slider = new QSlider(Qt::Horizontal, widget);
      // A label in capitals ("BRIGHTNESS") is shown as a word.
      QString label = QString::fromUtf8(channel->label);
      slider->setObjectName(label);
      if (label == label.toUpper()) label = label.left(1) + label.mid(1).toLower();
      slider->setAccessibleName(label);
      slider->setRange(channel->min_value, channel->max_value);
      slider->setValue(gst_color_balance_get_value(balance, channel));
      form->addRow(label, slider);
      appliers.push_back([filter, label = std::string(channel->label), slider] {
        filter->setControl(label, slider->value());
      });
    }
  }
  if (appliers.empty())
    form->addRow(new QLabel(HasNodeControls(filter, NodeControlClass::kCamera)
                                ? QStringLiteral("This camera has no picture controls.")
                                : QStringLiteral("This device has no controls.")));
  auto apply = [appliers]() -> HRESULT {
    for (const auto& a : appliers) a();
    return S_OK;
  };
  return {widget, QStringLiteral("Video Proc Amp"), apply};
}

Page CameraControlPage(const Ref<CaptureFilter>& filter, QWidget* parent) {
  auto* widget = new QWidget(parent);
  auto* form = new QFormLayout(widget);
  std::vector<std::function<void()>> appliers;
  AddNodeControlRows(filter, NodeControlClass::kCamera, form, &appliers);
  auto apply = [appliers]() -> HRESULT {
    for (const auto& a : appliers) a();
    return S_OK;
  };
  return {widget, QStringLiteral("Camera Control"), apply};
}

}  // namespace

HRESULT MakePageList(std::initializer_list<PropertyPageId> ids, CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = static_cast<PropertyPageId*>(CoTaskMemAlloc(ids.size() * sizeof(PropertyPageId)));
  if (!pages->pElems) return E_OUTOFMEMORY;
  for (PropertyPageId id : ids) pages->pElems[pages->cElems++] = id;
  return S_OK;
}

HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCSTR caption, ULONG objectCount,
                               const Ref<IUnknown>* objects, ULONG pageCount,
                               const PropertyPageId* pages, DWORD, DWORD, void*) {
  if (!objects || objectCount == 0 || !objects[0] || !pages || pageCount == 0) return E_INVALIDARG;
  Ref<CaptureFilter> filter = std::dynamic_pointer_cast<CaptureFilter>(objects[0]);
  if (auto config = std::dynamic_pointer_cast<StreamConfig>(objects[0])) filter = config->filter();
  if (!filter) return E_INVALIDARG;

  QDialog frame(owner);
  frame.setObjectName("propertyFrame");
  frame.setWindowTitle(QString::fromUtf8(caption ? caption : "") + QStringLiteral(" Properties"));
  auto* layout = new QVBoxLayout(&frame);
  auto* tabs = new QTabWidget(&frame);
  layout->addWidget(tabs);
  std::vector<Page> built;
  for (ULONG i = 0; i < pageCount; ++i) {
    if (pages[i] == PropertyPageId::CaptureFormat && filter->isVideo())
      built.push_back(FormatPage(filter, tabs));
    else if (pages[i] == PropertyPageId::DeviceControls)
      built.push_back(ControlsPage(filter, tabs));
    // A camera's lens and exposure controls on a tab of their own.
    if (pages[i] == PropertyPageId::DeviceControls && HasNodeControls(filter, NodeControlClass::kCamera))
      built.push_back(CameraControlPage(filter, tabs));
  }
  if (built.empty()) return E_INVALIDARG;
  for (const Page& page : built) tabs->addTab(page.widget, page.title);
  auto* buttons = new QDialogButtonBox(
      QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, &frame);
  layout->addWidget(buttons);
  auto applyAll = [&built] {
    bool ok = true;
    for (const Page& page : built) ok = SUCCEEDED(page.apply()) && ok;
    return ok;
  };
  QObject::connect(buttons, &QDialogButtonBox::accepted, &frame, [&] {
    if (applyAll()) frame.accept();
  });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &frame, &QDialog::reject);
  QObject::connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, &frame,
                   [&] { applyAll(); });
  const QPoint at = owner ? owner->mapToGlobal(QPoint(static_cast<int>(x), static_cast<int>(y)))
                          : QPoint(static_cast<int>(x), static_cast<int>(y));
  frame.move(at);
  frame.exec();
  return S_OK;
}

}  // namespace dshow
