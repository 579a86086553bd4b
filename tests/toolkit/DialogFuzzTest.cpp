// Real dialog templates, mutated and mixed with hostile pieces, through parse, measure,
// layout and free. Run longer with TL_FUZZ_SECONDS=n.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>
#include <string>

#include "tests/toolkit/SampleTemplates.h"
#include "toolkit/DialogTemplate.h"
#include "toolkit/TableLayout.h"

namespace {

const char16_t* const kPieces[] = {
    u"<",
    u">",
    u"/>",
    u"<!--",
    u"-->",
    u"\"",
    u"'",
    u"=",
    u"\\",
    u"&#",
    u"&#x110000;",
    u"&#xD800;",
    u"&#0;",
    u"&#99999999999999999999;",
    u"<dialog>",
    u"</dialog>",
    u"<panel>",
    u"</panel>",
    u"<group title=g id=-2147483648>",
    u"</group>",
    u"<tr>",
    u"</tr>",
    u"<td>",
    u"</td>",
    u"<control type=button title=x />",
    u"<td colspan=4000000000 rowspan=300>",
    u"<td storerect=4000000000 minwidth=2147483647 leftmargin=-2147483648>",
    u"<control relwidth=1e308 relheight=-1e-320 addwidth=-2147483648 />",
    u"123456789012345678901234567890",
    u"0xFFFFFFFF",
    u"\r\n\t ",
};

// A measure that depends on the title, as a real one does.
void FakeMeasure(void*, const XmlMeasureRequest& request, XmlMeasureResult* result) {
  int length = 0;
  while (request.title[length] && length < 100000) ++length;
  result->width = std::max(request.minwidth, static_cast<int32_t>(length * 6 * request.relwidth));
  result->height = std::max(request.minheight, 13);
  result->styleBits = length > 20 ? 0x2000 : 0;
}

double FuzzSeconds() {
  const char* value = std::getenv("TL_FUZZ_SECONDS");
  return value ? std::atof(value) : 1.5;
}

TEST(DialogFuzz, MutatedTemplatesParseLayOutAndFree) {
  const std::u16string seeds[] = {SitePanelTemplate(), OptionsPageTemplate(),
                                  ConnectionPageTemplate()};
  std::mt19937 random(20);
  auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(FuzzSeconds());
  int rounds = 0, laidOut = 0;
  while (std::chrono::steady_clock::now() < until || rounds < 200) {
    const std::u16string& seed = seeds[random() % 3];
    std::u16string text;
    for (int pieces = 1 + random() % 12; pieces > 0; --pieces) {
      size_t from = random() % seed.size();
      text += seed.substr(from, random() % 400);
      if (random() % 2) text += kPieces[random() % (sizeof(kPieces) / sizeof(kPieces[0]))];
      if (random() % 50 == 0) text += std::u16string(200, u'n');
    }
    if (random() % 3 == 0) text = seed.substr(0, 8) + text;
    tagXMLDIALOG* dialog = ParseXmlDialog(text.data(), static_cast<int>(text.size()));
    ASSERT_TRUE(dialog);
    MeasureXmlTable(dialog->table, 1.5, 1.375, FakeMeasure, nullptr);
    if (LayoutXmlDialog(dialog)) {
      ++laidOut;
      EXPECT_LE(dialog->layoutwidth, kMaxLayoutPixels);
    }
    DeleteXmlDialog(dialog);
    ++rounds;
  }
  EXPECT_GT(laidOut, 0);
}

}  // namespace
