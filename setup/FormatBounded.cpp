// The installer library's one formatter: printf conventions, always terminated, never past its
// buffer.
#include "setup/FormatBounded.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The output so far; what does not fit is dropped.
class Output {
 public:
  Output(char* buffer, int size) : buffer_(buffer), room_(size > 0 ? size - 1 : 0) {}
  void Put(const char* text, size_t length) {
    const size_t take = length < room_ - used_ ? length : room_ - used_;
    memcpy(buffer_ + used_, text, take);
    used_ += take;
  }
  void Pad(int count) {
    for (int i = 0; i < count; ++i) Put(" ", 1);
  }
  int Finish() {
    buffer_[used_] = '\0';
    return static_cast<int>(used_);
  }

 private:
  char* buffer_;
  size_t room_;
  size_t used_ = 0;
};

// One directive, as read from the format.
struct Directive {
  std::string flags;
  int width = 0;
  int precision = -1;
  bool wide = false;    // l or w on s and c, or S and C
  bool narrow = false;  // h
  bool is64 = false;    // I64 or ll
  char conversion = 0;
};

// Widths and precisions beyond this are taken as this: the output is bounded anyway.
constexpr int kMaxNumber = 4096;

int ReadNumber(const char*& p, va_list& args) {
  int value = 0;
  if (*p == '*') {
    ++p;
    value = va_arg(args, int);
  } else {
    while (*p >= '0' && *p <= '9') {
      if (value <= kMaxNumber) value = value * 10 + (*p - '0');
      ++p;
    }
  }
  return value > kMaxNumber ? kMaxNumber : value < -kMaxNumber ? -kMaxNumber : value;
}

void PutText(Output& out, const Directive& d, const char* text, size_t length) {
  if (d.precision >= 0 && length > static_cast<size_t>(d.precision)) length = d.precision;
  const int pad = d.width > static_cast<int>(length) ? d.width - static_cast<int>(length) : 0;
  const bool left = d.flags.find('-') != std::string::npos;
  if (!left) out.Pad(pad);
  out.Put(text, length);
  if (left) out.Pad(pad);
}

void PutString(Output& out, const Directive& d, va_list& args) {
  const bool wide = (d.conversion == 'S' && !d.narrow) || (d.conversion == 's' && d.wide);
  if (!wide) {
    const char* text = va_arg(args, const char*);
    if (!text) text = "(null)";
    PutText(out, d, text, strlen(text));
    return;
  }
  const wchar_t* text = va_arg(args, const wchar_t*);
  if (!text) {
    PutText(out, d, "(null)", 6);
    return;
  }
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string ansi(bytes > 0 ? bytes : 1, '\0');
  if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, text, -1, &ansi[0], bytes, nullptr, nullptr);
  PutText(out, d, ansi.c_str(), strlen(ansi.c_str()));
}

// Formats one numeric or character directive with the C runtime, into a scratch buffer
// sized from its width and precision and grown when the runtime needs more.
template <typename T>
void PutRuntime(Output& out, const Directive& d, const char* length, T value) {
  std::string spec = "%" + d.flags;
  if (d.width > 0) spec += std::to_string(d.width);
  if (d.precision >= 0) spec += "." + std::to_string(d.precision);
  spec += length;
  spec += d.conversion;
  std::string scratch(static_cast<size_t>(d.width) + (d.precision > 0 ? d.precision : 0) + 64,
                      '\0');
  // The directive was rebuilt from checked parts above; the runtime does the conversion.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  int written = snprintf(&scratch[0], scratch.size(), spec.c_str(), value);
  if (written >= static_cast<int>(scratch.size())) {
    scratch.resize(written + 1);
    written = snprintf(&scratch[0], scratch.size(), spec.c_str(), value);
  }
#pragma GCC diagnostic pop
  if (written > 0) out.Put(scratch.data(), static_cast<size_t>(written));
}

void PutOther(Output& out, Directive d, va_list& args) {
  switch (d.conversion) {
    case 'd':
    case 'i':
    case 'o':
    case 'u':
    case 'x':
    case 'X':
      if (d.is64) {
        PutRuntime(out, d, "ll", va_arg(args, long long));
      } else {
        PutRuntime(out, d, d.narrow ? "h" : "", va_arg(args, int));
      }
      return;
    case 'e':
    case 'E':
    case 'f':
    case 'g':
    case 'G':
      PutRuntime(out, d, "", va_arg(args, double));
      return;
    case 'p':
      PutRuntime(out, d, "", va_arg(args, void*));
      return;
    case 'C':
      d.wide = !d.narrow;
      d.conversion = 'c';
      [[fallthrough]];
    case 'c':
      if (d.wide) {
        const wchar_t unit = static_cast<wchar_t>(va_arg(args, int));
        char ansi[8] = {};
        const int bytes =
            WideCharToMultiByte(CP_ACP, 0, &unit, 1, ansi, sizeof ansi, nullptr, nullptr);
        d.precision = -1;
        PutText(out, d, ansi, bytes > 0 ? bytes : 0);
      } else {
        PutRuntime(out, d, "", va_arg(args, int));
      }
      return;
    default:
      return;
  }
}

}  // namespace

extern "C" int __cdecl FormatBounded(char* buffer, int size, const char* format, ...) {
  if (!buffer || size <= 0) return 0;
  Output out(buffer, size);
  va_list args;
  va_start(args, format);
  for (const char* p = format ? format : ""; *p;) {
    if (*p != '%') {
      out.Put(p++, 1);
      continue;
    }
    const char* start = p++;
    if (*p == '%') {
      out.Put(p++, 1);
      continue;
    }
    Directive d;
    while (*p && strchr(" #+-0", *p)) d.flags += *p++;
    d.width = ReadNumber(p, args);
    if (d.width < 0) {
      d.flags += '-';
      d.width = -d.width;
    }
    if (*p == '.') {
      ++p;
      d.precision = ReadNumber(p, args);
      if (d.precision < 0) d.precision = -1;
    }
    for (;;) {
      if (*p == 'l' && p[1] == 'l') {
        d.is64 = true;
        p += 2;
      } else if (*p == 'I' && p[1] == '6' && p[2] == '4') {
        d.is64 = true;
        p += 3;
      } else if (*p == 'l' || *p == 'w') {
        d.wide = true;
        ++p;
      } else if (*p == 'L') {
        ++p;
      } else if (*p == 'h') {
        d.narrow = true;
        ++p;
      } else {
        break;
      }
    }
    d.conversion = *p;
    if (!d.conversion || !strchr("sScCdiouxXeEfgGp", d.conversion)) {
      // Not a directive this formatter knows: its text is copied as it stands.
      out.Put(start, p - start);
      continue;
    }
    ++p;
    if (d.conversion == 's' || d.conversion == 'S') {
      PutString(out, d, args);
    } else {
      PutOther(out, d, args);
    }
  }
  va_end(args);
  return out.Finish();
}
