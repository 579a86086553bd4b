// Filling a downloader's fields from a link and the program's settings, for the check of
// one link. Windows-side header; any thread (settings texts are copied under their lock).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "app/SettingsRecord.h"
#include "engine/LinkRules.h"
#include "engine/Records.h"
#include "engine/TextCopy.h"

// The text in the ANSI code page, cut to the field; empty when it cannot be converted.
template <size_t N>
void ToAnsi(const char16_t* text, char (&out)[N]) {
  const int bytes =
      WideCharToMultiByte(CP_ACP, 0, text, -1, out, static_cast<int>(N), nullptr, nullptr);
  if (bytes <= 0) out[0] = 0;
  out[N - 1] = 0;
}

// The link's server and port, and its user and password when the URL names either;
// whether it did.
template <typename Downloader>
bool FillServerFields(Downloader* dnld, const tagTreeListItemFull& item) {
  ToAnsi(item.server, dnld->HostName);
  dnld->Port = static_cast<int32_t>(item.port);
  if (!item.username[0] && !item.userpass[0]) return false;
  ToAnsi(item.username, dnld->UserName);
  ToAnsi(item.userpass, dnld->Password);
  return true;
}

// The proxy of one scheme (its type, address and port) with the shared bypass and
// credentials, when proxies are on and that scheme's address is set; else the downloader
// keeps its default of none.
template <typename Downloader>
void FillProxyBlock(Downloader* dnld, const tagSETTINGS& settings, int32_t type,
                    const char16_t* addressField, uint16_t port) {
  WCHAR address[256];
  CopySettingsText(address, addressField);
  if (!settings.UseProxy || !address[0]) return;
  dnld->ProxyType = type;
  dnld->ProxyPort = port;
  ToAnsi(address, dnld->ProxyAddress);
  dnld->ProxyBypassLocal = settings.ProxyBypassLocal;
  dnld->ProxyUseAuth = settings.ProxyUseAuth;
  WCHAR text[256];
  CopySettingsText(text, settings.ProxyUserName);
  ToAnsi(text, dnld->ProxyUserName);
  CopySettingsText(text, settings.ProxyPassword);
  ToAnsi(text, dnld->ProxyPassword);
}

// The time limit of a download in milliseconds: 0 (none) unless slow links are skipped.
inline uint32_t SlowLinkLimitMs(const tagSITESETTINGS& site, const tagSETTINGS* settings) {
  return site.SkipSlowLinks && settings ? settings->SlowTimeout * 1000 : 0;
}

// What the downloader says of the link: its status line, its detail as a note, its time.
template <typename Downloader>
void TakeDownloadStatus(tagTreeListItemFull* item, const Downloader& dnld) {
  CopyField(item->statusstr, dnld.StatusText);
  AppendItemComment(item, dnld.StatusDetail);
  item->restime = static_cast<int32_t>(dnld.ElapsedTime);
}
