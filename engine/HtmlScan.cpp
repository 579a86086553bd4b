// Link extraction from HTML tags and attributes, with each link's line and column, in UTF-16 and
// 8-bit text.
#include "engine/HtmlScan.h"

#include "engine/HtmlScanText.h"

namespace {

struct LinkAttribute {
  const char* tag;
  const char* attribute;
};

const LinkAttribute kLinkAttributes[] = {
    {"APPLET", "SRC"},      {"BGSOUND", "SRC"},     {"EMBED", "SRC"},        {"FRAME", "SRC"},
    {"IFRAME", "SRC"},      {"IMG", "SRC"},         {"SCRIPT", "SRC"},       {"A", "HREF"},
    {"APPLET", "CODEBASE"}, {"IMG", "USEMAP"},      {"HR", "SRC"},           {"UL", "SRC"},
    {"AREA", "HREF"},       {"BASE", "HREF"},       {"FORM", "ACTION"},      {"IMG", "DYNSRC"},
    {"LINK", "HREF"},       {"IMG", "LOWSRC"},      {"META", "CONTENT"},     {"OBJECT", "CODEBASE"},
    {"OBJECT", "DATA"},     {"BODY", "BACKGROUND"}, {"TABLE", "BACKGROUND"}, {"TD", "BACKGROUND"},
    {"TH", "BACKGROUND"},   {"OPTION", "VALUE"},
};

// Elements whose content the scanner treats apart, by the start of the tag's name.
enum ContentKind { CONTENT_NONE, CONTENT_STYLE, CONTENT_SCRIPT, CONTENT_TITLE, CONTENT_ANCHOR };

template <typename Unit>
ContentKind ContentOf(HtmlSpan<Unit> name, const char** closing) {
  if (StartsWithWord(name.text, name.length, "style")) {
    *closing = "/style";
    return CONTENT_STYLE;
  }
  if (StartsWithWord(name.text, name.length, "script")) {
    *closing = "/script";
    return CONTENT_SCRIPT;
  }
  if (StartsWithWord(name.text, name.length, "title")) {
    *closing = "/title";
    return CONTENT_TITLE;
  }
  // Every name that starts with "a" (area, abbr, ...) counts as an anchor.
  if (StartsWithWord(name.text, name.length, "a")) {
    *closing = "/a";
    return CONTENT_ANCHOR;
  }
  return CONTENT_NONE;
}

template <typename Unit>
HtmlSpan<Unit> Cut(HtmlSpan<Unit> span, long units) {
  if (span.length > units) span.length = units;
  return span;
}

// What one tag offers its attributes; the tag-wide answers are found once, on demand.
template <typename Unit>
struct TagState {
  const Unit* tag;
  long length;
  long lt;  // of the tag's "<" in the page
  HtmlSpan<Unit> name;
  int line;  // of the "<", 0-based
  int column;
  HtmlSpan<Unit> anchorText;
  int refresh = -1;  // an HTTP-EQUIV of "refresh"; -1: not yet looked at
  int styleSheet = -1;
  // Counting along the tag for the positions of style attributes.
  long countedTo;
  int countLine;
  int countColumn;
};

// A link's REL names a style sheet or a shortcut icon, as a list of tokens in any case.
template <typename Unit>
bool IsStyleSheetRel(HtmlSpan<Unit> rel) {
  bool shortcut = false;
  bool icon = false;
  long i = 0;
  while (i < rel.length) {
    while (i < rel.length && IsBlankUnit(rel.text[i])) ++i;
    const long start = i;
    while (i < rel.length && !IsBlankUnit(rel.text[i])) ++i;
    const HtmlSpan<Unit> token = {rel.text + start, i - start};
    if (SpanIs(token, "stylesheet")) return true;
    shortcut = shortcut || SpanIs(token, "shortcut");
    icon = icon || SpanIs(token, "icon");
  }
  return shortcut && icon;
}

// The URL of a refresh CONTENT ("5; url=next.html"), without one pair of quotes around it.
template <typename Unit>
bool RefreshUrl(HtmlSpan<Unit> content, HtmlSpan<Unit>* url) {
  long p = FindWord(content.text, content.length, "url");
  if (p < 0) return false;
  const long end = content.length;
  p += 3;
  while (p < end && IsBlankUnit(content.text[p])) ++p;
  if (p < end && content.text[p] == '=') ++p;
  while (p < end && IsBlankUnit(content.text[p])) ++p;
  long urlEnd = end;
  if (urlEnd - p >= 2 && IsQuoteUnit(content.text[p]) &&
      content.text[urlEnd - 1] == content.text[p]) {
    ++p;
    --urlEnd;
  }
  *url = {content.text + p, urlEnd - p};
  return true;
}

template <typename Unit>
class PageScanner {
 public:
  PageScanner(const Unit* text, long length, const HtmlScanOptions& options,
              const HtmlSink<Unit>& sink)
      : text_(text), length_(length), options_(options), sink_(sink) {}

