#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QWidget>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "dshow_edition/captureengine.h"
#include "dshow_edition/capturesettings.h"
#include "platform/dshow/devices.h"
#include "platform/dshow/faults.h"
#include "platform/dshow/formats.h"
#include "platform/dshow/videorenderer.h"
#include "tests/dshow_edition/enginefixture.h"
#include "tests/support/audiochooseranswer.h"
#include "tests/support/eventloop.h"

using namespace dshow;
using orvane::test::PumpUntil;

using Engine = orvane::test::EngineTest;

TEST_F(Engine, OpensTheFirstCameraWhoseNameBeginsWithTheMakersWord) {
  struct Case {
    std::vector<std::string> cameras;
    LONG videoDevice;  // -1: none opened
    std::vector<std::string> texts;
  } cases[] = {
      {{"Other Cam", "Lumitrex A", "LUMITREX B"}, 1, {}},
      {{"lumitrexcam"}, 0, {}},
      {{"Lumitre", "My Lumitrex"}, -1, {"Error 1: Cannot create video capture filter"}},
  };
  for (const Case& tc : cases) {
    std::vector<DeviceDescription> set;
    for (const std::string& name : tc.cameras) set.push_back(Camera(name));
    set.push_back(testapi::VirtualMicrophone());
    testapi::SetDevices(set, false);
    boxes.clear();
    Settings().VideoDevice = -1;
    const BOOL ok = SetUpCaptureFilters(&owner);
    EXPECT_EQ(ok, tc.videoDevice >= 0 ? TRUE : FALSE) << tc.cameras[0];
    EXPECT_EQ(Settings().VideoDevice, tc.videoDevice) << tc.cameras[0];
    EXPECT_EQ(boxes.texts(), tc.texts) << tc.cameras[0];
    if (!ok) {
      EXPECT_FALSE(GraphState().videoCapture || GraphState().graph || GraphState().builder);
    }
    ReleaseCaptureFilters();
  }
  // The engine's box: no owner, the default caption, task-modal warning.
  ASSERT_FALSE(boxes.boxes().empty());
  EXPECT_EQ(boxes.boxes()[0].caption, "Error");
  EXPECT_EQ(boxes.boxes()[0].owner, nullptr);
  EXPECT_EQ(boxes.boxes()[0].style, MB_TASKMODAL | MB_ICONWARNING);
}

TEST_F(Engine, EverySetUpFailureSaysWhatFailedAndLeavesTheStateAsDesigned) {
  struct Case {
    const char* fault;
    HRESULT code;
    std::vector<std::string> texts;
    BOOL result;
    bool filtersKept;
    int passes = 0;  // calls that succeed first (the camera's AddFilter)
  } cases[] = {
      {"CoCreateInstance(CaptureGraphBuilder)",
       E_FAIL,
       {"Cannot instantiate graph builder"},
       FALSE,
       false},
      {"IMoniker::BindToObject",
       static_cast<HRESULT>(0x80070005),
       {"Error 80070005: Cannot create video capture filter"},
       FALSE,
       false},
      {"CoCreateInstance(FilterGraph)", E_FAIL, {"Cannot instantiate filtergraph"}, FALSE, false},
      {"ICaptureGraphBuilder::SetFiltergraph",
       E_FAIL,
       {"Cannot give graph to builder"},
       FALSE,
       false},
      {"IGraphBuilder::AddFilter",
       E_FAIL,
       {"Error 80004005: Cannot add vidcap to filtergraph"},
       FALSE,
       false},
      {"ICaptureGraphBuilder::FindInterface(IAMStreamConfig,Capture)",
       E_NOINTERFACE,
       {"Error 80004002: Cannot find VCapture:IAMStreamConfig"},
       TRUE,
       true},
      {"ICreateDevEnum::CreateClassEnumerator(Video)", E_FAIL, {}, FALSE, false},
      {"IGraphBuilder::AddFilter",
       E_FAIL,
       {"Error 80004005: Cannot add audcap to filtergraph"},
       FALSE,
       false,
       1},
  };
  for (const Case& tc : cases) {
    testapi::SetDevices({Camera("Lumitrex Virtual Camera"), testapi::VirtualMicrophone()}, false);
    boxes.clear();
    faults::Arm(tc.fault, tc.code, 1, tc.passes);
    EXPECT_EQ(SetUpCaptureFilters(&owner), tc.result) << tc.fault;
    EXPECT_EQ(boxes.texts(), tc.texts) << tc.fault;
    EXPECT_EQ(static_cast<bool>(GraphState().videoCapture), tc.filtersKept) << tc.fault;
    EXPECT_EQ(static_cast<bool>(GraphState().graph), tc.filtersKept) << tc.fault;
    faults::DisarmAll();
    ReleaseCaptureFilters();
  }
}

