// Autosave file names: a base name from the site's server and the numbered candidates that avoid
// reserved and taken names.
#include "app/AutosaveNames.h"

#include <algorithm>
#include <string>

#include "engine/TextCopy.h"

namespace {

bool IsReserved(char16_t c) {
  return c < 32 || c == u'\\' || c == u'/' || c == u':' || c == u'*' || c == u'?' || c == u'"' ||
         c == u'<' || c == u'>' || c == u'|';
}

}  // namespace

void MakeAutosaveBase(const char16_t* server, char16_t* base, int size) {
  std::u16string kept;
  for (const char16_t* at = server; at && *at; ++at)
    if (!IsReserved(*at)) kept += *at;
  CopyText(base, size, kept.empty() ? u"noname" : kept.c_str());
}

int MakeAutosaveCandidate(const char16_t* folder, const char16_t* base, int number, int kind,
                          char16_t* out, int size) {
  std::u16string tail;
  if (number > 1) {
    for (int n = number; n; n /= 10)
      tail.insert(tail.begin(), static_cast<char16_t>(u'0' + n % 10));
  }
  tail += kind == AUTOSAVE_LOCATOR ? u".tsn.loc" : u".fdb.tsn";
  std::u16string path = folder ? folder : u"";
  path += u'\\';
  const size_t fixed = path.size() + tail.size();
  if (size <= 0 || fixed + 1 > static_cast<size_t>(size)) return 0;
  const size_t room = static_cast<size_t>(size) - 1 - fixed;
  path.append(base, std::min(room, std::char_traits<char16_t>::length(base)));
  path += tail;
  CopyText(out, size, path.c_str());
  return 1;
}