  void Run() {
    long p = 0;
    for (;;) {
      while (p < length_ && text_[p] != '<') Count(p++);
      if (p >= length_) return;
      const char* closer = nullptr;
      const long opener = CommentOpener(text_ + p, length_ - p, &closer);
      if (opener) {
        p = SkipComment(p, opener, closer, length_);
        if (p < 0) return;
        continue;
      }
      long gt = p + 1;
      while (gt < length_ && text_[gt] != '>') ++gt;
      const int line = line_;
      const int column = column_;
      const long skip = ParseTag(p, gt);
      if (skip > 0) {
        p += skip;
        continue;
      }
      line_ = line;
      column_ = column;
      while (p < gt) Count(p++);
    }
  }

 private:
  void Count(long index) { CountLineColumn(text_, index, length_, &line_, &column_); }

  // Skips the comment opening at p up to `end`: the index after its closer, or -1 when it
  // does not close before `end`.
  long SkipComment(long p, long opener, const char* closer, long end) {
    column_ += static_cast<int>(opener);
    p += opener;
    while (p + 3 <= end && !StartsWithExact(text_ + p, end - p, closer)) Count(p++);
    if (p + 3 > end) return -1;
    column_ += 3;
    return p + 3;
  }

  // Where the content starting at q ends: at the "<" of its closing tag, or at `end`.
  long ContentEnd(long q, long end, const char* closing) {
    while (q < end) {
      while (q < end && text_[q] != '<') Count(q++);
      if (q >= end) break;
      const char* closer = nullptr;
      const long opener = CommentOpener(text_ + q, end - q, &closer);
      if (opener) {
        q = SkipComment(q, opener, closer, end);
        if (q < 0) return end;
        continue;
      }
      long r = q + 1;
      while (r < end && IsBlankUnit(text_[r])) ++r;
      if (StartsWithWord(text_ + r, end - r, closing)) return q;
      while (q < end && text_[q] != '>') Count(q++);
    }
    return end;
  }

