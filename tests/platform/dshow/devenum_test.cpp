#include <dirent.h>
#include <gtest/gtest.h>

#include <cstring>

#include "platform/dshow/com.h"
#include "platform/dshow/devices.h"
#include "platform/dshow/faults.h"
#include "platform/dshow/formats.h"

using namespace dshow;

namespace {

// The names the enumerator lists for a category, or nothing when it says
// the category is empty.
std::vector<std::string> Names(DeviceCategory category, HRESULT* created = nullptr) {
  Ref<ICreateDevEnum> devEnum;
  EXPECT_EQ(CoCreateInstance(Clsid::SystemDeviceEnum, &devEnum), S_OK);
  Ref<IEnumMoniker> monikers;
  HRESULT hr = devEnum->CreateClassEnumerator(category, &monikers, 0);
  if (created) *created = hr;
  std::vector<std::string> names;
  if (hr != S_OK) {
    EXPECT_EQ(monikers, nullptr);
    return names;
  }
  monikers->Reset();
  Ref<IMoniker> moniker;
  ULONG fetched = 0;
  while (monikers->Next(1, &moniker, &fetched) == S_OK) {
    EXPECT_EQ(fetched, 1u);
    Ref<IPropertyBag> bag;
    std::string name = "<unnamed>";
    if (moniker->BindToStorage(&bag) == S_OK) bag->Read("FriendlyName", &name);
    names.push_back(name);
  }
  EXPECT_EQ(moniker, nullptr);
  return names;
}

class DeviceSet : public ::testing::Test {
 protected:
  ~DeviceSet() override {
    testapi::ResetDevices();
    faults::DisarmAll();
  }
};

}  // namespace

TEST_F(DeviceSet, ListsTheVirtualDevicesAfterTheHostsInAStableOrder) {
  testapi::SetDevices({testapi::VirtualCamera(), testapi::VirtualMicrophone()}, false);
  EXPECT_EQ(Names(DeviceCategory::VideoInput), std::vector<std::string>{kVirtualCameraName});
  EXPECT_EQ(Names(DeviceCategory::AudioInput), std::vector<std::string>{kVirtualMicrophoneName});

  // The default set ends with the same two, whatever the host has.
  testapi::ResetDevices();
  auto video = Names(DeviceCategory::VideoInput);
  ASSERT_FALSE(video.empty());
  EXPECT_EQ(video.back(), kVirtualCameraName);
  EXPECT_EQ(Names(DeviceCategory::VideoInput), video);
}

TEST_F(DeviceSet, DefinedSetsKeepTheirOrderNamesAndGaps) {
  DeviceDescription unnamed = testapi::VirtualCamera("hidden");
  unnamed.hasName = false;
  testapi::SetDevices(
      {testapi::VirtualCamera("Other Cam"), unnamed, testapi::VirtualCamera("LUMITREX Two"),
       testapi::VirtualMicrophone("Mic A"), testapi::VirtualMicrophone("Mic B")},
      false);
  EXPECT_EQ(Names(DeviceCategory::VideoInput),
            (std::vector<std::string>{"Other Cam", "<unnamed>", "LUMITREX Two"}));
  EXPECT_EQ(Names(DeviceCategory::AudioInput), (std::vector<std::string>{"Mic A", "Mic B"}));

  testapi::SetDevices({testapi::VirtualCamera()}, false);
  HRESULT hr = S_OK;
  EXPECT_TRUE(Names(DeviceCategory::AudioInput, &hr).empty());
  EXPECT_EQ(hr, S_FALSE);  // an empty category is not S_OK
  testapi::SetDevices({}, false);
  EXPECT_TRUE(Names(DeviceCategory::VideoInput, &hr).empty());
  EXPECT_EQ(hr, S_FALSE);
}

TEST_F(DeviceSet, InjectedFailuresReachTheCaller) {
  testapi::SetDevices({testapi::VirtualCamera()}, false);
  faults::Arm("ICreateDevEnum::CreateClassEnumerator(Video)", E_FAIL, 1);
  HRESULT hr = S_OK;
  Names(DeviceCategory::VideoInput, &hr);
  EXPECT_EQ(hr, E_FAIL);
  EXPECT_EQ(Names(DeviceCategory::VideoInput, &hr).size(), 1u);  // the fault was spent

  faults::Arm("CoCreateInstance(CaptureGraphBuilder)", E_OUTOFMEMORY);
  Ref<ICaptureGraphBuilder> builder;
  EXPECT_EQ(CoCreateInstance(Clsid::CaptureGraphBuilder, &builder), E_OUTOFMEMORY);
  EXPECT_EQ(builder, nullptr);
  faults::Disarm("CoCreateInstance(CaptureGraphBuilder)");
  EXPECT_EQ(CoCreateInstance(Clsid::CaptureGraphBuilder, &builder), S_OK);
  // The graph answers for all three of its interfaces; the builder for one.
  Ref<IGraphBuilder> graph;
  ASSERT_EQ(CoCreateInstance(Clsid::FilterGraph, &graph), S_OK);
  Ref<IMediaControl> control;
  Ref<IMediaEventEx> events;
  EXPECT_EQ(QueryInterface(graph, &control), S_OK);
  EXPECT_EQ(QueryInterface(graph, &events), S_OK);
  EXPECT_EQ(QueryInterface(builder, &control), E_NOINTERFACE);
  faults::Arm("QueryInterface(IMediaControl)", E_NOINTERFACE);
  EXPECT_EQ(QueryInterface(graph, &control), E_NOINTERFACE);
  EXPECT_EQ(control, nullptr);
}

