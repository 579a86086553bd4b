// Small holders that release a Win32 handle when the function that owns it returns: kernel
// handles, registry keys, GDI objects, memory DCs, window DCs and objects selected into a DC.
// Windows-side header, header only (the installer's own build includes it too); the owner's
// thread, as the handle's rules allow.
#pragma once

#include <windows.h>

// Traits: the handle type, the empty value, whether a value is held and how it is released.
template <typename Traits>
class Win32Holder {
 public:
  using Handle = typename Traits::Handle;

  Win32Holder() = default;
  explicit Win32Holder(Handle handle) : handle_(handle) {}
  ~Win32Holder() { reset(); }
  Win32Holder(const Win32Holder&) = delete;
  Win32Holder& operator=(const Win32Holder&) = delete;
  Win32Holder(Win32Holder&& other) noexcept : handle_(other.release()) {}
  Win32Holder& operator=(Win32Holder&& other) noexcept {
    reset(other.release());
    return *this;
  }

  Handle get() const { return handle_; }
  bool held() const { return Traits::Held(handle_); }
  // For the out parameter of an opening call: what was held is released first.
  Handle* put() {
    reset();
    return &handle_;
  }
  // Gives up ownership without releasing.
  Handle release() {
    const Handle handle = handle_;
    handle_ = Traits::Empty();
    return handle;
  }
  void reset(Handle handle = Traits::Empty()) {
    if (Traits::Held(handle_)) Traits::Release(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = Traits::Empty();
};

// Traits of the handles that null leaves empty; each adds its Release.
template <typename Value>
struct NullIsEmpty {
  using Handle = Value;
  static Handle Empty() { return nullptr; }
  static bool Held(Handle handle) { return handle != nullptr; }
};

// Null and INVALID_HANDLE_VALUE both hold nothing: CreateFile answers the one, the other
// opening calls the other.
struct KernelHandleTraits : NullIsEmpty<HANDLE> {
  static bool Held(Handle handle) { return handle && handle != INVALID_HANDLE_VALUE; }
  static void Release(Handle handle) { CloseHandle(handle); }
};
using HandleHolder = Win32Holder<KernelHandleTraits>;

// A key this function opened or created, never one of the predefined roots.
struct RegKeyTraits : NullIsEmpty<HKEY> {
  static void Release(Handle key) { RegCloseKey(key); }
};
using RegKeyHolder = Win32Holder<RegKeyTraits>;

template <typename Object>
struct GdiObjectTraits : NullIsEmpty<Object> {
  static void Release(Object object) { DeleteObject(object); }
};
// A font, bitmap, brush, pen or region; it must no longer be selected into a DC when the
// holder ends (declare the holder before the selection's scope).
template <typename Object>
using GdiHolder = Win32Holder<GdiObjectTraits<Object>>;

// A DC made by CreateCompatibleDC or CreateDC.
struct MemoryDcTraits : NullIsEmpty<HDC> {
  static void Release(Handle dc) { DeleteDC(dc); }
};
using MemoryDc = Win32Holder<MemoryDcTraits>;

// A window's DC from GetDC (null: the screen's), released to that window.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a DC for one scope; the DC's previous object comes back at its end.
// A null object selects nothing.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object)
      : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};
