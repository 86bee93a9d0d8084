// Recordings that fail at unlucky moments: each one must leave a file that
// ffprobe and ffmpeg read cleanly, and Stop must say whether it was finished.
#include <gst/gst.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QWidget>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <functional>

#include "platform/dshow/capturefilter.h"
#include "platform/dshow/com.h"
#include "platform/dshow/devices.h"
#include "platform/dshow/avimuxfilter.h"
#include "platform/dshow/faults.h"
#include "platform/dshow/filterbase.h"
#include "platform/dshow/gsterrors.h"
#include "tests/support/eventloop.h"
#include "tests/support/ffprobe.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/firstdevice.h"
#include "tests/support/testfiles.h"
#include "tests/support/testprefix.h"

using namespace dshow;
using orvane::test::PumpFor;
using orvane::test::PumpUntil;
namespace fs = std::filesystem;

namespace {


// Camera and microphone into C:\<name>, as the engine records.
struct Recording {
  explicit Recording(const std::string& name, bool audio = true) {
    testapi::SetDevices({testapi::VirtualCamera(), testapi::VirtualMicrophone()}, false);
    CoCreateInstance(Clsid::CaptureGraphBuilder, &builder);
    CoCreateInstance(Clsid::FilterGraph, &graph);
    builder->SetFiltergraph(graph);
    camera = Open(DeviceCategory::VideoInput);
    if (audio) microphone = Open(DeviceCategory::AudioInput);
    EXPECT_EQ(builder->SetOutputFileName(MEDIASUBTYPE_Avi, "C:\\" + name, &mux, nullptr), S_OK);
    EXPECT_EQ(builder->RenderStream(PinCategory::Capture, camera, nullptr, mux), S_OK);
    if (audio) {
      EXPECT_EQ(builder->RenderStream(PinCategory::Capture, microphone, nullptr, mux), S_OK);
    }
    QueryInterface(graph, &control);
    QueryInterface(graph, &events);
  }
  ~Recording() {
    control->Stop();
    testapi::ResetDevices();
    faults::DisarmAll();
  }
  Ref<IBaseFilter> Open(DeviceCategory category) {
    return orvane::test::AddFirstDevice(graph, category);
  }
  // The first event's code and first parameter, or nothing.
  std::optional<std::pair<long, HRESULT>> Event() {
    long code;
    INT_PTR p1, p2;
    if (events->GetEvent(&code, &p1, &p2, 0) != S_OK) return std::nullopt;
    return std::pair{code, static_cast<HRESULT>(p1)};
  }
  GstElement* Muxer() const {
    GstIterator* it =
        gst_bin_iterate_elements(GST_BIN(std::dynamic_pointer_cast<FilterBase>(mux)->bin()));
    GValue item = G_VALUE_INIT;
    GstElement* found = nullptr;
    while (!found && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
      auto* element = GST_ELEMENT(g_value_get_object(&item));
      if (std::string(GST_OBJECT_NAME(gst_element_get_factory(element))) == "avimux")
        found = element;
      g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
  }

  Ref<ICaptureGraphBuilder> builder;
  Ref<IGraphBuilder> graph;
  Ref<IBaseFilter> camera, microphone, mux;
  Ref<IMediaControl> control;
  Ref<IMediaEventEx> events;
};

// Makes the disk "full" a few bytes past the file's size at the moment the
// multiplexer starts finishing it: when the first (or the last) of its
// inputs has ended, so the remaining data, index or headers are cut off.
class FullWhenFinishing {
 public:
  FullWhenFinishing(GstElement* mux, std::string file, bool allInputs, rlim_t room)
      : m_file(std::move(file)), m_all(allInputs), m_room(room) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &m_oldAction);
    getrlimit(RLIMIT_FSIZE, &m_old);
    m_inputs = static_cast<int>(mux->numsinkpads);
    for (GList* p = mux->sinkpads; p; p = p->next)
      gst_pad_add_probe(GST_PAD(p->data), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &OnEvent, this,
                        nullptr);
  }
  ~FullWhenFinishing() {
    setrlimit(RLIMIT_FSIZE, &m_old);
    sigaction(SIGXFSZ, &m_oldAction, nullptr);
  }

