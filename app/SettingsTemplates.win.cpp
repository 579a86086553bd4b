// The dialog template texts of the settings pages, written from the language table.
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "app/SettingsPages.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/LanguageText.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kNumberEdit = WS_TABSTOP | ES_NUMBER;
constexpr DWORD kTextEdit = WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kSpinner =
    UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
constexpr DWORD kCheckBox = WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kDropList =
    CBS_DROPDOWNLIST | CBS_SORT | CBS_DISABLENOSCROLL | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kEditCombo =
    CBS_DROPDOWN | CBS_AUTOHSCROLL | CBS_DISABLENOSCROLL | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kPlainList =
    CBS_DROPDOWNLIST | CBS_AUTOHSCROLL | CBS_DISABLENOSCROLL | WS_VSCROLL | WS_TABSTOP;
constexpr int kListHeight = 60;  // dialog units a drop-down list adds below its field

struct Margins {
  uint32_t left, top, right, bottom;
};
constexpr Margins kM2 = {2, 2, 2, 2};
constexpr Margins kM4 = {4, 4, 4, 4};
constexpr Margins kGrid = {4, 2, 4, 2};

// One cell: its box and the one control it holds (type null: an empty cell).
struct CellSpec {
  uint32_t colspan = 0;
  uint32_t minwidth = 0, minheight = 0;
  Margins margins = kM2;
  const char16_t* align = u"left";
  const char16_t* valign = u"center";
  const char16_t* type = nullptr;
  const char16_t* title = nullptr;
  DWORD style = 0;  // besides WS_CHILD | WS_VISIBLE
  DWORD exstyle = 0;
  int id = 0;
  int forcewidth = 0;
  int addheight = 0;
};

CellSpec Label(int id, int slot, Margins m = kM2, uint32_t colspan = 0) {
  CellSpec c;
  c.colspan = colspan;
  c.margins = m;
  c.type = u"STATIC";
  c.title = LanguageText(slot);
  c.id = id;
  return c;
}

CellSpec Control(int id, const char16_t* type, DWORD style, DWORD exstyle, uint32_t minwidth,
                 uint32_t minheight, Margins m = kM2) {
  CellSpec c;
  c.minwidth = minwidth;
  c.minheight = minheight;
  c.margins = m;
  c.type = type;
  c.style = style;
  c.exstyle = exstyle;
  c.id = id;
  return c;
}

CellSpec Check(int id, int slot, Margins m = kM2, uint32_t colspan = 0, DWORD extra = 0) {
  CellSpec c = Control(id, u"BUTTON", kCheckBox | extra, 0, 0, 0, m);
  c.colspan = colspan;
  c.title = LanguageText(slot);
  return c;
}

CellSpec DropDown(int id, DWORD style, uint32_t minwidth, Margins m = kM2) {
  CellSpec c = Control(id, u"COMBOBOX", style, 0, minwidth, 12, m);
  c.forcewidth = 1;
  c.addheight = kListHeight;
  return c;
}

// Appends template text through the writers of the entry table; every writer keeps within
// the room left, so a short buffer gives a cut text that WriteTemplateText grows.
class PageWriter {
 public:
  PageWriter(char16_t* buffer, int size, int captionSlot) : buffer_(buffer), size_(size) {
    length_ +=
        finderstruct.XmlDialogBegin(At(), Room(), LanguageText(captionSlot), u"MS Sans Serif, 10",
                                    WS_CHILD | WS_VISIBLE | DS_SETFONT, 0, 0, 0, 0, 0, 0, 0, 0);
    rowOpen_.push_back(false);
  }

