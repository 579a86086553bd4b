// The built-in English texts of the network clients, used while no language is loaded.
#include <curl/curl.h>

#include <mutex>

#include "app/StringSlots.h"
#include "net/NetService.h"

namespace {

struct NetEnglishText {
  int slot;
  const char16_t* text;
};

const NetEnglishText kEnglish[] = {
    {STR_Status_OK, u"OK"},
    {STR_Status_SKIPPED, u"SKIPPED"},
    {STR_Status_SlowLink, u"Slow link"},
    {STR_Status_SizeLimit, u"Skipped due to size limit"},
    {STR_Status_DisallowedNonText,
     u"Checking file content is restricted because \"Content-Type\" specifies non-text file type"},
    {STR_Status_FileNotFound, u"File not found"},
    {STR_Status_Directory, u"is a directory"},
    {STR_Status_LISTFailed, u"LIST retrieve failed"},
    {STR_Status_NetDown, u"Net down"},
    {STR_Status_SocketError, u"Socket error"},
    {STR_Status_SocketConnect, u"Socket connect error"},
    {STR_Status_ServerConnect, u"Cannot connect server"},
    {STR_Status_ServerError, u"Server error"},
    {STR_Status_ProxyConnect, u"Cannot connect proxy server"},
    {STR_Status_ProxyAuth, u"Proxy auth rejected"},
    {STR_Status_ProxyError, u"Proxy server error"},
    {STR_Status_IncompleteReply, u"Incomplete reply"},
    {STR_Curl_100, u"No error"},
    {STR_Curl_101, u"Unsupported protocol"},
    {STR_Curl_102, u"CURL init failed"},
    {STR_Curl_103, u"URL using bad/illegal format or missing URL"},
    {STR_Curl_104, u"Domain name lookup failed (may be a transient error)"},
    {STR_Curl_105, u"Socket connect error"},
    {STR_Curl_106, u"FTP: weird server reply"},
    {STR_Curl_107, u"FTP: access denied"},
    {STR_Curl_108, u"FTP: user and/or password incorrect"},
    {STR_Curl_109, u"FTP: weird PASS reply"},
    {STR_Curl_110, u"FTP: weird USER reply"},
    {STR_Curl_111, u"FTP: weird PASV reply"},
    {STR_Curl_112, u"FTP: weird 227 format"},
    {STR_Curl_113, u"FTP: can't figure out the host in the PASV response"},
    {STR_Curl_114, u"FTP: can't connect to server the response code is unknown"},
    {STR_Curl_115, u"FTP: couldn't set binary mode"},
    {STR_Curl_116, u"Transferred a partial file"},
    {STR_Curl_117, u"FTP: couldn't retrieve (RETR failed) the specified file"},
    {STR_Curl_118, u"FTP: the post-transfer acknowledge response was not OK"},
    {STR_Curl_119, u"FTP: a quote command returned error"},
    {STR_Curl_120, u"HTTP returned error"},
    {STR_Curl_121, u"Failed writing received data to disk/application"},
    {STR_Curl_122, u"FTP couldn't STOR file"},
    {STR_Curl_123, u"Failed FTP upload (the STOR command)"},
    {STR_Curl_124, u"Out of memory"},
    {STR_Curl_125, u"Timeout"},
    {STR_Curl_126, u"FTP could not set ASCII mode (TYPE A)"},
    {STR_Curl_127, u"FTP command PORT failed"},
    {STR_Curl_128, u"FTP command REST failed"},
    {STR_Curl_129, u"FTP command SIZE failed"},
    {STR_Curl_130, u"HTTP range error"},
    {STR_Curl_131, u"Internal problem setting up the POST"},
    {STR_Curl_132, u"SSL connect error"},
    {STR_Curl_133, u"Bad download resume"},
    {STR_Curl_134, u"Couldn't read file"},
    {STR_Curl_135, u"LDAP cannot bind"},
    {STR_Curl_136, u"LDAP search failed"},
    {STR_Curl_137, u"Library not found"},
    {STR_Curl_138, u"Function not found"},
    {STR_Curl_139, u"Aborted by callback"},
    {STR_Curl_140, u"Bad function argument"},
    {STR_Curl_141, u"Bad calling order"},
    {STR_Curl_142, u"Interface failed"},
    {STR_Curl_143, u"Bad password entered"},
    {STR_Curl_144, u"Too many redirects"},
    {STR_Curl_145, u"Unknown TELNET option"},
    {STR_Curl_146, u"TELNET option syntax"},
    {STR_Curl_147, u"OBSOLETE"},
    {STR_Curl_148, u"SSL peer certificate failed"},
    {STR_Curl_149, u"Got nothing"},
    {STR_Curl_150, u"SSL engine not found"},
    {STR_Curl_151, u"SSL engine failed"},
    {STR_Curl_152, u"Failed sending network data"},
    {STR_Curl_153, u"Failure in receiving network data"},
    {STR_Curl_154, u"Share is in use"},
    {STR_Curl_155, u"SSL problem with the local certificate"},
    {STR_Curl_156, u"SSL couldn't use specified cipher"},
    {STR_Curl_157, u"SSL problem with the CA cert (path?)"},
    {STR_Curl_158, u"Unrecognized transfer encoding"},
    {STR_Curl_159, u"Invalid LDAP URL"},
    {STR_Curl_160, u"Maximum file size exceeded"},
    {STR_Curl_161, u"Requested FTP SSL level failed"},
    {STR_Curl_162, u"Sending the data requires a rewind that failed"},
    {STR_Curl_163, u"SSL failed to initialize ENGINE"},
    {STR_Curl_164, u"User, password or similar was not accepted"},
    {STR_Curl_165, u"Unknown error"},
};

}  // namespace

void NetGlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void NetText(int slot, char16_t* out, int size) {
  if (size <= 0) return;
  const char16_t* text = NetLoadedText(slot);
  if (!text || !*text) {
    text = u"";
    for (const NetEnglishText& entry : kEnglish) {
      if (entry.slot == slot) text = entry.text;
    }
  }
  // Language texts keep '%' doubled for the formatter; shown plainly it is one '%'.
  int n = 0;
  for (; *text && n < size - 1; ++text) {
    if (text[0] == u'%' && text[1] == u'%') ++text;
    out[n++] = *text;
  }
  if (n > 0 && n == size - 1 && out[n - 1] >= 0xD800 && out[n - 1] < 0xDC00) --n;
  out[n] = 0;
}