TEST_F(Engine, AudioProblemsClearTheAudioFlagsButKeepTheCamera) {
  DeviceDescription micWithoutConfig = testapi::VirtualMicrophone();
  micWithoutConfig.hasStreamConfig = false;
  DeviceDescription camWithoutConfig = Camera("Lumitrex Virtual Camera");
  camWithoutConfig.hasStreamConfig = false;
  struct Case {
    std::vector<DeviceDescription> devices;
    LONG audioDevice;
    std::vector<std::string> texts;
    BOOL captureAudio, audioAvailable;
  } cases[] = {
      {{Camera("Lumitrex Virtual Camera")}, 0, {}, 0, 0},
      {{Camera("Lumitrex Virtual Camera"), testapi::VirtualMicrophone()},
       3,
       {"Cannot create audio capture filter"},
       0,
       0},
      {{Camera("Lumitrex Virtual Camera"), micWithoutConfig},
       0,
       {"Cannot find ACapture:IAMStreamConfig"},
       1,
       1},
      {{camWithoutConfig, testapi::VirtualMicrophone()},
       0,
       {"Error 80004002: Cannot find VCapture:IAMStreamConfig"},
       1,
       1},
  };
  for (const Case& tc : cases) {
    testapi::SetDevices(tc.devices, false);
    boxes.clear();
    Settings().CaptureAudio = 1;
    Settings().AudioAvailable = 1;
    Settings().AudioDevice = tc.audioDevice;
    EXPECT_TRUE(SetUpCaptureFilters(&owner));
    EXPECT_EQ(boxes.texts(), tc.texts);
    EXPECT_EQ(Settings().CaptureAudio, tc.captureAudio);
    EXPECT_EQ(Settings().AudioAvailable, tc.audioAvailable);
    EXPECT_TRUE(GraphState().videoCapture);
    ReleaseCaptureFilters();
  }
}

TEST_F(Engine, ListingFindsTheFirstNamedCameraOrSaysThereIsNone) {
  DeviceDescription unnamed = Camera("x");
  unnamed.hasName = false;
  testapi::SetDevices({unnamed, Camera("Second"), Camera("Third")}, false);
  ListCaptureDevices();
  EXPECT_EQ(firstVideoDevice, 1);
  EXPECT_TRUE(boxes.texts().empty());
  testapi::SetDevices({testapi::VirtualMicrophone()}, false);
  firstVideoDevice = 7;
  ListCaptureDevices();
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Sorry, you have no video capture hardware"});
  EXPECT_EQ(firstVideoDevice, 7);
}

TEST_F(Engine, TheLoadStartsAPreviewAtTheProfilesFrameRate) {
  testapi::SetDevices({testapi::VirtualCamera(), testapi::VirtualMicrophone()}, false);
  owner.show();
  LoadSettings(&owner);
  EXPECT_TRUE(boxes.texts().empty());
  EXPECT_TRUE(GraphState().previewGraphBuilt);
  EXPECT_TRUE(GraphState().previewing);
  EXPECT_EQ(Settings().VideoDevice, 0);
  AM_MEDIA_TYPE* type = nullptr;
  ASSERT_EQ(GraphState().videoStreamConfig->GetFormat(&type), S_OK);
  EXPECT_EQ(VideoFormatOf(*type)->avgTimePerFrame, 667111);  // 14.99 fps
  DeleteMediaType(type);
  auto renderer = std::dynamic_pointer_cast<VideoRenderer>(GraphState().videoWindow);
  ASSERT_TRUE(renderer);
  EXPECT_EQ(renderer->widget()->geometry(), QRect(20, 18, 320, 240));
  ASSERT_TRUE(PumpUntil([&] { return renderer->widget()->paintedFrames() >= 2; }, 5000));
  const QImage picture = owner.grab().toImage();
  int bright = 0;
  for (int x = 30; x < 330; x += 10) bright += qGray(picture.pixel(x, 100)) > 40;
  EXPECT_GT(bright, 5);  // the picture is not black

  EXPECT_TRUE(RunPreview());  // already running: nothing touched
  EXPECT_TRUE(HaltPreview());
  EXPECT_FALSE(HaltPreview());  // nothing to halt, no message
  EXPECT_TRUE(boxes.texts().empty());
}

// A camera another program holds: the preview cannot run, and says why.
TEST_F(Engine, ABusyCameraSaysSoWhenThePreviewCannotRun) {
  testapi::SetDevices(
      {testapi::VirtualCamera(kVirtualCameraName, VirtualCameraKind::kBusy),
       testapi::VirtualMicrophone()},
      false);
  owner.show();
  testing::internal::CaptureStderr();
  LoadSettings(&owner);
  EXPECT_THAT(testing::internal::GetCapturedStderr(), testing::HasSubstr("orvane-probe doctor"));
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Error 800700aa: Cannot run preview graph"});
  EXPECT_TRUE(GraphState().previewGraphBuilt);
  EXPECT_FALSE(GraphState().previewing);
}

