// Recognition of a text's character set through ICU's detector, as a list of candidates.
#include <unicode/ucsdet.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "charset/Charset.h"

namespace {

struct Recogniser {
  const char* name;
  uint32_t flag;
};

// The recognisers this library runs, in the order that decides between equal
// confidences. ICU runs all of its recognisers whatever its enable list says, so results
// are filtered against this list.
constexpr Recogniser kRecognisers[] = {
    {"UTF-16BE", CHARDET_UNICODE},    {"UTF-16LE", CHARDET_UNICODE},
    {"UTF-32BE", CHARDET_UNICODE},    {"UTF-32LE", CHARDET_UNICODE},
    {"UTF-8", CHARDET_OTHERS},        {"ISO-8859-1", CHARDET_OTHERS},
    {"ISO-8859-2", CHARDET_OTHERS},   {"ISO-8859-5", CHARDET_OTHERS},
    {"ISO-8859-6", CHARDET_OTHERS},   {"ISO-8859-7", CHARDET_OTHERS},
    {"ISO-8859-8-I", CHARDET_OTHERS}, {"ISO-8859-8", CHARDET_OTHERS},
    {"windows-1251", CHARDET_OTHERS}, {"windows-1256", CHARDET_OTHERS},
    {"KOI8-R", CHARDET_OTHERS},       {"ISO-8859-9", CHARDET_OTHERS},
    {"Shift_JIS", CHARDET_OTHERS},    {"GB18030", CHARDET_OTHERS},
    {"EUC-JP", CHARDET_OTHERS},       {"EUC-KR", CHARDET_OTHERS},
    {"Big5", CHARDET_OTHERS},         {"ISO-2022-JP", CHARDET_OTHERS},
    {"ISO-2022-KR", CHARDET_OTHERS},  {"ISO-2022-CN", CHARDET_OTHERS},
    {"IBM424_rtl", CHARDET_OTHERS},   {"IBM424_ltr", CHARDET_OTHERS},
    {"IBM420_rtl", CHARDET_OTHERS},   {"IBM420_ltr", CHARDET_OTHERS},
};
constexpr size_t kRecogniserCount = sizeof(kRecognisers) / sizeof(kRecognisers[0]);

// An ISO-8859 recogniser reports the Windows code page instead when the text holds bytes
// in 0x80-0x9F; it still ranks as the ISO recogniser.
struct ReportedName {
  const char* reported;
  const char* recogniser;
};
constexpr ReportedName kWindowsNames[] = {
    {"windows-1252", "ISO-8859-1"}, {"windows-1250", "ISO-8859-2"}, {"windows-1253", "ISO-8859-7"},
    {"windows-1254", "ISO-8859-9"}, {"windows-1255", "ISO-8859-8"},
};

int ListPosition(const char* name) {
  for (const ReportedName& alternative : kWindowsNames) {
    if (std::strcmp(name, alternative.reported) == 0) {
      name = alternative.recogniser;
      break;
    }
  }
  for (size_t i = 0; i < kRecogniserCount; ++i) {
    if (std::strcmp(name, kRecognisers[i].name) == 0) return static_cast<int>(i);
  }
  return -1;
}

struct Ranked {
  int position;
  CHARDETSTRUCT record;
};

struct DetectorCloser {
  void operator()(UCharsetDetector* detector) const { ucsdet_close(detector); }
};

// Reads one ICU match into `out`; false when it is not one this call asked for.
bool TakeMatch(const UCharsetMatch* match, uint32_t flags, Ranked* out) {
  UErrorCode error = U_ZERO_ERROR;
  const char* name = ucsdet_getName(match, &error);
  const char* language = ucsdet_getLanguage(match, &error);
  const int32_t confidence = ucsdet_getConfidence(match, &error);
  if (U_FAILURE(error) || !name || confidence <= 0) return false;
  const int position = ListPosition(name);
  if (position < 0 || !(flags & kRecognisers[position].flag)) return false;
  out->position = position;
  std::snprintf(out->record.charset, sizeof out->record.charset, "%s", name);
  std::snprintf(out->record.language, sizeof out->record.language, "%s", language ? language : "");
  out->record.confidence = confidence;
  return true;
}

}  // namespace

extern "C" CHARDETSTRUCT* RecognizeCharset(const char* data, uint32_t length, uint32_t flags,
                                           uint32_t* count) {
  if (!count) return nullptr;
  *count = 0;
  if (!data || !(flags & (CHARDET_UNICODE | CHARDET_OTHERS))) return nullptr;
  const size_t bytes = length == CHARDET_NUL_TERMINATED ? std::strlen(data) : length;
  // The statistics need no more than the first 2 GB, which is all ICU accepts.
  const int32_t icuLength = static_cast<int32_t>(std::min<size_t>(bytes, INT32_MAX));

  UErrorCode error = U_ZERO_ERROR;
  std::unique_ptr<UCharsetDetector, DetectorCloser> detector(ucsdet_open(&error));
  if (U_FAILURE(error)) return nullptr;
  ucsdet_setText(detector.get(), data, icuLength, &error);
  ucsdet_enableInputFilter(detector.get(), (flags & CHARDET_STRIP_MARKUP) != 0);
  int32_t matchCount = 0;
  const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &matchCount, &error);
  if (U_FAILURE(error) || !matches) return nullptr;

  Ranked ranked[kRecogniserCount];
  size_t found = 0;
  for (int32_t i = 0; i < matchCount && found < kRecogniserCount; ++i) {
    if (TakeMatch(matches[i], flags, &ranked[found])) ++found;
  }
  if (found == 0) return nullptr;
  std::stable_sort(ranked, ranked + found, [](const Ranked& a, const Ranked& b) {
    if (a.record.confidence != b.record.confidence)
      return a.record.confidence > b.record.confidence;
    return a.position < b.position;
  });

  auto* result = static_cast<CHARDETSTRUCT*>(std::malloc(found * sizeof(CHARDETSTRUCT)));
  if (!result) return nullptr;
  for (size_t i = 0; i < found; ++i) result[i] = ranked[i].record;
  *count = static_cast<uint32_t>(found);
  return result;
}

// ICU's UTF-16 recognisers start at 10 and rise only for a byte order mark, a code unit
// of 0x0A or 0x20-0xFF (a NUL high byte); its UTF-32 ones count a unit valid only below
// 0x110000 (a NUL high byte). Without NUL bytes and a mark, none rises above 10.
extern "C" int MayBeUnicodeForm(const char* data, uint32_t length) {
  if (!data) return 0;
  const size_t bytes = length == CHARDET_NUL_TERMINATED ? std::strlen(data) : length;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
  if (bytes >= 2 && ((p[0] == 0xFE && p[1] == 0xFF) || (p[0] == 0xFF && p[1] == 0xFE))) return 1;
  return std::memchr(data, 0, bytes) != nullptr;
}

extern "C" void RecognizeFree(CHARDETSTRUCT** array) {
  if (array && *array) std::free(*array);
}
