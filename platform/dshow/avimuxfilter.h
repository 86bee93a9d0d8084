// The AVI multiplexer and the file writer (internal).
//
// Mux bin: one queue per input before avimux (bigfile, so files may pass
// 1 GiB); there is always one free input pin, as the design expects. Writer
// bin: filesink (not async: a branch that is held back must not hold up the
// preview). The writer notes when the end of stream has reached it, which is
// when the file is complete.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/dshow/filterbase.h"

namespace dshow {

class AviMuxFilter : public FilterBase, public IConfigAviMux {
 public:
  static Ref<AviMuxFilter> Create();

  HRESULT PrepareInput(Pin& input, Pin& upstream) override;
  void InputDisconnected(Pin& input) override;
  MajorType OutputMajorType(const Pin&) const override { return MajorType::Stream; }

  HRESULT SetMasterStream(long stream) override;
  HRESULT GetMasterStream(long* stream) override;
  HRESULT SetOutputCompatibilityIndex(BOOL oldIndex) override;

  Ref<Pin> FreeInput() const;
  Ref<Pin> Output() const;

 private:
  AviMuxFilter();
  void Build();
  void AddFreeInput();

  GstElement* m_mux = nullptr;
  int m_inputs = 0;
  long m_masterStream = -1;
  BOOL m_oldIndex = FALSE;
};

class FileWriterFilter : public FilterBase, public IFileSinkFilter {
 public:
  // hostPath: where the bytes go; windowsPath: what GetCurFile reports.
  static Ref<FileWriterFilter> Create(const std::string& windowsPath, const std::string& hostPath);

  HRESULT GetCurFile(std::string* path) override;

  // Until the end of stream has passed into the file, or deadline; whether it has.
  bool WaitForEndOfStream(std::chrono::steady_clock::time_point deadline);
  void Rearm();
  GstElement* sink() const { return m_sink; }
  const std::string& hostPath() const { return m_hostPath; }

 private:
  FileWriterFilter(const std::string& windowsPath, const std::string& hostPath);
  void Build();
  static GstPadProbeReturn OnEvent(GstPad* pad, GstPadProbeInfo* info, gpointer self);

  std::string m_windowsPath;
  std::string m_hostPath;
  GstElement* m_sink = nullptr;
  // Set on the streaming thread, waited for on the GUI thread.
  std::mutex m_eosLock;
  std::condition_variable m_eosReached;
  bool m_eos = false;
};

}  // namespace dshow
