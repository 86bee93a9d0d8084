// Answers the audio format chooser in place of a user while it lives, and
// keeps what the chooser offered and opened on.
#pragma once

#include <optional>
#include <vector>

#include "platform/dshow/acm.h"

namespace orvane::test {

class AudioChooserAnswer : public dshow::testapi::AudioFormatChooserObserver {
 public:
  // nothing: the user cancels.
  explicit AudioChooserAnswer(std::optional<dshow::AudioFormat> answer) : m_answer(answer) {
    dshow::testapi::SetAudioFormatChooserObserver(this);
  }
  ~AudioChooserAnswer() override { dshow::testapi::SetAudioFormatChooserObserver(nullptr); }
  AudioChooserAnswer(const AudioChooserAnswer&) = delete;
  AudioChooserAnswer& operator=(const AudioChooserAnswer&) = delete;

  std::optional<dshow::AudioFormat> Choose(const std::vector<dshow::AudioFormat>& offeredFormats,
                                           const dshow::AudioFormat& initialFormat) override {
    offered = offeredFormats;
    initial = initialFormat;
    ++opened;
    return m_answer;
  }

  std::vector<dshow::AudioFormat> offered;
  dshow::AudioFormat initial;
  int opened = 0;

 private:
  std::optional<dshow::AudioFormat> m_answer;
};

}  // namespace orvane::test
