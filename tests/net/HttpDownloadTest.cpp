// CHTTPDnld and CSSLDnld against the scripted peer, tinyproxy and microsocks on 127.0.0.1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "net/Downloader.h"
#include "net/NetService.h"
#include "tests/net/NetTestText.h"
#include "tests/peers/Peers.h"

namespace {

const char kRoutes[] = R"({
  "/404": {"send": "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"},
  "/301": {"send": "HTTP/1.1 301 Moved Permanently\r\nLocation: /\r\nContent-Length: 0\r\n\r\n"},
  "/302": {"send": "HTTP/1.1 302 Found\r\nLocation: /\r\nContent-Length: 0\r\n\r\n"},
  "/206": {"send": "HTTP/1.1 206 Partial Content\r\nContent-Length: 0\r\n\r\n"},
  "/http09": {"send": "<html><body>Error</body></html>\n"},
  "/continue": {"send": "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"},
  "/png": {"send": "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nLocation: /next\r\nContent-Length: 1000\r\n\r\n", "drip": {"data": "pppppppppp", "count": 100, "interval": 0}},
  "/blank-type": {"send": "HTTP/1.1 200 OK\r\nContent-Type:   \r\nContent-Length: 2\r\n\r\nok"},
  "/tex": {"send": "HTTP/1.1 200 OK\r\nContent-Type: tex\r\nContent-Length: 2\r\n\r\nok"},
  "/chunked": {"send": "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n\r\n", "drip": {"data": "CHUNK", "count": 10, "interval": 0.02}},
  "/length5000": {"send": "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5000\r\n\r\n", "drip": {"data": "b", "count": 50, "interval": 0.05}},
  "/drip": {"send": "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n", "drip": {"data": "d", "count": 100, "interval": 0.2}},
  "/endless": {"send": "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n", "endless": 65536},
  "/body100": {"send": "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\nBODY"},
  "/length100": {"send": "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 100\r\n\r\nBODY"},
  "/continue100": {"send": "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\nBODY"},
  "/close": {"close": true},
  "/cut-status": {"send": "HTTP/1.1 200 OK\r\n"},
  "/cut-header": {"send": "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Len"},
  "/bare-lf": {"send": "HTTP/1.1 200 OK\nContent-Length: 2\n\nok"}
})";

// Ten chunks of 200 bytes, each sent on its own.
std::string Routes() {
  std::string routes = kRoutes;
  routes.replace(routes.find("CHUNK"), 5, "c8\\r\\n" + std::string(200, 'a') + "\\r\\n");
  for (size_t at; (at = routes.find("BODY")) != std::string::npos;) {
    routes.replace(at, 4, std::string(100, 'b'));
  }
  return routes;
}

// The engine's form of the callback: the code must be one of the listed numbers.
int InList(int status, void* user) {
  const std::string list = std::string(" ") + static_cast<const char*>(user) + " ";
  return list.find(" " + std::to_string(status) + " ") != std::string::npos;
}

struct Reply {
  status_type result;
  std::string text;
  std::string detail;
  std::string data;
};

class HttpDownload : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    NetGlobalInit();
    folder_ = MakeTempFolder();
    WriteWholeFile(folder_ + "/routes.json", Routes());
    const std::string python = "/usr/bin/python3";
    ASSERT_TRUE(StartPortPeer(
        {python, PeerFile("HttpPeer.py"), folder_ + "/routes.json", folder_ + "/http.log"}, http_));
    ASSERT_TRUE(StartPortPeer(
        {python, PeerFile("HttpPeer.py"), folder_ + "/routes.json", folder_ + "/https.log", "--tls",
         PeerFile("localhost.crt"), PeerFile("localhost.key")},
        https_));
    ASSERT_TRUE(StartTinyproxy(folder_, "pu", "pw", proxy_));
    ASSERT_TRUE(StartMicrosocks(nullptr, nullptr, socks_));
    ASSERT_TRUE(StartMicrosocks("su", "sw", socksAuth_));
  }

  static void TearDownTestSuite() {
    for (PeerProcess* peer : {&http_, &https_, &proxy_, &socks_, &socksAuth_}) StopPeer(*peer);
    std::filesystem::remove_all(folder_);
  }

  static std::string HttpLog() { return ReadWholeFile(folder_ + "/http.log"); }

  void SetUp() override {
    Put(http.HostName, "127.0.0.1");
    http.Port = http_.port;
    http.Http11 = 1;
    Put(https.HostName, "127.0.0.1");
    https.Port = https_.port;
    https.ProxyType = 0;
  }

  Reply Get(const char* path) { return Fetch(http, &CHTTPDnld::HTTPDownload, path); }
  Reply GetSsl(const char* path) { return Fetch(https, &CSSLDnld::SSLDownload, path); }

  template <class T>
  static Reply Fetch(T& d, status_type (T::*download)(void**, unsigned long*), const char* path) {
    Put(d.Path, path);
    void* data = nullptr;
    unsigned long length = 0;
    Reply reply;
    reply.result = (d.*download)(&data, &length);
    reply.text = Narrow(d.StatusText);
    reply.detail = Narrow(d.StatusDetail);
    if (data) {
      EXPECT_EQ(length, d.DataSize);
      EXPECT_EQ(0, static_cast<char*>(data)[length]) << "the block ends in a NUL";
      reply.data.assign(static_cast<char*>(data), length);
    }
    EXPECT_LE(d.HeaderSize, d.DataSize);
    EXPECT_LE(d.HeaderOffset, d.DataSize);
    EXPECT_LT(d.ElapsedTime, 60000u) << "elapsed milliseconds, not a tick";
    d.FreeData(data);
    return reply;
  }

  static std::string folder_;
  static PeerProcess http_, https_, proxy_, socks_, socksAuth_;
  CHTTPDnld http;
  CSSLDnld https;
};