TEST_F(Engine, TakingThePreviewApartKeepsTheDevicesForTheNextBuild) {
  DeviceDescription camera = testapi::VirtualCamera();
  camera.hasPreviewPin = false;
  testapi::SetDevices({camera, testapi::VirtualMicrophone()}, false);
  ASSERT_TRUE(SetUpCaptureFilters(&owner));
  ASSERT_TRUE(AssemblePreviewGraph(&owner));
  EXPECT_TRUE(GraphState().previewFromCapturePin);
  EXPECT_TRUE(GraphState().videoWindow);
  EXPECT_TRUE(boxes.texts().empty());
  GraphState().capturing = true;
  DismantleGraph();
  EXPECT_FALSE(AssemblePreviewGraph(&owner));  // refused while recording
  GraphState().capturing = false;
  EXPECT_FALSE(GraphState().previewFromCapturePin);
  EXPECT_FALSE(GraphState().videoWindow);
  ASSERT_TRUE(AssemblePreviewGraph(&owner));
  ASSERT_TRUE(RunPreview());
  auto renderer = std::dynamic_pointer_cast<VideoRenderer>(GraphState().videoWindow);
  ASSERT_TRUE(renderer);
  EXPECT_TRUE(PumpUntil([&] { return renderer->framesArrived() >= 2; }, 5000));

  // A failing run is reported with its code and leaves the preview off.
  HaltPreview();
  faults::Arm("IMediaControl::Run", E_FAIL, 1);
  EXPECT_FALSE(RunPreview());
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Error 80004005: Cannot run preview graph"});
  EXPECT_FALSE(GraphState().previewing);

  // A failing halt is said, and the preview counts as running still.
  ASSERT_TRUE(RunPreview());
  boxes.clear();
  faults::Arm("IMediaControl::Stop", E_FAIL, 1);
  EXPECT_FALSE(HaltPreview());
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Error 80004005: Cannot stop preview graph"});
  EXPECT_TRUE(GraphState().previewing);
}

TEST_F(Engine, ThePreviewsStepsSayWhatFailedAndTheGraphIsBuiltAllTheSame) {
  testapi::SetDevices({testapi::VirtualCamera(), testapi::VirtualMicrophone()}, false);
  ASSERT_TRUE(SetUpCaptureFilters(&owner));
  const struct {
    const char* fault;
    std::vector<std::string> texts;
  } cases[] = {
      {"IAMStreamConfig::SetFormat", {"80004005: Cannot set frame rate for preview"}},
      {"IAMStreamConfig::GetFormat", {}},
      // No renderer then, so no window either: both are said.
      {"ICaptureGraphBuilder::RenderStream(Preview)",
       {"This graph cannot preview!", "This graph cannot preview properly"}},
      {"ICaptureGraphBuilder::FindInterface(IVideoWindow,Preview)",
       {"This graph cannot preview properly"}},
  };
  for (const auto& c : cases) {
    boxes.clear();
    faults::Arm(c.fault, E_FAIL, 1);
    EXPECT_TRUE(AssemblePreviewGraph(&owner)) << "built all the same";
    EXPECT_EQ(boxes.texts(), c.texts) << c.fault;
    faults::DisarmAll();
    DismantleGraph();
  }
  // A rate with no frame duration is refused, not divided by; each form says
  // so in its own words.
  Settings().UseFrameRate = 1;
  Settings().FrameRate = 0;
  boxes.clear();
  ApplyFrameRate(FrameRateForm::kPreview);
  ApplyFrameRate(FrameRateForm::kCapture);
  EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"80070057: Cannot set frame rate for preview",
                                                     "Cannot set frame rate for capture"}));
}

namespace {

// A pin's stream configuration that hands out one chosen format block, as a
// driver with an unusual block would, and keeps what it is given.
class BlockStreamConfig : public IAMStreamConfig {
 public:
  BlockStreamConfig(AM_MEDIA_TYPE* base, std::string block) : m_base(base), m_block(block) {}
  ~BlockStreamConfig() override { DeleteMediaType(m_base); }