  // One tag from its "<" at lt to its ">" at gt (or the end): how far the scan skips from
  // the "<" (0: on after the tag).
  long ParseTag(long lt, long gt) {
    TagState<Unit> tag;
    tag.tag = text_ + lt + 1;
    tag.length = gt - lt - 1;
    tag.lt = lt;
    long nameStart = 0;
    const long nameEnd = TagNameEnd(tag.tag, tag.length, &nameStart);
    tag.name = {tag.tag + nameStart, nameEnd - nameStart};
    tag.line = tag.countLine = line_;
    tag.column = tag.countColumn = column_;
    tag.countedTo = lt;

    long skip = 0;
    const char* closing = nullptr;
    const ContentKind kind = ContentOf(tag.name, &closing);
    if (kind != CONTENT_NONE) {
      long q = lt;
      while (q < gt) Count(q++);
      if (q < length_) Count(q++);
      const long start = q;
      const int line = line_;
      const int column = column_;
      // Only so much of a title or an anchor's content is kept, and the scan goes over the
      // content again anyway: the search for its end stops there.
      long end = length_;
      if (kind == CONTENT_TITLE && end - start > HtmlTitleUnits<Unit>()) {
        end = start + HtmlTitleUnits<Unit>();
      } else if (kind == CONTENT_ANCHOR && end - start > kHtmlAnchorUnits) {
        end = start + kHtmlAnchorUnits;
      }
      const long contentEnd = ContentEnd(start, end, closing);
      const HtmlSpan<Unit> content = {text_ + start, contentEnd - start};
      if (kind == CONTENT_STYLE) ScanCss(content.text, content.length, line, column, sink_);
      if (kind == CONTENT_STYLE || kind == CONTENT_SCRIPT) {
        skip = contentEnd - lt;
      } else {
        if (kind == CONTENT_TITLE && sink_.title) sink_.title(sink_.context, content);
        if (kind == CONTENT_ANCHOR) tag.anchorText = content;
        line_ = tag.line;
        column_ = tag.column;
      }
    }

    AttributeReader<Unit> reader(tag.tag, tag.length, nameEnd);
    HtmlAttribute<Unit> attribute;
    while (reader.Next(&attribute)) {
      if (attribute.name.length) ProcessAttribute(tag, attribute);
    }
    return skip;
  }

  bool Matches(HtmlSpan<Unit> tagName, HtmlSpan<Unit> attribute) const {
    for (const LinkAttribute& row : kLinkAttributes) {
      if (SpanIs(tagName, row.tag) && SpanIs(attribute, row.attribute)) {
        return !(options_.ignoreFormTag && SpanIs(tagName, "FORM"));
      }
    }
    return false;
  }

  void ProcessAttribute(TagState<Unit>& tag, const HtmlAttribute<Unit>& attribute) {
    if (!Matches(tag.name, attribute.name)) {
      if (attribute.hasValue && SpanIs(attribute.name, "style")) StyleAttribute(tag, attribute);
      return;
    }
    HtmlLink<Unit> link;
    link.url = attribute.value;
    if (SpanIs(tag.name, "META")) {
      if (tag.refresh < 0) {
        HtmlAttribute<Unit> equiv;
        tag.refresh = FindAttribute(tag.tag, tag.length, "http-equiv", &equiv) &&
                      StartsWithWord(equiv.value.text, equiv.value.length, "refresh");
      }
      if (!tag.refresh || !RefreshUrl(attribute.value, &link.url)) return;
    } else if (SpanIs(tag.name, "LINK")) {
      if (tag.styleSheet < 0) {
        HtmlAttribute<Unit> rel;
        tag.styleSheet =
            FindAttribute(tag.tag, tag.length, "rel", &rel) && IsStyleSheetRel(rel.value);
      }
      if (!tag.styleSheet) return;
    } else if (SpanIs(tag.name, "OPTION")) {
      const HtmlSpan<Unit> value = attribute.value;
      if (!StartsWithWord(value.text, value.length, "http://") &&
          !StartsWithWord(value.text, value.length, "https://")) {
        return;
      }
    }
    link.url = Cut(link.url, kHtmlUrlUnits);
    link.line = tag.line + 1;
    link.column = tag.column + 1;
    link.tag = tag.name;
    link.attribute = attribute.name;
    link.base = SpanIs(tag.name, "BASE");
    Unit described[kHtmlAnchorUnits];
    if (!tag.anchorText.length ||
        !DescribeAnchor(tag.anchorText.text, tag.anchorText.length, described, &link)) {
      link.form = HTMLLINK_TAG;
    }
    sink_.link(sink_.context, link);
  }