std::string HttpDownload::folder_;
PeerProcess HttpDownload::http_, HttpDownload::https_, HttpDownload::proxy_, HttpDownload::socks_,
    HttpDownload::socksAuth_;

TEST_F(HttpDownload, StatusLineAndAcceptedCodesDecide) {
  const struct {
    const char* path;
    const char* list;
    int headOnly;
    status_type result;
    const char* text;
  } cases[] = {
      {"/404", nullptr, 0, ST_FAILURE, "404 Not Found"},
      {"/", nullptr, 0, ST_SUCCESS, "200 OK"},
      {"/301", "200 301", 0, ST_SUCCESS, "301 Moved Permanently"},
      {"/302", "200 301", 0, ST_FAILURE, "302 Found"},
      {"/206", "200", 1, ST_SUCCESS, "206 Partial Content"},
      {"/206", "200", 0, ST_FAILURE, "206 Partial Content"},
      {"/http09", nullptr, 0, ST_FAILURE, "Error"},
      {"/close", nullptr, 0, ST_TRANSIENT, "Got nothing"},
  };
  for (const auto& c : cases) {
    http.StatusCallback = c.list ? InList : nullptr;
    http.StatusUser = const_cast<char*>(c.list);
    http.HeadOnly = c.headOnly;
    const Reply reply = Get(c.path);
    EXPECT_EQ(c.result, reply.result) << c.path;
    EXPECT_EQ(c.text, reply.text) << c.path;
  }
}

