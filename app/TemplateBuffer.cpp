#include "app/TemplateBuffer.h"

#include <climits>
#include <cstdlib>

namespace {

constexpr int kTemplateStep = 4096;

}  // namespace

int WriteTemplateText(char16_t** text, TEMPLATEWRITER write, const void* context) {
  int size = kTemplateStep;
  char16_t* buffer = static_cast<char16_t*>(std::malloc(size * sizeof(char16_t)));
  while (buffer) {
    // A writer cut at the end of the room returns exactly size - 1, so a text that fills
    // the buffer to the last character may have been cut: write it again with more room.
    int length = write(buffer, size, context);
    if (length + 1 < size) {
      *text = buffer;
      return length;
    }
    char16_t* grown = nullptr;
    if (size <= INT_MAX / static_cast<int>(sizeof(char16_t)) - kTemplateStep) {
      size += kTemplateStep;
      grown = static_cast<char16_t*>(std::realloc(buffer, size * sizeof(char16_t)));
    }
    if (!grown) std::free(buffer);
    buffer = grown;
  }
  *text = nullptr;
  return 0;
}
