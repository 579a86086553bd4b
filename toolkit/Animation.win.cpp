// CAnimation: the animated GIF beside the message box's text. GUI thread.
#include "toolkit/Animation.h"

#include "toolkit/WindowState.h"

namespace {

constexpr UINT_PTR kTimerId = 1;

std::vector<uint8_t> BitmapInfo(const GifFrame& frame) {
  const int colours = 1 << frame.bits;
  std::vector<uint8_t> bytes(sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD), 0);
  auto* info = reinterpret_cast<BITMAPINFO*>(bytes.data());
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info->bmiHeader.biWidth = frame.width;
  info->bmiHeader.biHeight = -frame.height;
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = 8;
  info->bmiHeader.biCompression = BI_RGB;
  info->bmiHeader.biXPelsPerMeter = 11811;
  info->bmiHeader.biYPelsPerMeter = 11811;
  info->bmiHeader.biClrUsed = static_cast<DWORD>(colours);
  for (int i = 0; i < colours; ++i) {
    info->bmiColors[i].rgbRed = frame.palette[i * 3];
    info->bmiColors[i].rgbGreen = frame.palette[i * 3 + 1];
    info->bmiColors[i].rgbBlue = frame.palette[i * 3 + 2];
  }
  return bytes;
}

LRESULT CALLBACK AnimationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* animation = static_cast<CAnimation*>(create->lpCreateParams);
    SetWindowState(window, GWLP_USERDATA, animation);
    if (animation) animation->window = window;
  }
  if (message == WM_GETDLGCODE) return DLGC_STATIC;
  auto* animation = WindowState<CAnimation*>(window, GWLP_USERDATA);
  if (!animation) return DefWindowProcW(window, message, wParam, lParam);
  return animation->Handle(message, wParam, lParam);
}

}  // namespace

int DecodeAnimation(CAnimationPicture* picture, const uint8_t* data, size_t size) {
  GifPicture gif;
  DecodeGif(data, size, GetSysColor(COLOR_BTNFACE), &gif);
  picture->width = gif.width;
  picture->height = gif.height;
  picture->repeat = gif.repeat;
  picture->frames.clear();
  for (GifFrame& frame : gif.frames) {
    std::vector<uint8_t> info = BitmapInfo(frame);
    picture->frames.push_back({std::move(frame), std::move(info)});
  }
  return static_cast<int>(picture->frames.size());
}

int LoadAnimation(CAnimationPicture* picture, HINSTANCE module, const char16_t* name,
                  const char16_t* type) {
  HRSRC resource = FindResourceW(module, name, type);
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return 0;
  int frames = DecodeAnimation(picture, static_cast<const uint8_t*>(bytes),
                               SizeofResource(module, resource));
  FreeResource(loaded);
  return frames;
}

HWND CAnimation::Create(HWND parent, int id, CAnimationPicture* shown, DWORD style,
                        const char16_t* className) {
  if (!shown || shown->frames.empty()) return nullptr;
  picture = shown;
  current = 0;
  passes = 0;
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = AnimationProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className;
  RegisterClassExW(&wc);
  return CreateWindowExW(0, className, u"", style, 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
}

UINT CAnimation::DelayOf(int frame) const {
  int delay = picture->frames[frame].frame.delayMs;
  return delay > 0 ? static_cast<UINT>(delay) : 100;
}

int CAnimation::Show(int x, int y) {
  if (!window) return 0;
  MoveWindow(window, x, y, picture->width, picture->height, TRUE);
  int shown = ShowWindow(window, SW_SHOW);
  if (picture->frames.size() > 1) SetTimer(window, kTimerId, DelayOf(current), nullptr);
  return shown;
}

LRESULT CAnimation::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      KillTimer(window, kTimerId);
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_TIMER:
      if (wParam == kTimerId) Step();
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// No disposal: earlier frames stay visible outside the current frame's rectangle.
void CAnimation::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  const AnimationFrame& shown = picture->frames[current];
  const GifFrame& frame = shown.frame;
  SetDIBitsToDevice(dc, frame.left, frame.top, frame.width, frame.height, 0, 0, 0, frame.height,
                    frame.pixels.data(), reinterpret_cast<const BITMAPINFO*>(shown.info.data()),
                    DIB_RGB_COLORS);
  EndPaint(window, &paint);
}

void CAnimation::Step() {
  KillTimer(window, kTimerId);
  if (current + 1 < static_cast<int>(picture->frames.size())) {
    ++current;
    SetTimer(window, kTimerId, DelayOf(current), nullptr);
  } else {
    current = 0;
    ++passes;
    if (picture->repeat == 0 || passes < picture->repeat)
      SetTimer(window, kTimerId, DelayOf(0), nullptr);
  }
  InvalidateRect(window, nullptr, FALSE);
}
