// The check of an ftp link (the name is looked for in its directory's listing) and of an
// rtsp link (one DESCRIBE, its reply header judged).
#include <new>

#include "app/SettingsRecord.h"
#include "engine/DownloadTail.h"
#include "engine/DownloaderFields.h"
#include "engine/LinkFinder.h"
#include "engine/TextHelpers.h"
#include "net/Downloader.h"

status_type CLinkFinder::DownloadFtp(tagTreeListItemFull* item, CheckState* state) {
  std::unique_ptr<CFTPDnld> dnld(new (std::nothrow) CFTPDnld(siteSettings.CheckIgnoreCase));
  if (!dnld) return NoDownloader(item, state);
  // Without credentials of its own the link is listed anonymously.
  FillServerFields(dnld.get(), *item);
  if (settings) {
    FillProxyBlock(dnld.get(), *settings, settings->FTPProxyType, settings->FTPProxyAddress,
                   settings->FTPProxyPort);
    dnld->Timeout = static_cast<int32_t>(settings->URLTimeout);
  }
  // UTF-8 as the servers list their names: the ANSI code page would ask for '?' in place
  // of every character outside it.
  Utf16ToUtf8Z(item->resource, dnld->Path, sizeof dnld->Path);
  dnld->Passive = 1;
  dnld->TimeLimit = SlowLinkLimitMs(siteSettings, settings);

  const status_type result = dnld->FTPTestExistance();
  return FinishDownload(*dnld, {result, nullptr, 0, 0, 0, dnld->SentSize, dnld->ReceivedSize}, item,
                        state);
}

// No user agent and no credentials of the link: the probe sends nothing but the DESCRIBE.
status_type CLinkFinder::DownloadRtsp(tagTreeListItemFull* item, CheckState* state) {
  std::unique_ptr<CRTSPClnt> dnld(new (std::nothrow) CRTSPClnt);
  if (!dnld) return NoDownloader(item, state);
  ToAnsi(item->server, dnld->HostName);
  dnld->Port = static_cast<int32_t>(item->port);
  if (settings) {
    FillProxyBlock(dnld.get(), *settings, settings->HTTPProxyType, settings->HTTPProxyAddress,
                   settings->HTTPProxyPort);
    dnld->Timeout = static_cast<int32_t>(settings->URLTimeout);
  }
  // UTF-8, escaped by the probe: the ANSI code page would ask for another stream.
  Utf16ToUtf8Z(item->resource, dnld->Path, sizeof dnld->Path);

  void* data = nullptr;
  unsigned long length = 0;
  const status_type result = dnld->RTSPClient(&data, &length);
  // The probe counts no traffic.
  return FinishDownload(*dnld, {result, data, length, dnld->HeaderOffset, dnld->HeaderSize}, item,
                        state);
}
