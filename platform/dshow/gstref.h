// Owning references to GStreamer objects (internal to the capture layer).
#pragma once

#include <gst/gst.h>

#include <utility>

namespace dshow::gst {

// Starts GStreamer once per process; safe to call from any thread.
void EnsureInitialised();

// Holds one reference to a GstObject-derived object and drops it when done.
template <class T>
class Ref {
 public:
  Ref() = default;
  // Takes over a reference the caller owns (sinks a floating one).
  explicit Ref(T* object) : m_object(object) {
    if (m_object && g_object_is_floating(m_object)) gst_object_ref_sink(m_object);
  }
  Ref(const Ref& other) : m_object(other.m_object) {
    if (m_object) gst_object_ref(m_object);
  }
  Ref(Ref&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
  Ref& operator=(Ref other) noexcept {
    std::swap(m_object, other.m_object);
    return *this;
  }
  ~Ref() {
    if (m_object) gst_object_unref(m_object);
  }
  // A new reference to an object the caller does not own.
  static Ref Borrow(T* object) {
    if (object) gst_object_ref(object);
    Ref ref;
    ref.m_object = object;
    return ref;
  }

  T* get() const { return m_object; }
  explicit operator bool() const { return m_object != nullptr; }

 private:
  T* m_object = nullptr;
};

using Element = Ref<GstElement>;
using Pad = Ref<GstPad>;

// Creates an element of a factory; null when the plugin is missing.
GstElement* Make(const char* factory, const char* name = nullptr);

// Owns a GstCaps.
class Caps {
 public:
  Caps() = default;
  explicit Caps(GstCaps* caps) : m_caps(caps) {}
  Caps(const Caps& other) : m_caps(other.m_caps ? gst_caps_ref(other.m_caps) : nullptr) {}
  Caps& operator=(Caps other) noexcept {
    std::swap(m_caps, other.m_caps);
    return *this;
  }
  ~Caps() {
    if (m_caps) gst_caps_unref(m_caps);
  }
  GstCaps* get() const { return m_caps; }
  explicit operator bool() const { return m_caps != nullptr; }

 private:
  GstCaps* m_caps = nullptr;
};

}  // namespace dshow::gst
