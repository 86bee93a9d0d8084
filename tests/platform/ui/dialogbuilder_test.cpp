#include "platform/ui/dialogbuilder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include "platform/ui/dialog.h"
#include "platform/ui/dialogunits.h"
#include "platform/ui/pathlabel.h"
#include "platform/ui/resources.h"
#include "resources/tarrow/tarrowresources.h"
#include "resources/velbin/velbinresources.h"
#include "tests/support/eventloop.h"
#include "tests/support/scopedresourcemodule.h"

using orvane::ui::CreateDialogControls;
using orvane::ui::DialogBaseUnits;
using orvane::ui::DialogFont;
using orvane::ui::DialogRect;
using orvane::ui::DialogTemplate;
using orvane::ui::GetDlgItem;

using orvane::test::ScopedResourceModule;

namespace {

// Read from the module itself, leaving the selection to each test.
const DialogTemplate& Template(const orvane::ui::ResourceModule& module, int id) {
  for (const DialogTemplate& t : module.dialogs)
    if (t.id == id) return t;
  ADD_FAILURE() << "no template " << id;
  static const DialogTemplate empty;
  return empty;
}

}  // namespace

TEST(DialogUnits, MapsEachValueRoundedToNearestAsMulDiv) {
  const DialogBaseUnits units{6, 13};
  const struct {
    DialogRect in;
    QRect out;
  } cases[] = {
      {{8, 10, 187, 46}, {12, 16, 281, 75}},  // 280.5 rounds up
      {{1, 1, 1, 1}, {2, 2, 2, 2}},           // 1.5 and 1.625
      {{7, 61, 10, 12}, {11, 99, 15, 20}},
      {{-3, -5, 0, 4}, {-5, -8, 0, 7}},  // halves round away from zero
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in.x);
    EXPECT_EQ(orvane::ui::MapDialogRect(c.in, units), c.out);
  }
  EXPECT_EQ(orvane::ui::MapDialogSize(273, 87, units), QSize(410, 141));
}

TEST(DialogUnits, TemplateFontsGiveTheBaseUnitsTheSkinsAreDrawnForOnAnyMachine) {
  // Velbin's 8-point panel gets the 6 x 13 units its 421 x 141 background is
  // laid out for, Tarrow's 9-point window the 7 x 14 that fit its 55 x 25
  // faces, whichever fonts are installed and whatever the desktop's dpi.
  const struct {
    int points;
    int cx;
    int cy;
    int em;  // pixels
  } cases[] = {{8, 6, 13, 11}, {9, 7, 14, 12}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.points);
    const DialogBaseUnits units = orvane::ui::TemplateBaseUnits("Arial", c.points);
    EXPECT_EQ(units.cx, c.cx);
    EXPECT_EQ(units.cy, c.cy);
    EXPECT_EQ(DialogFont("Arial", c.points).pixelSize(), c.em);
    // The text itself comes from a font with Arial's widths: the same
    // average letter width as the layout assumes, to within a pixel.
    EXPECT_NEAR(orvane::ui::BaseUnitsOf(DialogFont("Arial", c.points)).cx, c.cx, 1);
  }
  EXPECT_LT(orvane::ui::TemplateBaseUnits("Arial", 6).cy, orvane::ui::TemplateBaseUnits("Arial", 12).cy);
}

TEST(DialogBuilder, PlacesVelbinsPanelControlsAtTheirPixelRectangles) {
  ScopedResourceModule scope(&orvane::resources::VelbinResources());
  QWidget dialog;
  const DialogBaseUnits units =
      CreateDialogControls(Template(orvane::resources::VelbinResources(), 102), &dialog);
  ASSERT_EQ(units.cx, 6);
  ASSERT_EQ(units.cy, 13);
  EXPECT_EQ(dialog.size(), QSize(410, 141));
  EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);  // no caption
  const struct {
    int id;
    QRect rect;
    const char* caption;
  } cases[] = {
      {1, {11, 99, 15, 20}, "Ok"},       {1005, {75, 96, 26, 36}, "Start"},
      {1029, {279, 96, 27, 36}, "Mail"}, {1025, {371, 20, 17, 20}, "Deleteall"},
      {1030, {32, 99, 15, 20}, "About"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    QWidget* control = GetDlgItem(&dialog, c.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->property(orvane::ui::kControlIdProperty).toInt(), c.id);
    EXPECT_EQ(control->geometry(), c.rect);
    auto* button = qobject_cast<QPushButton*>(control);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), c.caption);  // the skin's base name
    EXPECT_FALSE(button->isHidden());
    EXPECT_TRUE(button->isEnabled());
  }
  QWidget* frame = GetDlgItem(&dialog, 1021);  // hidden, disabled black frame
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->geometry(), QRect(12, 16, 281, 75));
  EXPECT_TRUE(frame->isHidden());
  EXPECT_FALSE(frame->isEnabled());
  EXPECT_EQ(GetDlgItem(&dialog, 1019), nullptr);  // Chat has no control
}

