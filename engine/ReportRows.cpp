// The link report's rows: heading, filters and one formatted row per link, in each report format.
#include "engine/ReportRows.h"

#include "engine/FieldText.h"
#include "engine/HtmlText.h"
#include "engine/MarkupText.h"
#include "engine/ReportText.h"

#include <unicode/uchar.h>

namespace {

const char16_t* Text(const char16_t* text) { return text ? text : u""; }

std::u16string Number(long long value) {
  std::u16string out;
  for (char c : std::to_string(value)) out += static_cast<char16_t>(c);
  return out;
}

std::u16string Fold(const char16_t* text) {
  std::u16string out;
  for (const char16_t* p = Text(text); *p; ++p) out += static_cast<char16_t>(u_tolower(*p));
  return out;
}

bool ContainsNoCase(const char16_t* text, const char16_t* piece) {
  return Fold(text).find(Fold(piece)) != std::u16string::npos;
}

bool IsBroken(const tagTreeListItemFull& item) { return IsBrokenStatusVal(item.statusval); }

int Separator(int format) { return format == 3 ? u',' : u'\t'; }

const char16_t* LineEnd(int format) {
  return format == 0 ? u"</tr>\r\n" : format == 1 ? u"\n" : u"\r\n";
}

// A value of a text format: quoted for format 3, blanks for breaks and tabs otherwise.
std::u16string TextValue(int format, const char16_t* value) {
  return format == 3 ? CsvField(value) : TabField(value);
}

std::u16string HtmlLink(const char16_t* url) {
  std::u16string escaped = HTMLEscape(url);
  if (!IsLinkableUrl(url)) return u"<td>" + InsertWordBreaks(escaped) + u"</td>";
  return u"<td><a href=\"" + escaped + u"\" target=\"_blank\">" + InsertWordBreaks(escaped) +
         u"</a></td>";
}

std::u16string HtmlCell(const std::u16string& escaped) {
  return escaped.empty() ? std::u16string(u"<td>&nbsp;</td>") : u"<td>" + escaped + u"</td>";
}

std::u16string PositionText(const tagTreeListItemFull& item, const ReportTexts& texts) {
  if (!item.rel_url[0]) return std::u16string();
  return StripMarkup(
      (FillNumbers(texts.position, item.line, item.col) + u" " + item.rel_title).c_str());
}

// The texts of one column as they stand (unescaped).
std::u16string ColumnValue(int column, const tagTreeListItemFull& item, const ReportTexts& texts) {
  switch (column) {
    case 0:
      return item.Url;
    case 1:
      return item.statusstr;
    case 2:
      return item.commentstr;
    case 3:
      return item.title;
    case 4: {
      const char16_t* name = ProtocolName(item.protocol);
      return name ? name : Text(texts.unknown);
    }
    case 5:
      return item.content;
    case 6:
      return item.ressize;
    case 7:
      return item.lastmod;
    case 8:
      return item.charset;
    case 9:
      return FormatAccessTime(item.restime, texts.sec);
    case 10:
      return Text(item.extern_ == 1 ? texts.external : texts.internal);
    case 11:
      return item.rel_url;
    default:
      return PositionText(item, texts);
  }
}

bool ColumnWanted(const tagEXPORTLINKSSTRUCT& request, int column) {
  if (!(request.ColumnMask & (1 << column))) return false;
  return request.Type != 1 || column < 11;
}

std::u16string HtmlDescription(const tagTreeListItemFull& item, const BrokenTexts& t) {
  std::u16string out;
  std::u16string url = HTMLEscape(item.Url);
  auto link = [](const std::u16string& escaped, const char16_t* raw) {
    if (!IsLinkableUrl(raw)) return escaped;
    return u"<a href=\"" + escaped + u"\" target=\"_blank\">" + escaped + u"</a>";
  };
  if (item.rel_url[0]) {
    out += Text(t.onPage) + std::u16string(u" ") + link(HTMLEscape(item.rel_url), item.rel_url) +
           u"<br>";
    out += Text(t.atLine) + std::u16string(u" ") + Number(item.line) + u" " + Text(t.atColumn) +
           u" " + Number(item.col) + u", " + HTMLEscape(item.rel_title) + u",<br>";
    out += Text(t.linkToSm);
  } else {
    out += Text(t.linkToCap);
  }
  out += u" " + link(url, item.Url) + u"<br>";
  out += Text(t.theError) + std::u16string(u": <font color=\"red\">") + HTMLEscape(item.statusstr) +
         u"</font>.";
  return u"<tr>\r\n<td>" + StripMarkup(out.c_str()) + u"</td>\r\n</tr>\r\n";
}

std::u16string TextDescription(int format, const tagTreeListItemFull& item, const BrokenTexts& t) {
  std::u16string out;
  if (item.rel_url[0]) {
    out += Text(t.onPage) + std::u16string(u" ") + item.rel_url + u" ";
    out += Text(t.atLine) + std::u16string(u" ") + Number(item.line) + u" " + Text(t.atColumn) +
           u" " + Number(item.col) + u", " + item.rel_title + u", ";
    out += Text(t.linkToSm);
  } else {
    out += Text(t.linkToCap);
  }
  out +=
      std::u16string(u" \"") + item.Url + u"\" " + Text(t.theError) + u": " + item.statusstr + u".";
  return TextValue(format, StripMarkup(out.c_str()).c_str()) + (format == 1 ? u"\n" : u"\r\n");
}

}  // namespace

