// CLinkFinder's address model: a link's record from its text, external domains and the file type by
// extension.
#include <windows.h>

#include "app/SettingsRecord.h"
#include "engine/LinkFinder.h"
#include "engine/LinkRules.h"

namespace {

// The extension lists, copied whole so that a change in the settings dialog is never
// seen half made.
struct ExtensionLists {
  char16_t text[6][256];

  explicit ExtensionLists(const tagSETTINGS* settings) {
    const char16_t* fields[6] = {};
    if (settings) {
      const char16_t* lists[6] = {settings->ExtApp,   settings->ExtAudio, settings->ExtHTML,
                                  settings->ExtImage, settings->ExtText,  settings->ExtVideo};
      for (int i = 0; i < 6; ++i) fields[i] = lists[i];
    }
    for (int i = 0; i < 6; ++i) {
      text[i][0] = 0;
      if (fields[i]) CopySettingsText(text[i], fields[i]);
    }
  }
  void Apply(tagRULECONTEXT& rules) const {
    for (int i = 0; i < 6; ++i) rules.extLists[i] = text[i];
  }
};

}  // namespace

tagRULECONTEXT CLinkFinder::RuleContext() const {
  tagRULECONTEXT rules = {};
  rules.site = &siteSettings;
  rules.siteServer = siteServer;
  rules.sitePort = sitePort;
  rules.startPath = startPath;
  rules.startDepth = startDepth;
  return rules;
}

int CLinkFinder::FillItemWithURL(WCHAR* text, const WCHAR* base, tagTreeListItemFull* item,
                                 int* explicitPort) {
  tagRULECONTEXT rules = RuleContext();
  const ExtensionLists lists(settings);
  lists.Apply(rules);
  return ::FillItemWithURL(rules, text, base, item, explicitPort);
}

int CLinkFinder::LinkDomainExternal(const WCHAR* server, uint32_t port) {
  return ::LinkDomainExternal(RuleContext(), server, port);
}

res_type CLinkFinder::LookupFileType(const WCHAR* extension) {
  tagRULECONTEXT rules = RuleContext();
  const ExtensionLists lists(settings);
  lists.Apply(rules);
  return ::LookupFileType(rules, extension);
}