TEST(DialogBuilder, EveryCaptionOfBothProgramsShowsWholeAndFoldersShortenInTheMiddle) {
  for (const orvane::ui::ResourceModule* module :
       {&orvane::resources::VelbinResources(), &orvane::resources::TarrowResources()}) {
    ScopedResourceModule scope(module);
    for (const DialogTemplate& t : module->dialogs) {
      SCOPED_TRACE(t.id);
      QWidget dialog;
      CreateDialogControls(t, &dialog);
      for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QString text;
        int room = 0;
        if (auto* label = qobject_cast<QLabel*>(child); label && label->pixmap().isNull()) {
          if (label->text().isEmpty()) continue;
          if (label->wordWrap()) {  // every line it wraps into in sight
            EXPECT_LE(label->heightForWidth(label->width()), label->height()) << label->text().toStdString();
            continue;
          }
          text = label->text();
          room = label->contentsRect().width();
        } else if (qobject_cast<QCheckBox*>(child) || qobject_cast<QRadioButton*>(child)) {
          text = qobject_cast<QAbstractButton*>(child)->text();
          room = child->width() - (child->sizeHint().width() - child->fontMetrics().horizontalAdvance(text));
        } else {
          continue;
        }
        if (text.contains(QLatin1Char('\\'))) continue;  // a folder: may be shortened
        EXPECT_LE(child->fontMetrics().horizontalAdvance(text), room) << text.toStdString();
      }
    }
  }
  // A folder too long for its box keeps its drive and its last folder.
  ScopedResourceModule scope(&orvane::resources::VelbinResources());
  QWidget settings;
  CreateDialogControls(Template(orvane::resources::VelbinResources(), 134), &settings);
  auto* video = dynamic_cast<orvane::ui::PathLabel*>(GetDlgItem(&settings, 1015));
  ASSERT_TRUE(video);
  const QString folder = "C:\\Lumitrex Images\\a folder name far too long to fit\\Video\\";
  video->setText(folder);
  EXPECT_EQ(video->text(), folder);
  const QString shown = video->shownText();
  EXPECT_TRUE(shown.startsWith("C:\\Lum") && shown.endsWith("\\Video\\") && shown.contains(QChar(0x2026)))
      << shown.toStdString();
  EXPECT_LE(video->fontMetrics().horizontalAdvance(shown), video->contentsRect().width());
}

TEST(DialogBuilder, CaptionedTemplatesKeepTheirFrameAndText) {
  QWidget dialog;
  CreateDialogControls(Template(orvane::resources::VelbinResources(), 135), &dialog);
  EXPECT_FALSE(dialog.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(dialog.windowTitle(), "Start Capture Dialog");
  auto* ok = qobject_cast<QPushButton*>(GetDlgItem(&dialog, 1));
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), "Ok");
  EXPECT_EQ(ok->geometry(), QRect(17, 26, 105, 18));  // (11,16,70,11) at 6 x 13
  auto* text = qobject_cast<QLabel*>(GetDlgItem(&dialog, -1));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text(), "Start Capture");
}

