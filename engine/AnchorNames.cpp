// The anchor names (id and name attributes) of a page, read from UTF-16 or 8-bit text for the
// bookmark index.
#include "engine/HtmlScan.h"
#include "engine/HtmlScanText.h"

namespace {

// The tag name is a leading part of the ASCII word, in any case.
template <typename Unit>
bool IsLeadingPart(HtmlSpan<Unit> name, const char* word) {
  if (name.length == 0) return false;
  for (long i = 0; i < name.length; ++i) {
    if (!word[i] || AsciiLower(name.text[i]) != static_cast<Unit>(word[i])) return false;
  }
  return true;
}

}  // namespace

template <typename Unit>
void TagAnchorNames(const Unit* tag, long length, void* context,
                    void (*name)(void* context, HtmlSpan<Unit> name)) {
  long nameStart = 0;
  const long nameEnd = TagNameEnd(tag, length, &nameStart);
  const HtmlSpan<Unit> tagName = {tag + nameStart, nameEnd - nameStart};
  const bool named = IsLeadingPart(tagName, "a") || IsLeadingPart(tagName, "map");
  AttributeReader<Unit> reader(tag, length, nameEnd);
  HtmlAttribute<Unit> attribute;
  while (reader.Next(&attribute)) {
    if (!attribute.hasValue) continue;
    if (!SpanIs(attribute.name, "id") && !(named && SpanIs(attribute.name, "name"))) continue;
    HtmlSpan<Unit> value = attribute.value;
    if (value.length && value.text[0] == '#') {
      ++value.text;
      --value.length;
    }
    if (value.length) name(context, value);
  }
}

template <typename Unit>
void ScanAnchorNames(const Unit* text, long length, void* context,
                     void (*name)(void* context, HtmlSpan<Unit> name)) {
  if (!text) return;
  long p = 0;
  while (p < length) {
    if (text[p] != '<') {
      ++p;
      continue;
    }
    const long past = PastComment(text, p, length);
    if (past >= 0) {
      p = past;
      continue;
    }
    long gt = p + 1;
    while (gt < length && text[gt] != '>') ++gt;
    TagAnchorNames(text + p + 1, gt - p - 1, context, name);
    p = gt;
  }
}

template void TagAnchorNames(const char16_t*, long, void*, void (*)(void*, HtmlSpan<char16_t>));
template void TagAnchorNames(const char*, long, void*, void (*)(void*, HtmlSpan<char>));
template void ScanAnchorNames(const char16_t*, long, void*, void (*)(void*, HtmlSpan<char16_t>));
template void ScanAnchorNames(const char*, long, void*, void (*)(void*, HtmlSpan<char>));
