#include "platform/ui/dialogcontrolstyle.h"

#include <QApplication>
#include <QPointer>
#include <QProxyStyle>

namespace orvane::ui {

namespace {

class TemplateControlStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    switch (metric) {
      case PM_IndicatorWidth:
      case PM_IndicatorHeight:
      case PM_ExclusiveIndicatorWidth:
      case PM_ExclusiveIndicatorHeight: return 13;
      case PM_CheckBoxLabelSpacing:
      case PM_RadioButtonLabelSpacing: return 3;
      default: return QProxyStyle::pixelMetric(metric, option, widget);
    }
  }
};

}  // namespace

QStyle* DialogControlStyle() {
  static QPointer<QStyle> style;
  if (!style) {
    style = new TemplateControlStyle;
    style->setParent(qApp);
  }
  return style;
}

}  // namespace orvane::ui
