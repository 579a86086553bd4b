// Decodes GIF87a and GIF89a pictures into frames of palette indexes.
#include "toolkit/GifDecoder.h"

#include <cstring>

namespace {

constexpr int kTableSize = 4096;
// Frames above this many pixels are refused before anything is allocated.
constexpr uint64_t kMaxPixels = 16u * 1024 * 1024;

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool More() const { return pos_ < size_; }
  bool Read(void* out, size_t n) {
    if (size_ - pos_ < n) {
      pos_ = size_;
      return false;
    }
    std::memcpy(out, data_ + pos_, n);
    pos_ += n;
    return true;
  }
  int Byte() { return More() ? data_[pos_++] : -1; }
  void Skip(size_t n) { pos_ = size_ - pos_ < n ? size_ : pos_ + n; }
  // Skips data sub-blocks up to and including the empty one.
  void SkipSubBlocks() {
    for (int n = Byte(); n > 0; n = Byte()) Skip(static_cast<size_t>(n));
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

int Le16(const uint8_t* p) { return p[0] | (p[1] << 8); }

// Where decoded pixels go: rows in plain or four-pass interlaced order.
class PixelSink {
 public:
  PixelSink(GifFrame* frame, bool interlaced) : frame_(frame), interlaced_(interlaced) {}
  bool Full() const { return row_ >= frame_->height; }
  void Put(int index) {
    if (Full()) return;
    if (index >= (1 << frame_->bits)) index = 0;
    frame_->pixels[static_cast<size_t>(row_) * frame_->rowBytes + x_] = static_cast<uint8_t>(index);
    if (++x_ < frame_->width) return;
    x_ = 0;
    NextRow();
  }

 private:
  void NextRow() {
    static const int kStart[4] = {0, 4, 2, 1};
    static const int kStep[4] = {8, 8, 4, 2};
    if (!interlaced_) {
      ++row_;
      return;
    }
    row_ += kStep[pass_];
    while (row_ >= frame_->height && pass_ < 3) row_ = kStart[++pass_];
  }

  GifFrame* frame_;
  bool interlaced_;
  int x_ = 0;
  int row_ = 0;
  int pass_ = 0;
};

// LZW with a 4096-entry table. Codes that point past the table's filled part, or that need
// a previous string where there is none, fail the frame; codes that run out keep what was
// written. A full table stays as it is until the next clear code (GIF89a's deferred clear).
bool DecodeLzw(const std::vector<uint8_t>& data, int minCodeSize, GifFrame* frame,
               bool interlaced) {
  static thread_local uint16_t prefix[kTableSize];
  static thread_local uint8_t suffix[kTableSize];
  static thread_local uint8_t stack[kTableSize];
  const int clear = 1 << minCodeSize;
  const int end = clear + 1;
  int nextFree = clear + 2;
  int width = minCodeSize + 1;
  int previous = -1;
  const uint64_t totalBits = static_cast<uint64_t>(data.size()) * 8;
  uint64_t bitPos = 0;
  PixelSink sink(frame, interlaced);
  while (!sink.Full()) {
    if (bitPos + width > totalBits) return true;
    int code = 0;
    for (int i = 0; i < width; ++i, ++bitPos)
      code |= ((data[bitPos >> 3] >> (bitPos & 7)) & 1) << i;
    if (code == end) return true;
    if (code == clear) {
      nextFree = clear + 2;
      width = minCodeSize + 1;
      previous = -1;
      continue;
    }
    if (previous < 0) {
      if (code >= clear) return false;
      sink.Put(code);
      previous = code;
      continue;
    }
    if (code > nextFree) return false;
    int length = 0;
    int walk = code;
    if (code == nextFree) {
      // The KwKwK case: the previous string and its own first character.
      walk = previous;
      ++length;
    }
    while (walk >= clear) {
      if (length >= kTableSize - 1) return false;
      stack[length++] = suffix[walk];
      walk = prefix[walk];
    }
    stack[length++] = static_cast<uint8_t>(walk);
    uint8_t head = static_cast<uint8_t>(walk);
    if (code == nextFree) stack[0] = head;
    for (int i = length - 1; i >= 0; --i) sink.Put(stack[i]);
    if (nextFree < kTableSize) {
      prefix[nextFree] = static_cast<uint16_t>(previous);
      suffix[nextFree] = head;
      ++nextFree;
      if (nextFree == (1 << width) && width < 12) ++width;
    }
    previous = code;
  }
  return true;
}

struct GraphicControl {
  bool pending = false;
  int packed = 0;
  int delay = 0;
  int transparent = 0;
};

void ReadGraphicControl(Reader& reader, GraphicControl* control) {
  int size = reader.Byte();
  if (size <= 0) return;
  uint8_t block[255] = {};
  if (!reader.Read(block, static_cast<size_t>(size))) return;
  control->pending = true;
  control->packed = block[0];
  control->delay = size >= 3 ? Le16(block + 1) : 0;
  control->transparent = size >= 4 ? block[3] : 0;
  reader.SkipSubBlocks();
}

// Reads one image; false when the data ends inside its descriptor or colour table.
// `budget` is what is left of the picture's pixels; a kept frame takes its own from it.
bool ReadImage(Reader& reader, const std::vector<uint8_t>& globalTable, int globalBits,
               const GraphicControl& control, uint32_t transparentColour, uint64_t* budget,
               GifPicture* picture) {
  uint8_t d[9];
  if (!reader.Read(d, 9)) return false;
  GifFrame frame;
  frame.left = Le16(d);
  frame.top = Le16(d + 2);
  frame.width = Le16(d + 4);
  frame.height = Le16(d + 6);
  int packed = d[8];
  if (packed & 0x80) {
    frame.bits = (packed & 7) + 1;
    frame.palette.resize(3u << frame.bits);
    if (!reader.Read(frame.palette.data(), frame.palette.size())) return false;
  } else {
    frame.bits = globalBits;
    frame.palette = globalTable;
  }
  int minCodeSize = reader.Byte();
  std::vector<uint8_t> data;
  for (int n = reader.Byte(); n > 0; n = reader.Byte()) {
    size_t at = data.size();
    data.resize(at + static_cast<size_t>(n));
    if (!reader.Read(data.data() + at, static_cast<size_t>(n))) {
      data.resize(at);
      break;
    }
  }
  const uint64_t pixelCount = static_cast<uint64_t>(frame.width) * frame.height;
  if (data.empty() || pixelCount == 0 || pixelCount > kMaxPixels || pixelCount > *budget ||
      minCodeSize < 1 || minCodeSize > 8) {
    return true;
  }
  frame.rowBytes = (frame.width + 3) & ~3;
  frame.pixels.assign(static_cast<size_t>(frame.rowBytes) * frame.height, 0);
  if (control.pending) {
    frame.transparent = (control.packed & 1) ? control.transparent : -1;
    frame.delayMs = control.delay * 10;
  }
  if (frame.transparent >= 0 && frame.transparent < (1 << frame.bits)) {
    uint8_t* entry = &frame.palette[static_cast<size_t>(frame.transparent) * 3];
    entry[0] = static_cast<uint8_t>(transparentColour);
    entry[1] = static_cast<uint8_t>(transparentColour >> 8);
    entry[2] = static_cast<uint8_t>(transparentColour >> 16);
  }
  if (DecodeLzw(data, minCodeSize, &frame, (packed & 0x40) != 0)) {
    *budget -= pixelCount;
    picture->frames.push_back(std::move(frame));
  }
  return true;
}

}  // namespace

int DecodeGif(const uint8_t* data, size_t size, uint32_t transparentColour, GifPicture* picture) {
  Reader reader(data, size);
  uint8_t header[6];
  if (!data || !reader.Read(header, 6) || std::memcmp(header, "GIF", 3) != 0) return 0;
  uint8_t screen[7];
  if (!reader.Read(screen, 7)) return 0;
  picture->width = Le16(screen);
  picture->height = Le16(screen + 2);
  picture->repeat = 0;
  int globalBits = (screen[4] & 7) + 1;
  std::vector<uint8_t> globalTable(3u << globalBits);
  if (screen[4] & 0x80) {
    if (!reader.Read(globalTable.data(), globalTable.size())) return 0;
  } else {
    for (size_t j = 0; j < globalTable.size(); ++j) globalTable[j] = static_cast<uint8_t>(j / 3);
  }
  GraphicControl control;
  uint64_t budget = kGifMaxPicturePixels;
  while (reader.More()) {
    int kind = reader.Byte();
    if (kind == 0x21) {
      if (reader.Byte() == 0xF9)
        ReadGraphicControl(reader, &control);
      else
        reader.SkipSubBlocks();
    } else if (kind == 0x2C) {
      if (!ReadImage(reader, globalTable, globalBits, control, transparentColour, &budget, picture))
        break;
      control = GraphicControl();
    } else if (kind == 0x3B) {
      break;
    }
  }
  return static_cast<int>(picture->frames.size());
}
