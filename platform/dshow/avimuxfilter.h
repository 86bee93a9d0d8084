// The AVI multiplexer and the file writer (internal).
//
// Mux bin: per input a queue and the steps that make the stream fit a file
// that stores no timestamps, then avimux (bigfile, so files may pass 1 GiB);
// there is always one free input pin, as the design expects.
// - Video: a raw format other than YUY2 is converted to YUY2 (the one every
//   AVI reader takes), Motion JPEG stays as the camera sent it; videorate
//   then makes the stream constant at the rate the upstream format states
//   (formats.h: StandardRate), whatever the camera does (its nominal rate,
//   jitter, half rate in low light, drops).
// - Audio: audiorate fills gaps with silence and cuts overlaps, so the
//   sound stays in step with the picture.
// They begin together (AviStreamSpan). The bytes avimux writes pass an
// AviStreamPatcher, which makes its chunk ids and frame sizes true. Writer
// bin: filesink (not async: a branch that is held back must not hold up the
// preview; unbuffered, so a failed write is known before the end of stream
// passes). The writer notes when the end of stream has reached it, which is
// when the file is complete.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <functional>

#include "platform/dshow/avistreamspan.h"
#include "platform/dshow/avistreampatch.h"
#include "platform/dshow/filterbase.h"

namespace dshow {

class AviMuxFilter : public FilterBase, public IConfigAviMux {
 public:
  static Ref<AviMuxFilter> Create();
  ~AviMuxFilter() override;

  HRESULT PrepareInput(Pin& input, Pin& upstream) override;
  void InputDisconnected(Pin& input) override;
  MajorType OutputMajorType(const Pin&) const override { return MajorType::Stream; }

  HRESULT SetMasterStream(long stream) override;
  HRESULT GetMasterStream(long* stream) override;
  HRESULT SetOutputCompatibilityIndex(BOOL oldIndex) override;

  Ref<Pin> FreeInput() const;
  Ref<Pin> Output() const;
  void PrepareRun() override;

  // The file of the next run holds at most this much, however late it is
  // stopped; 0: no limit. Stopped.
  void LimitLength(REFERENCE_TIME length) {
    m_span.SetLength(length > 0 ? static_cast<GstClockTime>(length) * 100 : GST_CLOCK_TIME_NONE);
  }

  // Video frames that went into the file this run; any thread.
  unsigned long framesWritten() const { return m_frames.load(); }

 private:
  struct Input {
    int id;
    Pin* pin;
    std::vector<GstElement*> elements;  // queue first
    GstPad* muxPad;                     // owned
    MajorType major;
    std::optional<VideoFormat> upstream;  // video: what comes in
    std::optional<VideoFormat> stored;    // video: what the file holds
  };
  AviMuxFilter();
  void Build();
  void AddFreeInput();
  bool BuildInput(Input* input);
  void RemoveElements(Input* input);
  void RemoveInput(Input* input);
  void DescribeVideoStreams();
  static GstPadProbeReturn OnFrame(GstPad* pad, GstPadProbeInfo* info, gpointer self);

  GstElement* m_mux = nullptr;
  AviStreamPatcher* m_patcher = nullptr;  // owned by its probe on the mux's source pad
  AviStreamSpan m_span;
  std::vector<Input> m_connected;
  std::atomic<unsigned long> m_frames{0};
  int m_inputs = 0;
  long m_masterStream = -1;
  BOOL m_oldIndex = FALSE;
};

class FileWriterFilter : public FilterBase, public IFileSinkFilter {
 public:
  // hostPath: where the bytes go; windowsPath: what GetCurFile reports.
  static Ref<FileWriterFilter> Create(const std::string& windowsPath, const std::string& hostPath);
  ~FileWriterFilter() override;

  HRESULT GetCurFile(std::string* path) override;

  // The file is opened (and emptied) as the graph leaves Stopped, and held
  // with an exclusive lock until it stops, so that a recording in progress
  // can be told by its lock (RecordingInProgress). A link, a FIFO or a
  // device in its place is never written through or waited on.
  void PrepareRun() override;
  void Stopped() override;
  // Why the file could not be opened for this run, or S_OK.
  HRESULT OpenFailure() const { return m_openFailure; }

  // Whether the end of stream has passed into the file since the last Rearm.
  // The sink writes unbuffered, so every write before it has been made, and
  // any failure of one reported, by then. Any thread.
  bool reachedEndOfStream() const { return m_eos.load(); }
  void Rearm();
  // Whether data reached the file since it was opened, and whether the file
  // at hostPath is still the one written then (not replaced or removed).
  bool wroteData() const { return m_wrote.load(); }
  bool StillOwnsFile() const;
  GstElement* sink() const { return m_sink; }
  const std::string& hostPath() const { return m_hostPath; }

 private:
  FileWriterFilter(const std::string& windowsPath, const std::string& hostPath);
  void Build();
  void CloseFile();
  // Whether hostPath still names that file.
  bool StillAt(dev_t device, ino_t inode) const;
  static GstPadProbeReturn OnData(GstPad* pad, GstPadProbeInfo* info, gpointer self);

  std::string m_windowsPath;
  std::string m_hostPath;
  GstElement* m_sink = nullptr;
  int m_fd = -1;  // GUI thread
  HRESULT m_openFailure = S_OK;
  // Set on the streaming thread, read on the GUI thread.
  std::atomic<bool> m_eos{false};
  std::atomic<bool> m_wrote{false};
  dev_t m_device = 0;  // the file opened, set before the sink starts
  ino_t m_inode = 0;
};

// Whether a program is still writing the recording at hostPath: its writer
// holds the file's lock until it stops or ends, a crash included.
bool RecordingInProgress(const std::string& hostPath);

}  // namespace dshow
