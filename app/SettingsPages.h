// The pages of the settings dialog: their templates, dialog procedures and control ids, the
// working copy they edit and the actions the Cookies and About pages take. Windows-side
// header, private to the dialog and its tests; GUI thread only.
#pragma once

#include <windows.h>

#include "app/SettingsRecord.h"

enum : int {
  // Options
  IDC_OPT_TIMEOUT_GROUP = 1200,
  IDC_OPT_TIMEOUT_LABEL = 1201,
  IDC_OPT_TIMEOUT = 1202,
  IDC_OPT_TIMEOUT_SPIN = 1203,
  IDC_OPT_TIMEOUT_SEC = 1204,
  IDC_OPT_SLOW_LABEL = 1205,
  IDC_OPT_SLOW = 1206,
  IDC_OPT_SLOW_SPIN = 1207,
  IDC_OPT_SLOW_SEC = 1208,
  IDC_OPT_THREADS_GROUP = 1209,
  IDC_OPT_THREADS_LABEL = 1210,
  IDC_OPT_THREADS = 1211,
  IDC_OPT_THREADS_SPIN = 1212,
  IDC_OPT_PER_SERVER_LABEL = 1213,
  IDC_OPT_PER_SERVER = 1214,
  IDC_OPT_PER_SERVER_SPIN = 1215,
  IDC_OPT_CHARSET_GROUP = 1216,
  IDC_OPT_CHARSET_LABEL = 1217,
  IDC_OPT_CHARSET = 1218,
  IDC_OPT_DEFCHARSET_LABEL = 1219,
  IDC_OPT_DEFCHARSET = 1220,
  IDC_OPT_CHARSET_NOTE = 1221,
  IDC_OPT_OPTIONS_GROUP = 1222,
  IDC_OPT_AUTOSAVE = 1223,
  IDC_OPT_DISPLAY_ALL = 1224,
  IDC_OPT_TOOLTIPS = 1225,
  IDC_OPT_AGENT_GROUP = 1226,
  IDC_OPT_AGENT_LABEL = 1227,
  IDC_OPT_AGENT = 1228,
  IDC_OPT_SYSTEM_LABEL = 1229,
  IDC_OPT_SYSTEM = 1230,
  IDC_OPT_HTTPVER_LABEL = 1231,
  IDC_OPT_HTTPVER = 1232,
  IDC_OPT_FINISH_GROUP = 1233,
  IDC_OPT_FINISH_NOTE = 1234,
  IDC_OPT_FINISH_CLOSE = 1235,
  IDC_OPT_FINISH_DISCONNECT = 1236,
  IDC_OPT_FINISH_SHUTDOWN = 1237,
  // Connection: the three proxy rows are label, address, port, type from 1307, 1311, 1315.
  IDC_CON_GROUP = 1300,
  IDC_CON_PROXY_GROUP = 1301,
  IDC_CON_PROXY = 1302,
  IDC_CON_HEAD_PROTOCOL = 1303,
  IDC_CON_HTTP_LABEL = 1307,
  IDC_CON_HTTP_ADDRESS = 1308,
  IDC_CON_HTTP_PORT = 1309,
  IDC_CON_HTTP_TYPE = 1310,
  IDC_CON_HTTPS_LABEL = 1311,
  IDC_CON_FTP_LABEL = 1315,
  IDC_CON_FTP_TYPE = 1318,
  IDC_CON_SAME = 1319,
  IDC_CON_BYPASS = 1320,
  IDC_CON_AUTH_GROUP = 1321,
  IDC_CON_AUTH = 1322,
  IDC_CON_USER_LABEL = 1323,
  IDC_CON_USER = 1324,
  IDC_CON_PASSWORD_LABEL = 1325,
  IDC_CON_PASSWORD = 1326,
  // HTTP Options: six label and edit pairs from 1404.
  IDC_HTTP_CODES_GROUP = 1400,
  IDC_HTTP_CODES_LABEL = 1401,
  IDC_HTTP_CODES = 1402,
  IDC_HTTP_EXT_GROUP = 1403,
  IDC_HTTP_EXT_FIRST_LABEL = 1404,
  // Cookies
  IDC_COOKIE_FILE_GROUP = 1500,
  IDC_COOKIE_FILE = 1501,
  IDC_COOKIE_CLEAR = 1502,
  IDC_COOKIE_LIST_GROUP = 1503,
  IDC_COOKIE_TREE = 1504,
  IDC_COOKIE_COPY = 1505,
  IDC_COOKIE_DELETE = 1506,
  IDC_COOKIE_REFRESH = 1507,
  // About
  IDC_ABOUT_GROUP = 1600,
  IDC_ABOUT_TEXT = 1601,
};

constexpr int SETTINGS_PAGE_COUNT = 5;

// The record the pages read and apply into while the sheet is up; RunSettingsDialog fills
// it from g_settings and, after OK, copies the edited fields back.
extern tagSETTINGS g_settingsWork;

// A page's apply found a value out of range: the first such page of one OK (pages apply in
// page order) is remembered with its field, and the dialog's loop then brings it to the
// front, shows the message and focuses the field. Stores the page's refusal and returns
// TRUE, the page procedure's answer.
INT_PTR RefuseApply(HWND page, int focusId);

// The templates (TEMPLATEWRITERs) and procedures of the pages, in page order.
int WriteOptionsTemplate(char16_t* buffer, int size, const void* context);
int WriteConnectionTemplate(char16_t* buffer, int size, const void* context);
int WriteHttpOptionsTemplate(char16_t* buffer, int size, const void* context);
int WriteCookiesTemplate(char16_t* buffer, int size, const void* context);
int WriteAboutTemplate(char16_t* buffer, int size, const void* context);
INT_PTR CALLBACK OptionsDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ConnectionDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK HTTPOptionsDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CookiesDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The tree's context menu for its selected item (null: none): Copy, and Delete for a
// cookie, then Refresh. The caller destroys it.
HMENU BuildCookiesMenu(HWND tree);

// Writes the About text (mark-up of the formatted-text control), cut to size; returns 1.
int BuildAboutText(char16_t* out, int size);

// How the pages open an address and fill the clipboard: the program's own by default; tests put
// recorders here.
struct SettingsDialogActions {
  void (*openLink)(HWND owner, const char16_t* address, int show, const char16_t* prefix);
  void (*copyText)(HWND owner, const char16_t* text);
};
extern SettingsDialogActions g_settingsDialogActions;

// Helpers the page procedures share.
void SetCheck(HWND page, int id, int on);
int IsCheckedBox(HWND page, int id);
// A page's answer to an apply that stores its values.
INT_PTR AcceptApply(HWND page);
// Answers the sheet's apply (through `apply`; null: nothing to store) and help (`topic`)
// notifications: the page procedure's result, FALSE for any other WM_NOTIFY.
INT_PTR SheetNotice(HWND page, LPARAM lParam, INT_PTR (*apply)(HWND), const char16_t* topic);
// Opens a help topic of the program's help file over the frame.
void ShowPageHelp(const char16_t* topic);
