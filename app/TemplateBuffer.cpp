// Grows a heap buffer until a template or menu writer's text fits.
#include "app/TemplateBuffer.h"

#include <climits>
#include <cstdlib>

namespace {

constexpr int kFirstSize = 4096;

}  // namespace

int WriteTemplateText(char16_t** text, TEMPLATEWRITER write, const void* context) {
  int size = kFirstSize;
  char16_t* buffer = static_cast<char16_t*>(std::malloc(size * sizeof(char16_t)));
  while (buffer) {
    // A writer cut at the end of the room returns exactly size - 1, so a text that fills
    // the buffer to the last character may have been cut: write it again with more room.
    int length = write(buffer, size, context);
    if (length + 1 < size) {
      *text = buffer;
      return length;
    }
    // Doubling keeps the rewrites of a long text linear in its length.
    char16_t* grown = nullptr;
    if (size <= INT_MAX / 2 / static_cast<int>(sizeof(char16_t))) {
      size *= 2;
      grown = static_cast<char16_t*>(std::realloc(buffer, size * sizeof(char16_t)));
    }
    if (!grown) std::free(buffer);
    buffer = grown;
  }
  *text = nullptr;
  return 0;
}
