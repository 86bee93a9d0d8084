// The stand-ins for a user that tests install: one current observer per kind
// (message boxes, file dialogs, the folder browser), asked instead of showing
// the real dialog. ScopedObserver installs one for its lifetime and brings
// the previous one back afterwards. GUI thread only.
#pragma once

#include <utility>

namespace orvane::ui {

template <class Observer>
Observer*& CurrentObserver() {
  static Observer* current = nullptr;
  return current;
}

template <class Observer>
class ScopedObserver {
 public:
  explicit ScopedObserver(Observer* observer)
      : m_previous(std::exchange(CurrentObserver<Observer>(), observer)) {}
  ~ScopedObserver() { CurrentObserver<Observer>() = m_previous; }
  ScopedObserver(const ScopedObserver&) = delete;
  ScopedObserver& operator=(const ScopedObserver&) = delete;

 private:
  Observer* m_previous;
};

}  // namespace orvane::ui
