// SQL text built within a length limit, with literals quoted and cleaned for UTF8 columns.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "scandb/DbSql.h"
#include "scandb/Utf8Clean.h"

void SqlText::AddBytes(const char* bytes, size_t length) {
  if (!Ok()) return;
  if (length > limit_ - text_.size()) {
    tooLong_ = true;
    return;
  }
  try {
    text_.append(bytes, length);
  } catch (const std::bad_alloc&) {
    outOfMemory_ = true;
  }
}

void SqlText::AddDoubled(const char* text, size_t length) {
  if (!Ok()) return;
  size_t quotes = 0;
  for (size_t i = 0; i < length; ++i) quotes += text[i] == '\'';
  if (length + quotes > limit_ - text_.size()) {
    tooLong_ = true;
    return;
  }
  try {
    size_t at = text_.size();
    text_.resize(at + length + quotes + 1);
    int32_t written = DBQuoteString(&text_[at], static_cast<uint32_t>(length + quotes + 1),
                                    std::string(text, length).c_str(), 1);
    text_.resize(at + written);
  } catch (const std::bad_alloc&) {
    outOfMemory_ = true;
  }
}

SqlText& SqlText::Add(const char* piece) {
  AddBytes(piece, strlen(piece));
  return *this;
}

SqlText& SqlText::AddInt(int32_t value) {
  char digits[16];
  int length = snprintf(digits, sizeof(digits), "%d", static_cast<int>(value));
  AddBytes(digits, static_cast<size_t>(length));
  return *this;
}

SqlText& SqlText::AddValue(const char* text, size_t maxBytes) {
  std::string clean;
  if (!AppendCleanUtf8(clean, text, maxBytes)) {
    outOfMemory_ = true;
    return *this;
  }
  AddDoubled(clean.data(), clean.size());
  return *this;
}

SqlText& SqlText::ParamInt(int32_t value) {
  Add("?");
  if (!Ok()) return *this;
  try {
    params_.push_back(Param{false, value, std::string()});
  } catch (const std::bad_alloc&) {
    outOfMemory_ = true;
  }
  return *this;
}

SqlText& SqlText::ParamValue(const char* text, size_t maxBytes) {
  Add("?");
  if (!Ok()) return *this;
  try {
    params_.push_back(Param{true, 0, std::string()});
    if (!AppendCleanUtf8(params_.back().text, text, maxBytes)) outOfMemory_ = true;
  } catch (const std::bad_alloc&) {
    outOfMemory_ = true;
  }
  return *this;
}

SqlText& SqlText::AddRaw(const char* text) {
  AddDoubled(text ? text : "", text ? strlen(text) : 0);
  return *this;
}
