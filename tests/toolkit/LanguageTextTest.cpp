// The language-text lookups: the loaded table first, the built-in English table behind it.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "toolkit/LanguageText.h"

namespace {

// Restores a slot of strtbl when the test leaves.
struct SlotOverride {
  int slot;
  const char16_t* saved;
  SlotOverride(int s, const char16_t* text) : slot(s), saved(strtbl[s]) { strtbl[s] = text; }
  ~SlotOverride() { strtbl[slot] = saved; }
};

std::u16string Copied(int slot, int size) {
  std::vector<char16_t> out(static_cast<size_t>(size) + 2, u'#');
  out.back() = 0;
  CopyLanguageText(slot, out.data(), size);
  return out.data();
}

// First, while the English table is still unbuilt: every reader gets the same texts.
TEST(LanguageText, FirstReadersOnSeveralThreadsGetOneEnglishTable) {
  const int kSlots[] = {STR_Status_OK, STR_Curl_165, STR_Menu_FileNew, STR_Languages_Urdu};
  std::vector<std::vector<const char16_t*>> seen(8);
  std::vector<std::thread> threads;
  for (auto& texts : seen) {
    threads.emplace_back([&texts, &kSlots] {
      for (int slot : kSlots) texts.push_back(LanguageText(slot));
      texts.push_back(LanguageListText(STR_CAPTIONS, 1));
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const auto& texts : seen) EXPECT_EQ(seen[0], texts);
  EXPECT_EQ(std::u16string(u"OK"), seen[0][0]);
  EXPECT_EQ(std::u16string(u"Cancel"), seen[0][4]);
}

TEST(LanguageText, AnswersTheBuiltInTableAsTheLoaderDecodesIt) {
  const struct {
    int slot;
    const char16_t* english;
  } kCases[] = {
      {STR_Languages_Afrikaans, u"Afrikaans"},               // the first slot
      {STR_Curl_165, u"Unknown error"},                      // the last slot
      {STR_Menu_FileNew, u"&New\tCtrl-N"},                   // escapes decoded
      {STR_Status_BookmarkFound, u"Bookmark \"%s\" found"},  // marks become the item's words
      {STR_Location_AtPosition, u"At line %d column %d"},
      {STR_SiteDescr_Start, u""},  // empty in the table itself
  };
  for (const auto& c : kCases) EXPECT_EQ(std::u16string(c.english), LanguageText(c.slot)) << c.slot;
}

TEST(LanguageText, EveryItemOfTheTableHasAnEnglishText) {
  int empty = 0;
  for (int slot = 0; slot < STRTBL_SLOTS; ++slot) {
    if (slot != STR_DATENAMES && slot != STR_CAPTIONS && !*LanguageText(slot)) ++empty;
  }
  EXPECT_EQ(1, empty) << "only SiteDescr/Start is empty in english.lng";
  for (int i = 0; i < DATE_NAME_COUNT; ++i) EXPECT_NE(u'\0', *LanguageListText(STR_DATENAMES, i));
  for (int i = 0; i < CAPTION_COUNT; ++i) EXPECT_NE(u'\0', *LanguageListText(STR_CAPTIONS, i));
}

TEST(LanguageText, OutsideTheSlotsItIsEmpty) {
  for (int slot : {-1, int{STRTBL_SLOTS}, int{STR_DATENAMES}, int{STR_CAPTIONS}})
    EXPECT_EQ(std::u16string(), LanguageText(slot)) << slot;
  EXPECT_EQ(std::u16string(), LanguageListText(STR_Status_OK, 0));
  EXPECT_EQ(std::u16string(), LanguageListText(STR_DATENAMES, -1));
  EXPECT_EQ(std::u16string(), LanguageListText(STR_DATENAMES, DATE_NAME_COUNT));
  EXPECT_EQ(std::u16string(), LanguageListText(STR_CAPTIONS, CAPTION_COUNT));
}

TEST(LanguageText, ALoadedTextWinsAndAMissingOneFallsBackToEnglish) {
  const char16_t* english = LanguageText(STR_Status_OK);
  {
    SlotOverride loaded(STR_Status_OK, u"Gut");
    EXPECT_EQ(std::u16string(u"Gut"), LanguageText(STR_Status_OK));
  }
  for (const char16_t* missing : {static_cast<const char16_t*>(nullptr), g_emptyString}) {
    SlotOverride unloaded(STR_Status_OK, missing);
    EXPECT_EQ(english, LanguageText(STR_Status_OK));
  }
}

TEST(LanguageText, ListsFallBackEntryByEntry) {
  EXPECT_EQ(std::u16string(u"Sun"), LanguageListText(STR_DATENAMES, 0));
  EXPECT_EQ(std::u16string(u"December"), LanguageListText(STR_DATENAMES, DATE_NAME_COUNT - 1));
  EXPECT_EQ(std::u16string(u"&Copy"), LanguageListText(STR_CAPTIONS, CAPTION_COUNT - 1));
  const char16_t* captions[CAPTION_COUNT] = {u"Jawohl", g_emptyString};
  SlotOverride loaded(STR_CAPTIONS, reinterpret_cast<const char16_t*>(captions));
  EXPECT_EQ(std::u16string(u"Jawohl"), LanguageListText(STR_CAPTIONS, 0));
  EXPECT_EQ(std::u16string(u"Cancel"), LanguageListText(STR_CAPTIONS, 1));
  EXPECT_EQ(std::u16string(u"&Abort"), LanguageListText(STR_CAPTIONS, 2)) << "null entry";
}

TEST(LanguageText, CopiesShowOnePercentAndCutWhereTheRoomEnds) {
  SlotOverride loaded(STR_Status_OK, u"100%% ok \U0001F600");
  EXPECT_EQ(std::u16string(u"100% ok \U0001F600"), Copied(STR_Status_OK, 64));
  EXPECT_EQ(std::u16string(u"100%"), Copied(STR_Status_OK, 5));
  EXPECT_EQ(std::u16string(u"100% ok "), Copied(STR_Status_OK, 10)) << "no half surrogate pair";
  EXPECT_EQ(std::u16string(), Copied(STR_Status_OK, 1));
  EXPECT_EQ(std::u16string(u"#"), Copied(STR_Status_OK, 0)) << "no room: nothing written";
}

}  // namespace