namespace {
int OpenDescriptors() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  while (readdir(dir)) ++count;
  closedir(dir);
  return count;
}
}  // namespace

// The capture window asks for its status many times a second; every listing
// behind it must leave nothing open, even with no sound server to reach.
TEST(DeviceList, ListingAgainAndAgainLeavesNoDescriptorOpen) {
  dshow::ListDevices(DeviceCategory::AudioInput);
  dshow::ListDevices(DeviceCategory::VideoInput);
  const int before = OpenDescriptors();
  for (int i = 0; i < 200; ++i) {
    dshow::ListDevices(DeviceCategory::AudioInput);
    dshow::ListDevices(DeviceCategory::VideoInput);
  }
  EXPECT_EQ(OpenDescriptors(), before);
}

// A camera's offer is what its caps say; a rate asked for meets the nearest
// one it offers, and a file is written at the standard rate of a duration.
TEST(Formats, OffersRatesAndMediaTypesAsACameraStatesThem) {
  struct RateCase {
    REFERENCE_TIME avg;
    Fraction standard, webcam;
  } rates[] = {{666666, {15, 1}, {15, 1}},        {667111, {15, 1}, {15, 1}},
               {333333, {30, 1}, {30, 1}},        {333667, {30000, 1001}, {30, 1}},
               {1000000, {10, 1}, {15, 1}},       {2000000, {5, 1}, {15, 1}},
               {689655, {2000000, 137931}, {15, 1}}, {166666, {60, 1}, {30, 1}}};
  const auto webcam = OfferedVideoFormats(testapi::VirtualCamera());
  ASSERT_EQ(webcam.size(), 14u);  // seven sizes in YUY2 and in MJPG
  const VideoFormatRange* vga = FindOffered(webcam, VideoFormat{SubType::YUY2, 640, 480, 1});
  ASSERT_TRUE(vga);
  EXPECT_EQ(vga->rates, (std::vector<Fraction>{{30, 1}, {15, 1}}));
  for (const RateCase& tc : rates) {
    EXPECT_EQ(StandardRate(tc.avg), tc.standard) << tc.avg;
    EXPECT_EQ(vga->NearestRate(StandardRate(tc.avg).value()), tc.webcam) << tc.avg;
  }
  EXPECT_FALSE(Offers(webcam, VideoFormat{SubType::YUY2, 641, 480, 666666}));
  EXPECT_FALSE(Offers(webcam, VideoFormat{SubType::NV12, 640, 480, 666666}));

  // Sizes as a range: the usual capture sizes inside it, and the largest.
  const auto nv12 = OfferedVideoFormats(testapi::VirtualCamera("n", VirtualCameraKind::kNv12Ranges));
  std::vector<std::string> sizes;
  for (const VideoFormatRange& r : nv12) {
    EXPECT_EQ(r.subtype, SubType::NV12);
    sizes.push_back(std::to_string(r.width) + "x" + std::to_string(r.height));
  }
  EXPECT_EQ(sizes, (std::vector<std::string>{"160x120", "176x144", "320x240", "352x288", "640x360",
                                              "640x480", "800x600", "960x540", "1024x768",
                                              "1280x720", "1280x960", "1280x1024",
                                              "1920x1080"}));

  for (VideoFormat format : {VideoFormat{SubType::YUY2, 320, 240, 667111},
                             VideoFormat{SubType::NV12, 1280, 720, 333333},
                             VideoFormat{SubType::MJPG, 640, 480, 333333}}) {
    AM_MEDIA_TYPE* type = ToMediaType(format);
    ASSERT_NE(type, nullptr);
    auto back = VideoFormatOf(*type);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, format);
    VIDEOINFOHEADER vih;
    std::memcpy(&vih, type->pbFormat, sizeof vih);
    EXPECT_EQ(vih.bmiHeader.biSizeImage, FrameBytes(format.subtype, format.width, format.height));
    DeleteMediaType(type);
  }
  EXPECT_EQ(FrameBytes(SubType::YUY2, 640, 480), 640u * 480 * 2);
  EXPECT_EQ(FrameBytes(SubType::NV12, 640, 480), 640u * 480 * 3 / 2);

  AM_MEDIA_TYPE* audio = ToMediaType(AudioFormat{44100, 16, 2});
  auto wfx = AudioFormatOf(*audio);
  ASSERT_TRUE(wfx);
  EXPECT_EQ(*wfx, (AudioFormat{44100, 16, 2}));
  EXPECT_FALSE(VideoFormatOf(*audio));
  DeleteMediaType(audio);
}
