// The end of every protocol's check of a link: the downloader's status taken into the link,
// its traffic counted, the reply judged (a refused redirect fails the pass), its data block
// given back. Windows-side header; worker threads.
#pragma once

#include "engine/DownloaderFields.h"
#include "engine/LinkFinder.h"

template <typename Downloader>
status_type CLinkFinder::FinishDownload(Downloader& dnld, const DownloadReply& reply,
                                        tagTreeListItemFull* item, CheckState* state) {
  TakeDownloadStatus(item, dnld);
  bytesSent += reply.sent;
  bytesReceived += reply.received;
  const status_type outcome = ProcessDownload(
      reply.result, item, state->row, state->pageIndexed, static_cast<char*>(reply.data),
      reply.length, reply.headerOffset, reply.headerSize, &state->repeat, &state->getRetry);
  dnld.FreeData(reply.data);
  return outcome;
}