  void Row() {
    EndRow();
    length_ += finderstruct.XmlRowBegin(At(), Room());
    rowOpen_.back() = true;
  }
  void Cell(const CellSpec& c) {
    OpenCell(c.colspan, c.minwidth, c.minheight, c.margins, c.align, c.valign);
    if (c.type)
      length_ += finderstruct.XmlControl(At(), Room(), c.type, c.title, kChild | c.style, c.exstyle,
                                         c.id, 0, c.forcewidth, 0, 0, c.addheight, 1.0, 1.0);
    length_ += finderstruct.XmlCellEnd(At(), Room());
  }
  void Line(const CellSpec& c) {
    Row();
    Cell(c);
  }
  // A cell holding a group (title null: none); closed by EndGroup.
  void Group(const char16_t* title, int id, Margins m, uint32_t colspan = 0, uint32_t minwidth = 0,
             uint32_t minheight = 0) {
    OpenCell(colspan, minwidth, minheight, m, u"left", u"top");
    length_ += finderstruct.XmlGroupBegin(At(), Room(), title, id);
    rowOpen_.push_back(false);
  }
  void EndGroup() {
    EndRow();
    rowOpen_.pop_back();
    length_ += finderstruct.XmlGroupEnd(At(), Room());
    length_ += finderstruct.XmlCellEnd(At(), Room());
  }
  int Done() {
    EndRow();
    length_ += finderstruct.XmlDialogEnd(At(), Room());
    return length_;
  }

 private:
  char16_t* At() { return buffer_ + length_; }
  int Room() const { return size_ - length_; }
  void OpenCell(uint32_t colspan, uint32_t minwidth, uint32_t minheight, Margins m,
                const char16_t* align, const char16_t* valign) {
    length_ += finderstruct.XmlCellBegin(At(), Room(), colspan, 0, minwidth, minheight, m.left,
                                         m.top, m.right, m.bottom, align, valign, 0);
  }
  void EndRow() {
    if (rowOpen_.back()) length_ += finderstruct.XmlRowEnd(At(), Room());
    rowOpen_.back() = false;
  }

  char16_t* buffer_;
  int size_;
  int length_ = 0;
  std::vector<bool> rowOpen_;  // per open table: whether a row is open in it
};

// Label, number edit and spinner in one row.
void NumberRow(PageWriter& w, int labelId, int labelSlot) {
  w.Row();
  w.Cell(Label(labelId, labelSlot));
  w.Cell(Control(labelId + 1, u"EDIT", kNumberEdit, WS_EX_CLIENTEDGE, 40, 12, {2, 2, 0, 2}));
  w.Cell(Control(labelId + 2, u"msctls_updown32", kSpinner, 0, 0, 0, {0, 2, 2, 2}));
}

}  // namespace