  HRESULT GetFormat(AM_MEDIA_TYPE** type) override {
    *type = CreateMediaType(*m_base);
    SetMediaTypeFormat(**type, m_block.data(), static_cast<ULONG>(m_block.size()));
    return S_OK;
  }
  HRESULT SetFormat(const AM_MEDIA_TYPE* type) override {
    set.emplace_back(reinterpret_cast<const char*>(type->pbFormat), type->cbFormat);
    return S_OK;
  }
  std::vector<std::unique_ptr<AM_MEDIA_TYPE, void (*)(AM_MEDIA_TYPE*)>> Formats() override {
    return {};
  }

  std::vector<std::string> set;  // the blocks given to SetFormat

 private:
  AM_MEDIA_TYPE* m_base;
  std::string m_block;
};

std::string WaveBlock(WORD channels, DWORD rate, WORD bits, WORD cbSize, std::size_t size) {
  WAVEFORMATEX wfx{WAVE_FORMAT_PCM,
                   channels,
                   rate,
                   static_cast<DWORD>(rate * channels * bits / 8),
                   static_cast<WORD>(channels * bits / 8),
                   bits,
                   cbSize};
  std::string block(std::max(size, sizeof wfx), '\0');
  std::memcpy(block.data(), &wfx, sizeof wfx);
  block.resize(size);
  return block;
}

}  // namespace

TEST_F(Engine, FormatBlocksOfAnyLengthAreReadNoFurtherThanTheyGo) {
  Settings().WantPreview = 0;
  const struct {
    const char* what;
    std::string block;
  } cases[] = {
      {"16-byte block without cbSize", WaveBlock(2, 44100, 16, 0, 16)},
      {"extensible block", WaveBlock(2, 44100, 16, 22, 40)},
      {"block longer than its header says", WaveBlock(2, 44100, 16, 0, 64)},
      {"cbSize past the block", WaveBlock(2, 44100, 16, 4000, 18)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto config = std::make_shared<BlockStreamConfig>(ToMediaType(AudioFormat{}), c.block);
    GraphState().audioStreamConfig = config;
    orvane::test::AudioChooserAnswer answer(AudioFormat{8000, 8, 1});
    PickAudioFormat(&owner);
    EXPECT_EQ(answer.initial, (AudioFormat{44100, 16, 2}));
    ASSERT_EQ(config->set.size(), 1u);
    EXPECT_EQ(config->set[0].size(), sizeof(WAVEFORMATEX)) << "the chosen block, whole";
    AM_MEDIA_TYPE* chosen = ToMediaType(AudioFormat{});
    SetMediaTypeFormat(*chosen, config->set[0].data(), static_cast<ULONG>(config->set[0].size()));
    EXPECT_EQ(AudioFormatOf(*chosen), (AudioFormat{8000, 8, 1}));
    DeleteMediaType(chosen);
  }
  GraphState().audioStreamConfig.reset();

  // A video block too short for its header holds no rate to set: nothing is
  // read past it, and only the capture form says so.
  Settings().UseFrameRate = 1;
  auto video =
      std::make_shared<BlockStreamConfig>(ToMediaType(VideoFormat{}), std::string(40, 'v'));
  GraphState().videoStreamConfig = video;
  ApplyFrameRate(FrameRateForm::kPreview);
  EXPECT_TRUE(boxes.texts().empty());
  ApplyFrameRate(FrameRateForm::kCapture);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Cannot set frame rate for capture"});
  EXPECT_TRUE(video->set.empty());
  GraphState().videoStreamConfig.reset();
}

TEST_F(Engine, TheCameraNameMatchIgnoresTheCLibrarysLocale) {
  // A Turkish locale folds "I" to a dotless i and "\xDD" (capital dotted I)
  // to "i": a locale-aware match would miss one camera and take the other.
  const std::string locales = prefix.path("locales");
  std::filesystem::create_directories(locales);
  const std::string command =
      "localedef -i tr_TR -f ISO-8859-9 '" + locales + "/tr_TR.ISO-8859-9' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) GTEST_SKIP() << "no locale sources to build tr_TR from";
  orvane::test::ScopedEnv locpath("LOCPATH", locales);
  ASSERT_NE(std::setlocale(LC_ALL, "tr_TR.ISO-8859-9"), nullptr);
  const struct {
    std::vector<std::string> cameras;
    LONG videoDevice;
  } cases[] = {
      {{"LUM\xDDTREX Cam", "LUMITREX Cam"}, 1},
      {{"lumitrex"}, 0},
  };
  for (const auto& c : cases) {
    std::vector<DeviceDescription> set;
    for (const std::string& name : c.cameras) set.push_back(Camera(name));
    testapi::SetDevices(set, false);
    Settings().VideoDevice = -1;
    SetUpCaptureFilters(&owner);
    EXPECT_EQ(Settings().VideoDevice, c.videoDevice) << c.cameras[0];
    ReleaseCaptureFilters();
  }
  std::setlocale(LC_ALL, "C");
}
