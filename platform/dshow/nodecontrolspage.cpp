#include "platform/dshow/nodecontrolspage.h"

#include <linux/videodev2.h>

#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <map>

namespace dshow {

namespace {

long ValueOf(QWidget* w) {
  if (auto* slider = qobject_cast<QSlider*>(w)) return slider->value();
  if (auto* box = qobject_cast<QCheckBox*>(w)) return box->isChecked() ? 1 : 0;
  if (auto* list = qobject_cast<QComboBox*>(w)) return list->currentData().toLongLong();
  return 0;
}

QWidget* MakeRow(const v4l2::Control& c, long value, QFormLayout* form) {
  QWidget* parent = form->parentWidget();
  const QString name = QString::fromStdString(c.name);
  QWidget* w = nullptr;
  switch (c.type) {
    case v4l2::Control::Type::kInteger: {
      auto* slider = new QSlider(Qt::Horizontal, parent);
      slider->setRange(static_cast<int>(c.min), static_cast<int>(c.max));
      slider->setSingleStep(static_cast<int>(c.step));
      slider->setValue(static_cast<int>(value));
      w = slider;
      form->addRow(name, w);
      break;
    }
    case v4l2::Control::Type::kBoolean: {
      auto* box = new QCheckBox(name, parent);
      box->setChecked(value != 0);
      w = box;
      form->addRow(w);
      break;
    }
    case v4l2::Control::Type::kMenu: {
      auto* list = new QComboBox(parent);
      for (const auto& [item, text] : c.items) {
        list->addItem(QString::fromStdString(text), QVariant::fromValue<qlonglong>(item));
        if (item == value) list->setCurrentIndex(list->count() - 1);
      }
      w = list;
      form->addRow(name, w);
      break;
    }
  }
  w->setObjectName(name);
  w->setAccessibleName(name);
  return w;
}

std::vector<v4l2::Control> ControlsOf(v4l2::NodeControls* node, NodeControlClass kind) {
  std::vector<v4l2::Control> controls = node ? node->List() : std::vector<v4l2::Control>{};
  std::erase_if(controls, [kind](const v4l2::Control& c) {
    const bool camera = V4L2_CTRL_ID2CLASS(c.id) == V4L2_CTRL_CLASS_CAMERA;
    return camera != (kind == NodeControlClass::kCamera);
  });
  return controls;
}

}  // namespace

bool HasNodeControls(const Ref<CaptureFilter>& filter, NodeControlClass kind) {
  return !ControlsOf(filter->nodeControls(), kind).empty();
}

void AddNodeControlRows(const Ref<CaptureFilter>& filter, NodeControlClass kind,
                        QFormLayout* form, std::vector<std::function<void()>>* appliers) {
  v4l2::NodeControls* node = filter->nodeControls();
  if (!node) return;
  std::map<std::uint32_t, QWidget*> rows;
  std::map<std::uint32_t, long> shown;
  const std::vector<v4l2::Control> controls = ControlsOf(node, kind);
  if (controls.empty()) return;
  for (const v4l2::Control& c : controls) {
    const long value = node->Get(c.id).value_or(c.defaultValue);
    rows[c.id] = MakeRow(c, value, form);
    shown[c.id] = value;
  }
  // A control its automatic mode drives follows that mode's row.
  for (const v4l2::Control& c : controls) {
    const auto mode = v4l2::NodeControls::AutomaticOf(c.id);
    if (!mode || !rows.count(mode->first)) continue;
    QWidget* driven = rows[c.id];
    QWidget* master = rows[mode->first];
    const long manual = mode->second;
    auto follow = [driven, master, manual] { driven->setEnabled(ValueOf(master) == manual); };
    if (auto* box = qobject_cast<QCheckBox*>(master))
      QObject::connect(box, &QCheckBox::toggled, driven, follow);
    if (auto* list = qobject_cast<QComboBox*>(master))
      QObject::connect(list, &QComboBox::currentIndexChanged, driven, follow);
    follow();
  }
  appliers->push_back([filter, rows, shown] {
    v4l2::NodeControls* camera = filter->nodeControls();
    if (!camera) return;
    for (bool driven : {false, true})
      for (const auto& [id, w] : rows) {
        if (v4l2::NodeControls::AutomaticOf(id).has_value() != driven || !w->isEnabled()) continue;
        const long value = ValueOf(w);
        if (value != shown.at(id)) camera->Set(id, value);
      }
  });
}

}  // namespace dshow