int WriteOptionsTemplate(char16_t* buffer, int size, const void*) {
  PageWriter w(buffer, size, STR_OptionsDlg_Caption);
  w.Row();
  w.Group(LanguageText(STR_OptionsDlg_TimeoutGrp), IDC_OPT_TIMEOUT_GROUP, kM2);
  NumberRow(w, IDC_OPT_TIMEOUT_LABEL, STR_OptionsDlg_Timeout);
  w.Cell(Label(IDC_OPT_TIMEOUT_SEC, STR_OptionsDlg_TimeoutSec));
  w.Line(Label(IDC_OPT_SLOW_LABEL, STR_OptionsDlg_SlowLink, kM2, 3));
  w.Row();
  w.Cell(Control(IDC_OPT_SLOW, u"EDIT", kNumberEdit, WS_EX_CLIENTEDGE, 40, 12, {2, 2, 0, 2}));
  w.Cell(Control(IDC_OPT_SLOW_SPIN, u"msctls_updown32", kSpinner, 0, 0, 0, {0, 2, 2, 2}));
  w.Cell(Label(IDC_OPT_SLOW_SEC, STR_OptionsDlg_SecOpen, kM2, 2));
  w.EndGroup();
  w.Group(LanguageText(STR_OptionsDlg_ThreadsGrp), IDC_OPT_THREADS_GROUP, kM2);
  NumberRow(w, IDC_OPT_THREADS_LABEL, STR_OptionsDlg_ThreadsNumber);
  NumberRow(w, IDC_OPT_PER_SERVER_LABEL, STR_OptionsDlg_ThreadsPerSrv);
  w.EndGroup();
  w.Group(LanguageText(STR_OptionsDlg_CharsetGrp), IDC_OPT_CHARSET_GROUP, kM2);
  w.Row();
  w.Cell(Label(IDC_OPT_CHARSET_LABEL, STR_OptionsDlg_Charset));
  w.Cell(DropDown(IDC_OPT_CHARSET, kDropList, 80));
  w.Row();
  w.Cell(Label(IDC_OPT_DEFCHARSET_LABEL, STR_OptionsDlg_CharsetDef));
  w.Cell(DropDown(IDC_OPT_DEFCHARSET, kDropList, 80));
  w.Line(Label(IDC_OPT_CHARSET_NOTE, STR_OptionsDlg_CharsetNote, kM2, 2));
  w.EndGroup();

  w.Row();
  w.Group(u"Options", IDC_OPT_OPTIONS_GROUP, kM2, 3);
  w.Row();
  w.Cell(Check(IDC_OPT_AUTOSAVE, STR_OptionsDlg_AutoSave, {10, 2, 2, 2}));
  w.Cell(Check(IDC_OPT_DISPLAY_ALL, STR_OptionsDlg_DisplayAll, {10, 2, 2, 2}));
  w.Cell(Check(IDC_OPT_TOOLTIPS, STR_OptionsDlg_ToolTips, {10, 2, 2, 2}));
  w.EndGroup();

  w.Row();
  w.Group(LanguageText(STR_OptionsDlg_AgentGrp), IDC_OPT_AGENT_GROUP, kM2, 3);
  w.Row();
  w.Cell(Label(IDC_OPT_AGENT_LABEL, STR_OptionsDlg_AgentType));
  w.Cell(Label(IDC_OPT_SYSTEM_LABEL, STR_OptionsDlg_System));
  w.Cell(Label(IDC_OPT_HTTPVER_LABEL, STR_OptionsDlg_HTTPVer));
  w.Row();
  w.Cell(DropDown(IDC_OPT_AGENT, kEditCombo, 80));
  w.Cell(DropDown(IDC_OPT_SYSTEM, kEditCombo, 80));
  w.Cell(DropDown(IDC_OPT_HTTPVER, kPlainList, 0));
  w.EndGroup();

  w.Row();
  w.Group(LanguageText(STR_OptionsDlg_FinishGrp), IDC_OPT_FINISH_GROUP, kM2, 3);
  w.Line(Label(IDC_OPT_FINISH_NOTE, STR_OptionsDlg_FinishNote, kM2, 3));
  w.Row();
  w.Cell(Check(IDC_OPT_FINISH_CLOSE, STR_OptionsDlg_FinishClose, {10, 2, 2, 2}));
  w.Cell(Check(IDC_OPT_FINISH_DISCONNECT, STR_OptionsDlg_FinishDisconnect));
  w.Cell(Check(IDC_OPT_FINISH_SHUTDOWN, STR_OptionsDlg_FinishShutdown));
  w.EndGroup();
  return w.Done();
}

int WriteConnectionTemplate(char16_t* buffer, int size, const void*) {
  PageWriter w(buffer, size, STR_ConnectionDlg_Caption);
  w.Row();
  w.Group(LanguageText(STR_ConnectionDlg_Title), IDC_CON_GROUP, kM4);
  w.Row();
  w.Group(LanguageText(STR_ConnectionDlg_ProxyGrp), IDC_CON_PROXY_GROUP, kM4);
  w.Line(Check(IDC_CON_PROXY, STR_ConnectionDlg_Proxy, kM4, 5));
  w.Row();
  const int heads[] = {STR_ConnectionDlg_ProxyProtocol, STR_ConnectionDlg_ProxyAddress,
                       STR_ConnectionDlg_ProxyPort, STR_ConnectionDlg_ProxyType};
  for (int i = 0; i < 4; ++i) {
    CellSpec head = Label(IDC_CON_HEAD_PROTOCOL + i, heads[i], kGrid);
    head.align = u"center";
    w.Cell(head);
  }
  const char16_t* protocols[] = {u"&HTTP:", u"HTTP&S:", u"&FTP:"};
  for (int row = 0; row < 3; ++row) {
    const int id = IDC_CON_HTTP_LABEL + 4 * row;
    w.Row();
    CellSpec label = Control(id, u"STATIC", 0, 0, 0, 0, kGrid);
    label.title = protocols[row];
    w.Cell(label);
    w.Cell(Control(id + 1, u"EDIT", kTextEdit, WS_EX_CLIENTEDGE, 120, 12, kGrid));
    w.Cell(Control(id + 2, u"EDIT", kNumberEdit | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 40, 12, kGrid));
    w.Cell(DropDown(id + 3, kPlainList, 60, kGrid));
  }
  w.Line(Check(IDC_CON_SAME, STR_ConnectionDlg_ProxySame, kM4, 4, WS_GROUP));
  w.Line(Check(IDC_CON_BYPASS, STR_ConnectionDlg_ProxyBypass, kM4, 4));
  w.EndGroup();
  w.Row();
  w.Group(LanguageText(STR_ConnectionDlg_AuthGrp), IDC_CON_AUTH_GROUP, kM4);
  w.Line(Check(IDC_CON_AUTH, STR_ConnectionDlg_Auth, kM4, 2));
  const int auth[] = {STR_ConnectionDlg_AuthUserName, STR_ConnectionDlg_AuthPassword};
  for (int i = 0; i < 2; ++i) {
    w.Row();
    CellSpec label = Label(IDC_CON_USER_LABEL + 2 * i, auth[i], kM4);
    label.align = u"right";
    label.style = SS_RIGHT | (i == 0 ? WS_GROUP : 0);
    w.Cell(label);
    w.Cell(Control(IDC_CON_USER + 2 * i, u"EDIT", kTextEdit | (i ? ES_PASSWORD : 0),
                   WS_EX_CLIENTEDGE, 60, 12, kM4));
  }
  w.EndGroup();
  w.EndGroup();
  return w.Done();
}