TEST(DialogBuilder, FirstControlIsTopmostAndTheBackgroundTakesItsBitmapSize) {
  ScopedResourceModule scope(&orvane::resources::TarrowResources());
  QWidget dialog;
  const DialogBaseUnits units =
      CreateDialogControls(Template(orvane::resources::TarrowResources(), 102), &dialog);
  ASSERT_EQ(units.cx, 7);
  ASSERT_EQ(units.cy, 14);
  auto* picture = qobject_cast<QLabel*>(GetDlgItem(&dialog, -1));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->geometry(), QRect(0, 0, 532, 376));  // not 304 x 202 units
  QWidget* start = GetDlgItem(&dialog, 1001);
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(start->geometry(), QRect(212, 306, 56, 26));
  // The picture comes last in the template, so it lies under every button.
  for (int id : {1001, 1002, 1005, 1, 1035, 1041, 1043, 1059, 1024, 1042, 1061}) {
    QWidget* control = GetDlgItem(&dialog, id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(dialog.childAt(control->geometry().center()), control) << id;
  }
}

TEST(DialogBuilder, GroupBoxesLetClicksThroughToTheControlsTheyFrame) {
  QWidget dialog;
  CreateDialogControls(Template(orvane::resources::VelbinResources(), 134), &dialog);
  for (int id : {1009, 1010, 1011, 1012, 1032, 1033}) {
    QWidget* control = GetDlgItem(&dialog, id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(dialog.childAt(control->geometry().center()), control) << id;
  }
}

TEST(DialogBuilder, RadioButtonsAreExclusiveWithinTheirGroupOnly) {
  QWidget dialog;
  CreateDialogControls(Template(orvane::resources::TarrowResources(), 141), &dialog);
  auto radio = [&](int id) { return qobject_cast<QRadioButton*>(GetDlgItem(&dialog, id)); };
  for (int id : {1030, 1031, 1054, 1055}) ASSERT_NE(radio(id), nullptr) << id;
  radio(1030)->setChecked(true);
  radio(1055)->setChecked(true);
  EXPECT_TRUE(radio(1030)->isChecked());  // another group: untouched
  radio(1031)->setChecked(true);
  EXPECT_FALSE(radio(1030)->isChecked());
  EXPECT_TRUE(radio(1055)->isChecked());
  radio(1054)->setChecked(true);
  EXPECT_FALSE(radio(1055)->isChecked());
  EXPECT_TRUE(radio(1031)->isChecked());
}

TEST(DialogBuilder, FactoryWidgetsArePlacedAndIdentifiedLikeDefaultOnes) {
  QWidget dialog;
  int asked = 0;
  CreateDialogControls(Template(orvane::resources::VelbinResources(), 102), &dialog,
                       [&](const orvane::ui::DialogControl& control, QWidget* parent) -> QWidget* {
                         ++asked;
                         if (control.kind != orvane::ui::ControlKind::kOwnerDrawButton)
                           return nullptr;
                         return new QLabel(QString::fromStdString(control.caption), parent);
                       });
  EXPECT_EQ(asked, 13);  // every control of the template, once
  auto* start = qobject_cast<QLabel*>(GetDlgItem(&dialog, 1005));
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(start->text(), "Start");
  EXPECT_EQ(start->geometry(), QRect(75, 96, 26, 36));
  EXPECT_EQ(qobject_cast<QLabel*>(GetDlgItem(&dialog, 1021)), nullptr);  // the default frame
  EXPECT_NE(GetDlgItem(&dialog, 1021), nullptr);
}

TEST(Dialog, EndsWithTheButtonsIdAndEscCancels) {
  ScopedResourceModule scope(&orvane::resources::VelbinResources());
  QWidget owner;
  {
    orvane::ui::CDialog prompt(135, &owner);
    orvane::test::WhenModalShows<QDialog>([](QDialog* d) {
      EXPECT_EQ(d->windowTitle(), "Start Capture Dialog");
      EXPECT_FALSE(d->windowFlags() & Qt::WindowCloseButtonHint) << "no system menu";
      qobject_cast<QPushButton*>(GetDlgItem(d, 1))->click();
    });
    EXPECT_EQ(prompt.DoModal(), 1);
    orvane::test::WhenModalShows<QDialog>([](QDialog* d) {
      QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(d, &esc);
    });
    EXPECT_EQ(prompt.DoModal(), 2) << "opens again on the same widgets";
  }
  orvane::ui::CDialog missing(4321, &owner);
  EXPECT_EQ(missing.DoModal(), -1);
}