 private:
  static GstPadProbeReturn OnEvent(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* self = static_cast<FullWhenFinishing*>(data);
    if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) != GST_EVENT_EOS) return GST_PAD_PROBE_OK;
    const int ended = ++self->m_ended;
    if (ended == (self->m_all ? self->m_inputs : 1)) {
      struct stat st {};
      ::stat(self->m_file.c_str(), &st);
      rlimit limit = self->m_old;
      limit.rlim_cur = static_cast<rlim_t>(st.st_size) + self->m_room;
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    return GST_PAD_PROBE_OK;
  }

  std::string m_file;
  bool m_all;
  rlim_t m_room;
  int m_inputs = 0;
  std::atomic<int> m_ended{0};
  rlimit m_old{};
  struct sigaction m_oldAction {};
};

void ExpectPlays(const std::string& file) {
  const orvane::test::ProbeResult probe = orvane::test::Probe(file);
  ASSERT_TRUE(probe.ok) << probe.errors;
  ASSERT_FALSE(probe.streams.empty());
  EXPECT_GT(probe.streams[0].frames, 3);
  EXPECT_EQ(probe.streams[0].headerFrames, probe.streams[0].frames);
  std::string errors;
  EXPECT_TRUE(orvane::test::DecodesCleanly(file, &errors)) << errors;
}

}  // namespace

TEST(RecordingSurvives, EveryFailurePointLeavesAFileThatPlaysAndIsReported) {
  orvane::test::TempPrefix prefix;
  const struct Case {
    const char* where;
    std::function<void(Recording&, const std::string& file)> run;
    HRESULT stop;                  // what Stop says
    std::optional<HRESULT> abort;  // the EC_ERRORABORT's code, if any
  } cases[] = {
      {"inside the data",
       [](Recording& r, const std::string&) {
         orvane::test::FileSizeLimit limit(3 * 1024 * 1024);
         ASSERT_EQ(r.control->Run(), S_OK);
         PumpFor(1500);
       },
       S_FALSE, kWriteFault},
      {"as Stop ends the streams",
       [](Recording& r, const std::string& file) {
         ASSERT_EQ(r.control->Run(), S_OK);
         PumpFor(1000);
         FullWhenFinishing full(r.Muxer(), file, false, 100);
         EXPECT_EQ(r.control->Stop(), S_FALSE);
       },
       S_OK, kWriteFault},
      {"inside the final index",
       [](Recording& r, const std::string& file) {
         ASSERT_EQ(r.control->Run(), S_OK);
         PumpFor(1000);
         FullWhenFinishing full(r.Muxer(), file, true, 300);
         EXPECT_EQ(r.control->Stop(), S_FALSE);
       },
       S_OK, kWriteFault},
      {"after a pause",
       [](Recording& r, const std::string&) {
         ASSERT_EQ(r.control->Run(), S_OK);
         PumpFor(1000);
         ASSERT_EQ(r.control->Pause(), S_OK);
         PumpFor(200);
       },
       S_OK, std::nullopt},
      {"a camera unplugged",
       [](Recording& r, const std::string&) {
         ASSERT_EQ(r.control->Run(), S_OK);
         PumpFor(1000);
         testapi::FailRunningDevice(r.camera);
         PumpFor(300);
       },
       S_OK, kDeviceNotConnected},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    const std::string name = "case" + std::to_string(n++) + ".avi";
    const std::string file = prefix.driveC() + "/" + name;
    Recording r(name);
    c.run(r, file);
    // Stop after the case's own steps; a stopped graph says S_OK again.
    EXPECT_EQ(r.control->Stop(), c.stop);
    const auto event = r.Event();
    EXPECT_EQ(event.has_value(), c.abort.has_value());
    if (event && c.abort) {
      EXPECT_EQ(event->first, EC_ERRORABORT);
      EXPECT_EQ(event->second, *c.abort);
    }
    ExpectPlays(file);
  }
}