int WriteHttpOptionsTemplate(char16_t* buffer, int size, const void*) {
  PageWriter w(buffer, size, STR_HTTPOptionsDlg_Caption);
  w.Row();
  w.Group(LanguageText(STR_HTTPOptionsDlg_HTTPCodes), IDC_HTTP_CODES_GROUP, kM4);
  w.Row();
  w.Cell(Label(IDC_HTTP_CODES_LABEL, STR_HTTPOptionsDlg_Success, kM4));
  w.Cell(Control(IDC_HTTP_CODES, u"EDIT", kTextEdit, WS_EX_CLIENTEDGE, 260, 12, kM4));
  w.EndGroup();
  w.Row();
  w.Group(LanguageText(STR_HTTPOptionsDlg_FileExt), IDC_HTTP_EXT_GROUP, kM4);
  const int labels[] = {STR_HTTPOptionsDlg_Application, STR_HTTPOptionsDlg_Audio,
                        STR_HTTPOptionsDlg_HTML,        STR_HTTPOptionsDlg_Image,
                        STR_HTTPOptionsDlg_Text,        STR_HTTPOptionsDlg_Video};
  for (int i = 0; i < 6; ++i) {
    const int id = IDC_HTTP_EXT_FIRST_LABEL + 2 * i;
    w.Row();
    w.Cell(Label(id, labels[i], kM4));
    w.Cell(Control(id + 1, u"EDIT", kTextEdit, WS_EX_CLIENTEDGE, 280, 12, kM4));
  }
  w.EndGroup();
  return w.Done();
}

int WriteCookiesTemplate(char16_t* buffer, int size, const void*) {
  PageWriter w(buffer, size, STR_CookiesDlg_Caption);
  w.Row();
  w.Group(LanguageText(STR_CookiesDlg_File), IDC_COOKIE_FILE_GROUP, kM4);
  w.Row();
  CellSpec file = Control(IDC_COOKIE_FILE, u"EDIT",
                          WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_READONLY,
                          WS_EX_CLIENTEDGE, 250, 24, kM4);
  file.align = u"center";
  w.Cell(file);
  CellSpec clear = Control(IDC_COOKIE_CLEAR, u"BUTTON", WS_TABSTOP, 0, 0, 0, kM4);
  clear.title = LanguageText(STR_CookiesDlg_Clear);
  w.Cell(clear);
  w.EndGroup();
  w.Row();
  w.Group(LanguageText(STR_CookiesDlg_List), IDC_COOKIE_LIST_GROUP, kM4);
  w.Line(Control(IDC_COOKIE_TREE, u"SysTreeView32",
                 WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, WS_EX_CLIENTEDGE,
                 320, 80, kM4));
  w.EndGroup();
  return w.Done();
}

int WriteAboutTemplate(char16_t* buffer, int size, const void*) {
  PageWriter w(buffer, size, STR_AboutDlg_Caption);
  w.Row();
  w.Group(nullptr, IDC_ABOUT_GROUP, kM4);
  w.Row();
  CellSpec room;
  room.minwidth = 320;
  room.minheight = 160;
  room.margins = kM4;
  w.Cell(room);
  w.EndGroup();
  return w.Done();
}
