// The toolkit's version, its table of language names and ids, and bit arrays.
#include "toolkit/Languages.h"

namespace {

const char16_t* const kLanguageNames[LANGUAGE_COUNT] = {
    u"afrikaans",  u"albanian",   u"arabic",     u"armenian",   u"assamese", u"azeri",
    u"basque",     u"belarusian", u"bengali",    u"bulgarian",  u"catalan",  u"schinese",
    u"tchinese",   u"croatian",   u"czech",      u"danish",     u"dutch",    u"englishus",
    u"englishuk",  u"estonian",   u"faeroese",   u"farsi",      u"finnish",  u"french",
    u"georgian",   u"german",     u"greek",      u"gujarati",   u"hebrew",   u"hindi",
    u"hungarian",  u"icelandic",  u"indonesian", u"italian",    u"japanese", u"kannada",
    u"kashmiri",   u"kazak",      u"konkani",    u"korean",     u"latvian",  u"lithuanian",
    u"macedonian", u"malay",      u"malayalam",  u"manipuri",   u"marathi",  u"nepali",
    u"norwegian",  u"oriya",      u"polish",     u"portuguese", u"punjabi",  u"romanian",
    u"russian",    u"sanskrit",   u"serbian",    u"sindhi",     u"slovak",   u"slovenian",
    u"spanish",    u"swahili",    u"swedish",    u"tamil",      u"tatar",    u"telugu",
    u"thai",       u"turkish",    u"ukrainian",  u"urdu",       u"uzbek",    u"vietnamese",
};

struct LanguageMapping {
  uint16_t primary;
  uint8_t index;
};

// Primary languages that have a language file. English (9) is absent and so maps to the
// default; every Chinese sublanguage maps to Simplified Chinese.
const LanguageMapping kLanguageMap[] = {
    {1, 2},   {2, 9},   {3, 10},  {4, 11},  {5, 14},  {6, 15},  {7, 25},  {8, 26},  {10, 60},
    {11, 22}, {12, 23}, {13, 28}, {14, 30}, {15, 31}, {16, 33}, {17, 34}, {18, 39}, {19, 16},
    {20, 48}, {21, 50}, {22, 51}, {24, 53}, {25, 54}, {26, 13}, {27, 58}, {28, 1},  {29, 62},
    {30, 66}, {31, 67}, {32, 69}, {33, 32}, {34, 68}, {35, 7},  {36, 59}, {37, 19}, {38, 40},
    {39, 41}, {41, 21}, {42, 71}, {43, 3},  {44, 5},  {45, 6},  {47, 42}, {54, 0},  {55, 24},
    {56, 20}, {57, 29}, {62, 43}, {63, 37}, {65, 61}, {67, 70}, {68, 64}, {69, 8},  {70, 52},
    {71, 27}, {72, 49}, {73, 63}, {74, 65}, {75, 35}, {76, 44}, {77, 4},  {78, 46}, {79, 55},
    {87, 38}, {88, 45}, {89, 57}, {96, 36}, {97, 47},
};

}  // namespace

uint32_t GetXmlLibVersion() { return 0x0001000C; }

int GetLanguageName(int index, char16_t* out) {
  if (index < 0 || index >= LANGUAGE_COUNT) return 0;
  const char16_t* name = kLanguageNames[index];
  int i = 0;
  for (; name[i]; ++i) out[i] = name[i];
  out[i] = 0;
  return 1;
}

int LanguageIdToIndex(uint32_t langId) {
  uint32_t primary = langId & 0x3FF;
  for (const LanguageMapping& m : kLanguageMap)
    if (m.primary == primary) return m.index;
  return LANGUAGE_ENGLISH_US;
}

int BitArrayOp(uint8_t* bits, int op, int n) {
  if (n < 0) return 0;
  uint8_t mask = static_cast<uint8_t>(1u << (n % 8));
  uint8_t& byte = bits[n / 8];
  switch (op) {
    case BITARRAY_SET:
      byte |= mask;
      return 0;
    case BITARRAY_CLEAR:
      byte &= static_cast<uint8_t>(~mask);
      return 0;
    case BITARRAY_TEST:
      return (byte & mask) ? 1 : 0;
    default:
      return 0;
  }
}
