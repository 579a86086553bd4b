// The matcher of a status code against the blank-separated list of codes.
#include <cstdlib>

#include "engine/StatusCodeList.h"

int status_code_in_list_func(int status, void* list) {
  const char16_t* c = static_cast<const char16_t*>(list);
  if (!c) return 0;
  while (*c) {
    while (*c == u' ') ++c;
    if (!*c) break;
    // A piece reads as "%u" does: leading digits, the rest of the piece ignored.
    unsigned long value = 0;
    bool digits = false;
    bool overflow = false;
    for (; *c >= u'0' && *c <= u'9'; ++c) {
      digits = true;
      value = value * 10 + static_cast<unsigned long>(*c - u'0');
      if (value > 0xFFFFFFFFul) overflow = true;
    }
    if (digits && !overflow && status >= 0 && value == static_cast<unsigned long>(status)) return 1;
    while (*c && *c != u' ') ++c;
  }
  return 0;
}