// A connection closed inside the header is no reply, whatever its status line says; a
// header ended by bare line feeds is whole.
TEST_F(HttpDownload, HeaderCutBeforeItsBlankLineIsAnIncompleteReply) {
  const struct {
    const char* path;
    int headOnly;
    status_type result;
    const char* text;
  } cases[] = {
      {"/cut-status", 0, ST_FAILURE, "Incomplete reply"},
      {"/cut-status", 1, ST_FAILURE, "Incomplete reply"},
      {"/cut-header", 0, ST_FAILURE, "Incomplete reply"},
      {"/bare-lf", 0, ST_SUCCESS, "200 OK"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    http.HeadOnly = https.HeadOnly = c.headOnly;
    for (const Reply& reply : {Get(c.path), GetSsl(c.path)}) {
      EXPECT_EQ(c.result, reply.result);
      EXPECT_EQ(c.text, reply.text);
    }
  }
}

TEST_F(HttpDownload, InterimReplyLeavesTheLastBlockToJudge) {
  const Reply reply = Get("/continue");
  EXPECT_EQ(ST_SUCCESS, reply.result);
  EXPECT_EQ("200 OK", reply.text);
  EXPECT_EQ(reply.data.find("HTTP/1.1 200"), http.HeaderOffset);
  EXPECT_EQ("ok", reply.data.substr(http.HeaderSize));
}

TEST_F(HttpDownload, NonTextStopsAfterTheWholeHeaderOnlyOverHttp) {
  Reply reply = Get("/png");
  EXPECT_EQ(ST_NOTTEXT, reply.result);
  EXPECT_EQ("200 OK", reply.text);
  EXPECT_EQ(
      "Checking file content is restricted because \"Content-Type\" specifies non-text "
      "file type",
      reply.detail);
  EXPECT_NE(std::string::npos, reply.data.find("Location: /next\r\n"));
  EXPECT_EQ(reply.data.size() - 4, reply.data.find("\r\n\r\n")) << "header only";
  EXPECT_EQ(reply.data.size(), http.HeaderSize);

  for (const char* path : {"/blank-type", "/tex"}) EXPECT_EQ(ST_NOTTEXT, Get(path).result);
  http.HeadOnly = 1;
  EXPECT_EQ(ST_SUCCESS, Get("/png").result);

  reply = GetSsl("/png");
  EXPECT_EQ(ST_SUCCESS, reply.result);
  EXPECT_EQ("", reply.detail);
  EXPECT_EQ(std::string(1000, 'p'), reply.data.substr(reply.data.size() - 1000));
}

TEST_F(HttpDownload, PathIsSentEscapedAndKeptWhenItFits) {
  EXPECT_EQ(ST_SUCCESS, Get("/a b/\xC3\xA9\x7F").result);
  EXPECT_EQ(0u, HttpLog().find("GET /a%20b/%C3%A9%7F HTTP/1.1\r\n"));
  EXPECT_STREQ("/a%20b/%C3%A9%7F", http.Path);

  const std::string spaces = "/" + std::string(1000, ' ');
  EXPECT_EQ(ST_SUCCESS, Get(spaces.c_str()).result);
  EXPECT_EQ(spaces, http.Path) << "3,001 escaped bytes do not fit: the text stays whole";
  std::string sent;
  for (int i = 0; i < 1000; ++i) sent += "%20";
  EXPECT_EQ(0u, HttpLog().find("GET /" + sent + " HTTP/1.1\r\n"));
}

TEST_F(HttpDownload, RequestCarriesVersionAgentCookieAndCredentials) {
  http.Http11 = 0;
  Put(http.UserAgent, "tl-agent/1.0");
  char cookie[] = "a=1; b=2; ";
  http.Cookie = cookie;
  http.AuthType = 1;
  Put(http.UserName, "us:er");
  Put(http.Password, "pw");
  EXPECT_EQ(ST_SUCCESS, Get("/").result);
  std::string log = HttpLog();
  EXPECT_EQ(0u, log.find("GET / HTTP/1.0\r\n"));
  EXPECT_NE(std::string::npos, log.find("\r\nUser-Agent: tl-agent/1.0\r\n"));
  EXPECT_NE(std::string::npos, log.find("\r\nCookie: a=1; b=2; \r\n")) << log;
  EXPECT_NE(std::string::npos, log.find("\r\nAuthorization: Basic dXM6ZXI6cHc=\r\n"));

  cookie[0] = 0;
  http.AuthType = 0;
  http.UserName[0] = http.Password[0] = 0;
  EXPECT_EQ(ST_SUCCESS, Get("/").result);
  log = HttpLog();
  EXPECT_EQ(std::string::npos, log.find("Cookie"));
  EXPECT_EQ(std::string::npos, log.find("Authorization"));
}

TEST_F(HttpDownload, HttpAndHttpsThroughTheProxies) {
  http.ProxyType = https.ProxyType = 1;
  Put(http.ProxyAddress, "127.0.0.1");
  Put(https.ProxyAddress, "127.0.0.1");
  http.ProxyPort = https.ProxyPort = proxy_.port;
  Reply reply = Get("/");
  EXPECT_EQ(ST_FAILURE, reply.result);
  EXPECT_EQ("407 Proxy Authentication Required", reply.text);

  https.ProxyUseAuth = 1;
  Put(https.ProxyUserName, "pu");
  Put(https.ProxyPassword, "pw");
  reply = GetSsl("/continue");
  EXPECT_EQ(ST_SUCCESS, reply.result);
  EXPECT_EQ("200 OK", reply.text);
  EXPECT_GT(https.HeaderOffset, 0u) << "the tunnel's reply comes first";
  EXPECT_EQ(0u, reply.data.find("HTTP/1."));
  EXPECT_EQ(reply.data.rfind("HTTP/1.1 200 OK"), https.HeaderOffset);

  http.ProxyType = 2;
  http.ProxyPort = socks_.port;
  EXPECT_EQ(ST_SUCCESS, Get("/").result);
  http.ProxyPort = socksAuth_.port;
  EXPECT_NE(ST_SUCCESS, Get("/").result) << "SOCKS5 password missing";
  http.ProxyUseAuth = 1;
  Put(http.ProxyUserName, "su");
  Put(http.ProxyPassword, "sw");
  EXPECT_EQ(ST_SUCCESS, Get("/").result);
}

TEST_F(HttpDownload, LocalBypassGoesDirectAndOtherHostsUseTheProxy) {
  http.ProxyType = 1;
  http.ProxyBypassLocal = 1;
  Put(http.ProxyAddress, "127.0.0.1");
  http.ProxyPort = FreeLocalPort();
  Put(http.HostName, "LOCALHOST");
  EXPECT_EQ(ST_SUCCESS, Get("/").result);

  http = CHTTPDnld();
  SetUp();
  http.ProxyType = 1;
  http.ProxyBypassLocal = 1;
  Put(http.ProxyAddress, "127.0.0.1");
  http.ProxyPort = FreeLocalPort();
  Put(http.HostName, "127.0.0.2");
  const Reply reply = Get("/");
  EXPECT_EQ(ST_TRANSIENT, reply.result);
  EXPECT_EQ("Socket connect error", reply.text);
}

TEST_F(HttpDownload, SizeAndTimeLimitsSkip) {
  const struct {
    const char* path;
    int32_t type;
    uint32_t limit;
    uint32_t timeLimit;
    const char* detail;
  } cases[] = {
      {"/chunked", 2, 1024, 0, "Skipped due to size limit"},
      {"/length5000", 2, 1024, 0, "Skipped due to size limit"},
      {"/", 1, 100000, 0, "Skipped due to size limit"},
      {"/drip", 0, 0, 500, "Slow link"},
  };
  for (const auto& c : cases) {
    http.SizeLimitType = c.type;
    http.SizeLimit = c.limit;
    http.TimeLimit = c.timeLimit;
    const Reply reply = Get(c.path);
    EXPECT_EQ(ST_LIMIT, reply.result) << c.path;
    EXPECT_EQ("SKIPPED", reply.text) << c.path;
    EXPECT_EQ(c.detail, reply.detail) << c.path;
    EXPECT_LT(reply.data.size(), 2000u) << c.path << " stopped early";
  }
  http.SizeLimitType = 1;
  http.SizeLimit = 1;
  EXPECT_EQ(ST_SUCCESS, Get("/").result);
}

// The limits weigh the body alone: each reply carries a 100-byte body behind its header.
TEST_F(HttpDownload, SizeLimitsCompareTheBodyOnly) {
  const struct {
    int32_t type;
    uint32_t limit;
    status_type result;
  } cases[] = {
      {SIZELIMIT_MAXIMUM, 99, ST_LIMIT},    {SIZELIMIT_MAXIMUM, 100, ST_SUCCESS},
      {SIZELIMIT_MAXIMUM, 120, ST_SUCCESS}, {SIZELIMIT_MINIMUM, 99, ST_SUCCESS},
      {SIZELIMIT_MINIMUM, 100, ST_LIMIT},   {SIZELIMIT_MINIMUM, 120, ST_LIMIT},
  };
  for (const char* path : {"/body100", "/length100", "/continue100"}) {
    for (const auto& c : cases) {
      const std::string label =
          std::string(path) + " limit " + std::to_string(c.type) + "/" + std::to_string(c.limit);
      http.SizeLimitType = https.SizeLimitType = c.type;
      http.SizeLimit = https.SizeLimit = c.limit;
      const Reply plain = Get(path);
      EXPECT_EQ(c.result, plain.result) << label << " " << plain.text << " " << plain.detail;
      const Reply secure = GetSsl(path);
      EXPECT_EQ(c.result, secure.result) << label << " https " << secure.detail;
      if (c.result == ST_SUCCESS) {
        EXPECT_EQ(std::string(100, 'b'), plain.data.substr(plain.data.size() - 100)) << label;
        EXPECT_EQ(plain.data.size() - 100, http.HeaderSize) << label;
      }
    }
  }
}

TEST_F(HttpDownload, EndlessBodyStopsAtTheCeiling) {
  const Reply reply = Get("/endless");
  EXPECT_EQ(ST_LIMIT, reply.result);
  EXPECT_EQ("Skipped due to size limit", reply.detail);
  EXPECT_EQ(DOWNLOAD_MAX_BYTES, reply.data.size());
}

TEST_F(HttpDownload, RefusedPortIsTransient) {
  http.Port = FreeLocalPort();
  const Reply reply = Get("/");
  EXPECT_EQ(ST_TRANSIENT, reply.result);
  EXPECT_EQ("Socket connect error", reply.text);
}

}  // namespace