TEST(RecordingSurvives, APlantedFileIsRefusedAndOnlyTheGraphsOwnFileIsRepaired) {
  orvane::test::TempPrefix prefix;
  // A link is not written through, a FIFO not waited on, and a recording
  // another program is writing (it holds the lock) not emptied: the run
  // fails at once and says why.
  const std::string target = prefix.path("target.avi");
  orvane::test::WriteHostFile(target, "someone else's");
  fs::create_symlink(target, prefix.driveC() + "/link.avi");
  ASSERT_EQ(::mkfifo((prefix.driveC() + "/fifo.avi").c_str(), 0644), 0);
  const std::string held = prefix.driveC() + "/held.avi";
  orvane::test::WriteHostFile(held, "being written");
  const int holder = ::open(held.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  EXPECT_TRUE(RecordingInProgress(held));
  for (const auto& [name, code] : {std::pair{"link.avi", kWriteFault}, {"fifo.avi", kWriteFault},
                                   {"held.avi", static_cast<HRESULT>(0x80070020)}}) {
    SCOPED_TRACE(name);
    Recording planted(name, false);
    EXPECT_EQ(planted.control->Run(), code);
    EXPECT_EQ(planted.control->Stop(), S_OK);
  }
  ::close(holder);
  EXPECT_FALSE(RecordingInProgress(held));
  EXPECT_EQ(orvane::test::ReadHostFile(target), "someone else's");
  EXPECT_EQ(orvane::test::ReadHostFile(held), "being written");
  EXPECT_TRUE(fs::is_fifo(prefix.driveC() + "/fifo.avi"));

  // A recording put in place of the graph's file after it failed is not the
  // graph's to repair, however cut off it is.
  const std::string file = prefix.driveC() + "/disk.avi";
  Recording r("disk.avi", false);
  {
    orvane::test::FileSizeLimit limit(2 * 1024 * 1024);
    ASSERT_EQ(r.control->Run(), S_OK);
    PumpFor(1000);
  }
  fs::rename(file, file + ".moved");
  const std::string other = orvane::test::ReadHostFile(file + ".moved").substr(0, 1000000);
  orvane::test::WriteHostFile(file, other);
  EXPECT_EQ(r.control->Stop(), S_FALSE);
  EXPECT_EQ(orvane::test::ReadHostFile(file), other);

  // The next recording of the same graph starts afresh, also when it starts
  // paused (a camera without stream control): no failure of the last run
  // stays with it.
  fs::remove(file);
  ASSERT_EQ(r.control->Pause(), S_OK);
  ASSERT_EQ(r.control->Run(), S_OK);
  PumpFor(800);
  EXPECT_FALSE(r.Event());
  EXPECT_EQ(r.control->Stop(), S_OK);
  ExpectPlays(file);
}

TEST(RecordingSurvives, TheGraphKeepsItselfTidy) {
  orvane::test::TempPrefix prefix;
  Recording r("tidy.avi", false);
  // A run hears only of itself.
  ASSERT_EQ(r.control->Run(), S_OK);
  PumpFor(300);
  // Filters stay while the graph runs: their peers would point at nothing.
  EXPECT_EQ(r.graph->RemoveFilter(r.camera), VFW_E_NOT_STOPPED);
  testapi::FailRunningDevice(r.camera);
  PumpFor(200);
  r.control->Stop();
  // The gone camera cannot start again: the run fails and says why, and
  // neither its failure nor the last run's is left as an event.
  EXPECT_EQ(r.control->Run(), kDeviceNotConnected);
  PumpFor(100);
  EXPECT_FALSE(r.Event());

  // A link that fails leaves no requested pad or queue in the multiplexer.
  Recording second("second.avi", false);
  GstElement* muxer = second.Muxer();
  const guint16 pads = muxer->numsinkpads;
  const int children =
      GST_BIN_NUMCHILDREN(GST_BIN(std::dynamic_pointer_cast<FilterBase>(second.mux)->bin()));
  Ref<IBaseFilter> microphone = second.Open(DeviceCategory::AudioInput);
  faults::Arm("GstPad::Link", E_FAIL, 1);
  EXPECT_NE(second.builder->RenderStream(PinCategory::Capture, microphone, nullptr, second.mux),
            S_OK);
  EXPECT_EQ(muxer->numsinkpads, pads);
  EXPECT_EQ(GST_BIN_NUMCHILDREN(GST_BIN(std::dynamic_pointer_cast<FilterBase>(second.mux)->bin())),
            children);

  // Closing the window the preview paints into while frames arrive.
  auto* owner = new QWidget;
  Recording third("third.avi", false);
  ASSERT_EQ(third.builder->RenderStream(PinCategory::Preview, third.camera, nullptr, nullptr),
            S_OK);
  Ref<IVideoWindow> window;
  ASSERT_EQ(third.builder->FindVideoWindow(PinCategory::Preview, third.camera, &window), S_OK);
  window->put_Owner(owner);
  ASSERT_EQ(third.control->Run(), S_OK);
  PumpFor(200);
  delete owner;
  PumpFor(300);
  EXPECT_EQ(third.control->Stop(), S_OK);
}