std::u16string FillNumbers(const char16_t* text, int32_t first, int32_t second) {
  std::u16string out;
  int used = 0;
  for (const char16_t* p = Text(text); *p; ++p) {
    if (p[0] == u'%' && p[1] == u'd') {
      out += used == 0 ? Number(first) : used == 1 ? Number(second) : u"%";
      ++used;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

std::u16string ReportHead(const tagEXPORTLINKSSTRUCT& request, const ReportTexts& texts,
                          const char16_t* title) {
  const int format = request.Format;
  if (format < 0 || format > 3) return std::u16string();
  const bool table = request.Type >= 0 && request.Type <= 3;
  const bool heading = request.Type >= 0 && request.Type <= 2;
  std::u16string out;
  if (format == 0) {
    std::u16string escaped = HTMLEscape(title);
    out +=
        u"<html>\r\n<head><meta http-equiv=\"content-type\" content=\"text/html; "
        u"charset=UTF-8\">";
    out += u"<title>" + escaped + u"</title></head>\r\n<body>\r\n";
    out += u"<div align=\"center\"><h1>" + escaped + u"</h1></div>\r\n";
    if (table) out += u"<table border=\"1\" width=\"100%\">\r\n";
    if (!heading) return out;
    out += u"<tr>\r\n";
  } else if (format == 1) {
    out += u"\uFEFF";
    if (!heading) return out;
  } else if (!heading) {
    return out;
  }
  bool any = false;
  for (int column = 0; column < REPORT_COLUMNS; ++column) {
    if (!ColumnWanted(request, column)) continue;
    const char16_t* name =
        column == 0 && request.Type >= 2 ? texts.brokenHeading : texts.headings[column];
    if (format == 0) {
      out += u"<td><strong>" + HTMLEscape(name) + u"</strong></td>";
    } else {
      if (any) out += static_cast<char16_t>(Separator(format));
      out += TextValue(format, name);
    }
    any = true;
  }
  return out + LineEnd(format);
}

bool ReportRowWanted(const tagEXPORTLINKSSTRUCT& request, const tagTreeListItemFull& item,
                     int32_t first) {
  const int count = request.FilterCount > 10 ? 10 : request.FilterCount;
  for (int i = 0; i < count; ++i) {
    const tagEXPORTFILTER& filter = request.Filters[i];
    const char16_t* field = nullptr;
    switch (filter.FilterKind / 2) {
      case 0:
        field = item.Url;
        break;
      case 1:
        field = item.statusstr;
        break;
      case 2:
        field = item.commentstr;
        break;
      case 3:
        field = request.Type == 1 ? nullptr : item.rel_url;
        break;
      default:
        break;
    }
    if (!field) continue;
    const bool keep = filter.FilterKind % 2 == 0;
    if (ContainsNoCase(field, filter.FilterText) != keep) return false;
  }
  switch (request.Type) {
    case 0:
      if (item.restype == RES_HTML) return request.IncludePages != 0;
      if (item.restype == RES_IMAGE) return request.IncludeImages != 0;
      return request.IncludeOthers != 0;
    case 1:
      return first != 0;
    case 2:
    case 3:
      return IsBroken(item);
    default:
      return false;
  }
}

std::u16string ReportRow(const tagEXPORTLINKSSTRUCT& request, const tagTreeListItemFull& item,
                         const ReportTexts& texts) {
  const int format = request.Format;
  if (format < 0 || format > 3) return std::u16string();
  if (request.Type == 3)
    return format == 0 ? HtmlDescription(item, texts.broken)
                       : TextDescription(format, item, texts.broken);
  std::u16string out = format == 0 ? u"<tr>\r\n" : u"";
  bool any = false;
  for (int column = 0; column < REPORT_COLUMNS; ++column) {
    if (!ColumnWanted(request, column)) continue;
    const std::u16string value = ColumnValue(column, item, texts);
    if (format == 0) {
      if (column == 0 || column == 11)
        out += value.empty() ? HtmlCell(value) : HtmlLink(value.c_str());
      else
        out += HtmlCell(HTMLEscape(value.c_str()));
    } else {
      if (any) out += static_cast<char16_t>(Separator(format));
      out += TextValue(format, value.c_str());
    }
    any = true;
  }
  return out + LineEnd(format);
}

std::u16string ReportTail(const tagEXPORTLINKSSTRUCT& request, const char16_t* statsTitle,
                          const ReportStatLine* settingsLines, int settingsCount,
                          const ReportStatLine* countLines, int countCount) {
  const int format = request.Format;
  if (format < 0 || format > 3) return std::u16string();
  const bool table = request.Type >= 0 && request.Type <= 3;
  std::u16string out;
  if (format == 0 && table) out += u"</table>\r\n";
  if (request.WithStats) {
    if (format == 0) {
      out += u"<p><strong>" + HTMLEscape(statsTitle) + u"</strong>:<br>\r\n";
      out += u"<table border=\"1\" width=\"100%\">\r\n<tr>\r\n";
      out += u"<td align=\"left\" valign=\"top\" width=\"50%\">";
      for (int i = 0; i < settingsCount; ++i)
        out += HTMLEscape(settingsLines[i].label.c_str()) + u": " +
               HTMLEscape(settingsLines[i].value.c_str()) + u"<br>";
      out += u"</td>\r\n<td align=\"left\" valign=\"top\" width=\"50%\">";
      for (int i = 0; i < countCount; ++i)
        out += HTMLEscape(countLines[i].label.c_str()) + u": " +
               HTMLEscape(countLines[i].value.c_str()) + (i + 1 < countCount ? u"<br>" : u"");
      out += u"</td>\r\n</tr>\r\n</table>\r\n</p>\r\n";
    } else {
      const char16_t* end = format == 1 ? u"\n" : u"\r\n";
      if (table) out += end;
      for (int i = 0; i < settingsCount; ++i)
        out += TabField(settingsLines[i].label.c_str()) + u": " +
               TabField(settingsLines[i].value.c_str()) + end;
      out += end;
      for (int i = 0; i < countCount; ++i)
        out += TabField(countLines[i].label.c_str()) + u": " +
               TabField(countLines[i].value.c_str()) + end;
    }
  }
  if (format == 0) out += u"</body>\r\n</html>\r\n";
  return out;
}
