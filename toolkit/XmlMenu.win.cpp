// Builds menus from XML menu text.
#include <windows.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "toolkit/FinderStruct.h"
#include "toolkit/Markup.h"

namespace {

constexpr int kMaxElementName = 49;

struct OpenElement {
  std::u16string name;
  HMENU menu;
};

struct MenuAttributes {
  std::u16string title;
  UINT flags = 0;
  UINT_PTR id = 0;
};

struct FlagWord {
  const char16_t* word;
  UINT flag;
};

const FlagWord kFlagWords[] = {
    {u"checked", MF_CHECKED},     {u"disabled", MF_DISABLED},         {u"enabled", 0},
    {u"grayed", MF_GRAYED},       {u"menubarbreak", MF_MENUBARBREAK}, {u"menubreak", MF_MENUBREAK},
    {u"ownerdraw", MF_OWNERDRAW}, {u"separator", MF_SEPARATOR},       {u"unchecked", 0},
};

UINT ParseFlags(const MarkupSpan& value) {
  UINT flags = 0;
  ForEachMarkupWord(value, [&flags](const MarkupSpan& word) {
    for (const FlagWord& f : kFlagWords) {
      int length = 0;
      while (f.word[length]) ++length;
      if (word.length >= length && AsciiEqualNoCase(word.text, length, f.word, length)) {
        flags |= f.flag;
        break;
      }
    }
    return true;
  });
  return flags;
}

MenuAttributes ReadAttributes(const MarkupSpan& element) {
  MenuAttributes attributes;
  MarkupSpan name, value;
  int pos = 0;
  while (NextMarkupAttribute(element, &pos, &name, &value)) {
    if (MarkupEquals(name, u"title"))
      attributes.title = UnescapeMarkupText(value);
    else if (MarkupEquals(name, u"flags"))
      attributes.flags = ParseFlags(value);
    else if (MarkupEquals(name, u"id"))
      attributes.id = static_cast<UINT>(ParseMarkupNumber(value));
  }
  return attributes;
}

HMENU ParentMenu(const std::vector<OpenElement>& stack, HMENU root) {
  return stack.empty() ? root : stack.back().menu;
}

void BuildMenu(HMENU root, const char16_t* text, int length, int* mismatch) {
  std::vector<OpenElement> stack;
  int depth = 0;
  int pos = 0;
  MarkupSpan element;
  while (NextMarkupElement(text, length, &pos, &element)) {
    MarkupSpan name = MarkupElementName(element);
    bool closing = name.length > 0 && name.text[0] == u'/';
    MarkupSpan bare = closing ? MarkupSpan{name.text + 1, name.length - 1} : name;
    bool isMenu = MarkupEquals(bare, u"menu");
    if (!isMenu && !MarkupEquals(bare, u"item")) continue;
    std::u16string shortName(bare.text, bare.text + std::min(bare.length, kMaxElementName));

    if (closing) {
      if (!stack.empty() &&
          AsciiEqualNoCase(stack.back().name.data(), static_cast<int>(stack.back().name.size()),
                           shortName.data(), static_cast<int>(shortName.size())))
        stack.pop_back();
      else
        *mismatch = 1;
      if (isMenu) {
        // A stray "</menu>" before any "<menu>" must not take the depth below 0, or the
        // end of the outermost menu would never be seen.
        if (depth == 0) {
          *mismatch = 1;
          continue;
        }
        if (--depth == 0) return;
      }
      continue;
    }

    HMENU parent = ParentMenu(stack, root);
    bool pushed = !IsMarkupSelfClosing(element);
    if (pushed) stack.push_back(OpenElement{shortName, parent});
    if (isMenu && pushed) ++depth;
    MenuAttributes attributes = ReadAttributes(element);
    if (isMenu) {
      if (depth > 1) {
        HMENU popup = CreatePopupMenu();
        if (!popup) continue;
        AppendMenuW(parent, attributes.flags | MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                    attributes.title.c_str());
        if (pushed) stack.back().menu = popup;
      }
    } else {
      // An owner-drawn item's last argument is item data, not text; the program draws no
      // menus itself, so it gets none.
      const WCHAR* title = (attributes.flags & MF_OWNERDRAW) ? nullptr : attributes.title.c_str();
      AppendMenuW(parent, attributes.flags, attributes.id, title);
    }
  }
}

}  // namespace

HMENU CreateXmlMenu(const char16_t* text, int length, int* mismatch) {
  int mismatchFlag = 0;
  HMENU root = CreateMenu();
  if (root && text && length > 0) {
    try {
      BuildMenu(root, text, length, &mismatchFlag);
    } catch (const std::bad_alloc&) {
      // The menu built so far is returned.
    }
  }
  if (mismatch) *mismatch = mismatchFlag;
  SetLastError(0);
  return root;
}
