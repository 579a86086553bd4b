// The animated picture beside the message box's text: a GIF from the program's resources
// shown frame by frame in an "AnimationWindow" child. Windows-side header; GUI thread only.
// The caller owns the picture and the animation object and keeps both until the window
// is destroyed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "toolkit/GifDecoder.h"

struct AnimationFrame {
  GifFrame frame;
  // A BITMAPINFO with 2^bits colours, for SetDIBitsToDevice.
  std::vector<uint8_t> info;
};

struct CAnimationPicture {
  int width = 0;
  int height = 0;
  int repeat = 0;
  std::vector<AnimationFrame> frames;
};

// Decodes a GIF resource (transparent pixels take the button face); answers the number of
// frames, 0 when the resource is missing or no GIF.
int LoadAnimation(CAnimationPicture* picture, HINSTANCE module, const char16_t* name,
                  const char16_t* type);
// The same from bytes the caller holds.
int DecodeAnimation(CAnimationPicture* picture, const uint8_t* data, size_t size);

class CAnimation {
 public:
  // Registers the class and creates the hidden child; null for a picture without frames.
  HWND Create(HWND parent, int id, CAnimationPicture* picture, DWORD style,
              const char16_t* className);
  // Places and shows the window at the picture's size and starts stepping when there is
  // more than one frame; answers ShowWindow's result, 0 without a window.
  int Show(int x, int y);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  HWND window = nullptr;
  CAnimationPicture* picture = nullptr;
  int current = 0;
  int passes = 0;

 private:
  void Step();
  void Paint();
  UINT DelayOf(int frame) const;
};
