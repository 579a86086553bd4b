// Link extraction from HTML and CSS text, for UTF-16 text (char16_t) and for page bytes as
// they came (char). The scanners neither convert nor resolve: they report what the page
// says, with its 1-based position, to a sink. Neutral header; no state is kept between
// calls, so any thread may call them. Every text reported points into the scanned text or
// into the scanner's own buffers and is valid only during the sink call.
#pragma once

#include <cstdint>

// The longest link text reported, in units (longer text is cut).
constexpr long kHtmlUrlUnits = 2047;
// The raw anchor content kept for a description, in units.
constexpr long kHtmlAnchorUnits = 255;
// The raw title content kept, in units: 255 characters, which take up to four bytes each
// in a page of bytes. Callers convert and then cut to 255 characters.
template <typename Unit>
constexpr long HtmlTitleUnits() {
  return sizeof(Unit) == 1 ? 255 * 4 : 255;
}

template <typename Unit>
struct HtmlSpan {
  const Unit* text = nullptr;
  long length = 0;
};

enum HtmlLinkForm {
  HTMLLINK_TAG,           // described by its tag and attribute names
  HTMLLINK_ANCHOR_TEXT,   // described by the visible text of its anchor
  HTMLLINK_ANCHOR_IMAGE,  // by the src and alt of the image its anchor holds
  HTMLLINK_CSS,           // a url(...) of a style sheet, style element or style attribute
};

template <typename Unit>
struct HtmlLink {
  HtmlSpan<Unit> url;  // as written, entities and blanks still in it; empty only from a tag
  int line = 0;        // 1-based; columns count units
  int column = 0;
  HtmlLinkForm form = HTMLLINK_TAG;
  HtmlSpan<Unit> tag;        // tag and attribute names as written; empty for CSS links
  HtmlSpan<Unit> attribute;  // the attribute ("HREF", "CONTENT", ...)
  HtmlSpan<Unit> text;       // HTMLLINK_ANCHOR_TEXT: blank runs made one blank
  HtmlSpan<Unit> src;        // HTMLLINK_ANCHOR_IMAGE: at most 255 units each
  HtmlSpan<Unit> alt;
  bool base = false;  // a <base href>: the page's later relative links resolve against it
};

// The calls a scan makes, each with `context`. `title` gets the raw content of a title
// element (each later one again), at most HtmlTitleUnits units; may be null.
template <typename Unit>
struct HtmlSink {
  void* context = nullptr;
  void (*link)(void* context, const HtmlLink<Unit>& link) = nullptr;
  void (*title)(void* context, HtmlSpan<Unit> text) = nullptr;
};

struct HtmlScanOptions {
  int ignoreFormTag = 0;  // FORM ACTION is no link
};

// Scans a page: the links its tags carry, its title, the url(...) of its style elements and
// style attributes. Comments, CDATA sections and script content yield nothing.
template <typename Unit>
void ScanHtml(const Unit* text, long length, const HtmlScanOptions& options,
              const HtmlSink<Unit>& sink);

// Scans style sheet text whose first unit stands at the 0-based baseLine/baseColumn.
template <typename Unit>
void ScanCss(const Unit* text, long length, int baseLine, int baseColumn,
             const HtmlSink<Unit>& sink);

// Advances the 0-based counters over the unit at text[index]: CR, LF, CR LF and LF CR each
// count as one line break.
template <typename Unit>
void CountLineColumn(const Unit* text, long index, long length, int* line, int* column);

// The description of an anchor from its raw content: its visible text (blank runs made one
// blank), else the first image in it with both src and alt. Fills `link`'s form and text
// or src/alt spans (pointing into content or into buffer, which holds `length` units);
// returns 0, with the form left alone, when there is neither.
template <typename Unit>
int DescribeAnchor(const Unit* content, long length, Unit* buffer, HtmlLink<Unit>* link);

// The anchor names a page declares: the name of A and MAP tags and the id of any tag, each
// without one leading "#", in document order; comments and CDATA sections declare none.
template <typename Unit>
void ScanAnchorNames(const Unit* text, long length, void* context,
                     void (*name)(void* context, HtmlSpan<Unit> name));
// The same for the text of one tag (between "<" and ">").
template <typename Unit>
void TagAnchorNames(const Unit* tag, long length, void* context,
                    void (*name)(void* context, HtmlSpan<Unit> name));

// The charset a page of bytes names in a META tag (HTTP-EQUIV Content-Type with a
// charset in CONTENT, in either order, or a charset attribute) that a converter opens: 1
// with the name in `out` (at most size - 1 bytes, terminated), else 0. MetaTagCharset examines the
// text of one META tag (between "<" and ">").
int PageMetaCharset(const char* data, long length, char* out, int size);
int MetaTagCharset(const char* tag, long length, char* out, int size);
