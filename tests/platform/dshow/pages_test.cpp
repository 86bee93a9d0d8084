#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <functional>

#include "platform/dshow/acm.h"
#include "platform/dshow/capturefilter.h"
#include "platform/dshow/com.h"
#include "platform/dshow/devices.h"
#include "platform/system/taskmem.h"
#include "tests/support/audiochooseranswer.h"
#include "tests/support/eventloop.h"

using namespace dshow;

using Answer = orvane::test::AudioChooserAnswer;

TEST(AudioChooser, OpensOnTheCurrentFormatAndReturnsTheChoice) {
  DWORD maxSize = 0;
  ASSERT_EQ(acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &maxSize), MMSYSERR_NOERROR);
  EXPECT_GE(maxSize, sizeof(WAVEFORMATEX));
  EXPECT_EQ(acmMetrics(nullptr, 1, &maxSize), MMSYSERR_INVALPARAM);

  WAVEFORMATEX wfx{WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
  ACMFORMATCHOOSE choose{};
  choose.cbStruct = sizeof choose;
  choose.fdwStyle = ACMFORMATCHOOSE_STYLEF_INITTOWFXSTRUCT;
  choose.pwfx = &wfx;
  choose.cbwfx = maxSize;
  choose.fdwEnum = ACM_FORMATENUMF_HARDWARE | ACM_FORMATENUMF_INPUT;
  {
    Answer answer(AudioFormat{44100, 16, 2});
    ASSERT_EQ(acmFormatChoose(&choose), MMSYSERR_NOERROR);
    EXPECT_EQ(answer.initial, (AudioFormat{22050, 16, 1}));
    EXPECT_EQ(answer.offered.size(), 28u);
  }
  EXPECT_EQ(wfx.nSamplesPerSec, 44100u);
  EXPECT_EQ(wfx.nChannels, 2);
  EXPECT_EQ(wfx.nBlockAlign, 4);
  EXPECT_EQ(wfx.nAvgBytesPerSec, 176400u);
  {
    Answer cancel(std::nullopt);
    EXPECT_EQ(acmFormatChoose(&choose), ACMERR_CANCELED);
  }
  EXPECT_EQ(wfx.nSamplesPerSec, 44100u);  // unchanged by a cancel
  choose.cbwfx = 10;
  EXPECT_EQ(acmFormatChoose(&choose), ACMERR_NOTPOSSIBLE);

  // The real dialog lists the formats and answers OK and Cancel.
  choose.cbwfx = sizeof wfx;
  orvane::test::WhenModalShows<QDialog>([](QDialog* dialog) {
    auto* list = dialog->findChild<QComboBox*>("formats");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->currentText(), "44100 Hz 16 bit stereo");
    list->setCurrentIndex(0);
    dialog->accept();
  });
  ASSERT_EQ(acmFormatChoose(&choose), MMSYSERR_NOERROR);
  EXPECT_EQ(wfx.nSamplesPerSec, 8000u);
  EXPECT_STREQ(choose.szFormat, "8000 Hz 8 bit mono");
}

TEST(PropertyPages, TheFormatPageChangesWhatGetFormatReports) {
  testapi::SetDevices({testapi::VirtualCamera()}, false);
  Ref<IBaseFilter> camera = CaptureFilter::Create(testapi::VirtualCamera());
  Ref<ISpecifyPropertyPages> filterPages;
  ASSERT_EQ(QueryInterface(camera, &filterPages), S_OK);
  CAUUID pages{};
  ASSERT_EQ(filterPages->GetPages(&pages), S_OK);
  ASSERT_EQ(pages.cElems, 1u);
  EXPECT_EQ(pages.pElems[0], PropertyPageId::DeviceControls);
  CoTaskMemFree(pages.pElems);

  Ref<ICaptureGraphBuilder> builder;
  Ref<IGraphBuilder> graph;
  CoCreateInstance(Clsid::CaptureGraphBuilder, &builder);
  CoCreateInstance(Clsid::FilterGraph, &graph);
  builder->SetFiltergraph(graph);
  graph->AddFilter(camera, "");
  Ref<IAMStreamConfig> config;
  ASSERT_EQ(builder->FindStreamConfig(PinCategory::Capture, camera, &config), S_OK);
  Ref<ISpecifyPropertyPages> pinPages;
  ASSERT_EQ(QueryInterface(config, &pinPages), S_OK);
  ASSERT_EQ(pinPages->GetPages(&pages), S_OK);
  EXPECT_EQ(pages.pElems[0], PropertyPageId::CaptureFormat);

  orvane::test::WhenModalShows<QDialog>([](QDialog* dialog) {
    auto* size = dialog->findChild<QComboBox*>("size");
    auto* rate = dialog->findChild<QComboBox*>("rate");
    ASSERT_TRUE(size && rate);
    EXPECT_EQ(size->currentText(), "640 x 480 YUY2");
    EXPECT_EQ(rate->currentText(), "15 fps");
    size->setCurrentIndex(size->findText("320 x 240 MJPG"));
    // The camera's own rates, and only those.
    ASSERT_EQ(rate->count(), 2);
    EXPECT_EQ(rate->itemText(0), "30 fps");
    rate->setCurrentIndex(0);
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  });
  Ref<IUnknown> object = config;
  ASSERT_EQ(OleCreatePropertyFrame(nullptr, 30, 30, "Lumitrex Virtual Camera", 1, &object,
                                   pages.cElems, pages.pElems, 0, 0, nullptr),
            S_OK);
  CoTaskMemFree(pages.pElems);
  AM_MEDIA_TYPE* type = nullptr;
  ASSERT_EQ(config->GetFormat(&type), S_OK);
  auto format = VideoFormatOf(*type);
  DeleteMediaType(type);
  ASSERT_TRUE(format);
  EXPECT_EQ(*format, (VideoFormat{SubType::MJPG, 320, 240, 333333}));
  testapi::ResetDevices();
}