  // A style attribute's url(...) references, at their places in the page.
  void StyleAttribute(TagState<Unit>& tag, const HtmlAttribute<Unit>& attribute) {
    const long valueStart = tag.lt + 1 + attribute.valueOffset;
    while (tag.countedTo < valueStart) {
      CountLineColumn(text_, tag.countedTo++, length_, &tag.countLine, &tag.countColumn);
    }
    ScanCss(attribute.value.text, attribute.value.length, tag.countLine, tag.countColumn, sink_);
  }

  const Unit* text_;
  long length_;
  const HtmlScanOptions& options_;
  const HtmlSink<Unit>& sink_;
  int line_ = 0;
  int column_ = 0;
};

}  // namespace

template <typename Unit>
void CountLineColumn(const Unit* text, long index, long length, int* line, int* column) {
  const Unit c = text[index];
  const Unit next = index + 1 < length ? text[index + 1] : Unit(0);
  const Unit previous = index > 0 ? text[index - 1] : Unit(0);
  const bool lineBreak =
      (c == '\r' && next != '\n') || (c == '\n' && (previous == '\r' || next != '\r'));
  if (lineBreak) {
    ++*line;
    *column = 0;
  } else {
    ++*column;
  }
}

template <typename Unit>
void ScanHtml(const Unit* text, long length, const HtmlScanOptions& options,
              const HtmlSink<Unit>& sink) {
  if (!text || length <= 0 || !sink.link) return;
  PageScanner<Unit>(text, length, options, sink).Run();
}

template <typename Unit>
int DescribeAnchor(const Unit* content, long length, Unit* buffer, HtmlLink<Unit>* link) {
  long out = 0;
  bool blank = false;
  for (long i = 0; i < length;) {
    const Unit c = content[i];
    if (c == '<') {
      const long past = PastComment(content, i, length);
      if (past >= 0) {
        i = past;
        continue;
      }
      while (i < length && content[i] != '>') ++i;
      ++i;
      continue;
    }
    ++i;
    if (IsBlankUnit(c)) {
      blank = out > 0;
      continue;
    }
    if (blank) buffer[out++] = ' ';
    blank = false;
    buffer[out++] = c;
  }
  if (out > 0) {
    link->form = HTMLLINK_ANCHOR_TEXT;
    link->text = {buffer, out};
    return 1;
  }

  for (long i = 0; i < length;) {
    if (content[i] != '<') {
      ++i;
      continue;
    }
    const long past = PastComment(content, i, length);
    if (past >= 0) {
      i = past;
      continue;
    }
    long gt = i + 1;
    while (gt < length && content[gt] != '>') ++gt;
    const Unit* tag = content + i + 1;
    const long tagLength = gt - i - 1;
    long nameStart = 0;
    const long nameEnd = TagNameEnd(tag, tagLength, &nameStart);
    if (StartsWithWord(tag + nameStart, nameEnd - nameStart, "img")) {
      HtmlSpan<Unit> src;
      HtmlSpan<Unit> alt;
      AttributeReader<Unit> reader(tag, tagLength, nameEnd);
      HtmlAttribute<Unit> attribute;
      while (reader.Next(&attribute)) {
        if (SpanIs(attribute.name, "src")) src = Cut(attribute.value, 255);
        if (SpanIs(attribute.name, "alt")) alt = Cut(attribute.value, 255);
      }
      if (src.length && alt.length) {
        link->form = HTMLLINK_ANCHOR_IMAGE;
        link->src = src;
        link->alt = alt;
        return 1;
      }
    }
    i = gt;
  }
  return 0;
}

template void CountLineColumn(const char16_t*, long, long, int*, int*);
template void CountLineColumn(const char*, long, long, int*, int*);
template void ScanHtml(const char16_t*, long, const HtmlScanOptions&, const HtmlSink<char16_t>&);
template void ScanHtml(const char*, long, const HtmlScanOptions&, const HtmlSink<char>&);
template int DescribeAnchor(const char16_t*, long, char16_t*, HtmlLink<char16_t>*);
template int DescribeAnchor(const char*, long, char*, HtmlLink<char>*);
