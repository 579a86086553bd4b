// The RTSP probe against the scripted peer, tinyproxy and microsocks on 127.0.0.1.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include "net/Downloader.h"
#include "net/RtspProbe.h"
#include "tests/peers/Peers.h"

namespace {

template <size_t N>
void Set(char (&field)[N], const std::string& text) {
  const size_t size = text.size() < N - 1 ? text.size() : N - 1;
  memcpy(field, text.data(), size);
  field[size] = '\0';
}

// One probe; the texts it reports as plain 8-bit text.
struct Probe {
  CRTSPClnt client;
  void* data = nullptr;
  unsigned long length = 0;
  std::string text;

  Probe(const std::string& host, int port, const std::string& path) {
    Set(client.HostName, host);
    Set(client.Path, path);
    client.Port = port;
    client.Timeout = 2;
  }
  ~Probe() { client.FreeData(data); }
  status_type Run() {
    const status_type result = client.RTSPClient(&data, &length);
    for (const char16_t* c = client.StatusText; *c; ++c) text += static_cast<char>(*c);
    return result;
  }
  void Proxy(int type, int port, const char* user = nullptr, const char* password = nullptr) {
    client.ProxyType = type;
    Set(client.ProxyAddress, "127.0.0.1");
    client.ProxyPort = port;
    client.ProxyUseAuth = user != nullptr;
    if (user) {
      Set(client.ProxyUserName, user);
      Set(client.ProxyPassword, password);
    }
  }
};

// The scripted peer, stopped when the test ends.
struct RtspPeer {
  PeerProcess process;
  std::string record = MakeTempFolder() + "/request";
  explicit RtspPeer(std::vector<std::string> socksModes = {}) {
    std::vector<std::string> argv = {"/usr/bin/python3", PeerFile("rtsp_peer.py"), record};
    argv.insert(argv.end(), socksModes.begin(), socksModes.end());
    EXPECT_TRUE(StartPortPeer(argv, process));
  }
  ~RtspPeer() { StopPeer(process); }
};

TEST(RtspProbe, DirectRepliesAreJudgedByTheirStatusLine) {
  RtspPeer peer;
  const int port = peer.process.port;
  {
    Probe probe("127.0.0.1", port, "/a b/\xD0\xB0");
    EXPECT_EQ(probe.Run(), ST_SUCCESS);
    EXPECT_EQ(ReadWholeFile(peer.record), "DESCRIBE rtsp://127.0.0.1:" + std::to_string(port) +
                                              "/a%20b/%D0%B0 RTSP/1.0\r\nCSeq: 1\r\n\r\n");
  }
  const struct {
    const char* path;
    status_type result;
    const char* text;
    unsigned long length;  // of the returned reply, 0: not checked
  } cases[] = {
      {"/405", ST_SUCCESS, "405 Method Not Allowed", 44},
      {"/406", ST_SUCCESS, "406 Not Acceptable", 0},
      {"/404", ST_FAILURE, "404 Not Found", 0},
      {"/close", ST_FAILURE, "", 0},
      {"/silent", ST_FAILURE, "Timeout", 0},
      {"/drip", ST_FAILURE, "Timeout", 0},
      {"/endless", ST_SUCCESS, "200 OK", net::RTSP_HEADER_MAX},
      {"/long", ST_SUCCESS, "", net::RTSP_HEADER_MAX},
      {"/version", ST_SUCCESS, "200 OK", 0},
      {"/garbage", ST_FAILURE, "", 0},
      {"/nul", ST_FAILURE, "404 ", 0},
  };
  for (const auto& c : cases) {
    Probe probe("127.0.0.1", port, c.path);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(probe.Run(), c.result) << c.path;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << c.path;
    EXPECT_EQ(probe.text, c.text) << c.path;
    EXPECT_EQ(probe.client.HeaderSize, probe.length) << c.path;
    if (c.length) {
      EXPECT_EQ(probe.length, c.length) << c.path;
    }
  }
}

TEST(RtspProbe, HostsThatMustNotBeSent) {
  RtspPeer peer;
  static const std::string tooLong(300, 'h');
  const struct {
    const char* host;
    int proxyType;
    const char* text;
  } cases[] = {
      {"a\r\nb", 0, "URL using bad/illegal format or missing URL"},
      {"127.0.0.1 ", 1, "URL using bad/illegal format or missing URL"},
      {"999.1.1.1", 0, "Domain name lookup failed (may be a transient error)"},
      {"999.1.1.1", 2, "Domain name lookup failed (may be a transient error)"},
      {tooLong.c_str(), 2, "Proxy server error"},
  };
  for (const auto& c : cases) {
    Probe probe(c.host, peer.process.port, "/200");
    if (c.proxyType) probe.Proxy(c.proxyType, peer.process.port);
    EXPECT_EQ(probe.Run(), ST_FAILURE);
    EXPECT_EQ(probe.text, c.text) << c.host;
  }
  EXPECT_EQ(ReadWholeFile(peer.record), "") << "a refused host reached the peer";
  Probe dead("127.0.0.1", FreeLocalPort(), "/");
  EXPECT_EQ(dead.Run(), ST_FAILURE);
  EXPECT_EQ(dead.text, "Cannot connect server");
}

TEST(RtspProbe, ThroughTinyproxy) {
  RtspPeer peer;
  PeerProcess proxy;
  ASSERT_TRUE(StartTinyproxy(MakeTempFolder(), "pu", "pw", proxy));
  Probe refused("127.0.0.1", peer.process.port, "/405");
  refused.Proxy(1, proxy.port);
  EXPECT_EQ(refused.Run(), ST_FAILURE);
  EXPECT_EQ(refused.text, "407 Proxy Authentication Required");
  Probe tunnelled("127.0.0.1", peer.process.port, "/405");
  tunnelled.Proxy(1, proxy.port, "pu", "pw");
  EXPECT_EQ(tunnelled.Run(), ST_SUCCESS);
  EXPECT_EQ(tunnelled.text, "405 Method Not Allowed");
  StopPeer(proxy);

  const int dead = FreeLocalPort();
  Probe noProxy("127.0.0.1", peer.process.port, "/");
  noProxy.Proxy(1, dead);
  EXPECT_EQ(noProxy.Run(), ST_FAILURE);
  EXPECT_EQ(noProxy.text, "Cannot connect proxy server");
  // A local host goes past the proxy.
  Probe bypass("LOCALHOST", peer.process.port, "/");
  bypass.Proxy(1, dead);
  bypass.client.ProxyBypassLocal = 1;
  EXPECT_EQ(bypass.Run(), ST_SUCCESS) << bypass.text;
}

TEST(RtspProbe, ThroughMicrosocks) {
  RtspPeer peer;
  for (const char* user : {static_cast<const char*>(nullptr), "su"}) {
    PeerProcess proxy;
    ASSERT_TRUE(StartMicrosocks(user, "sw", proxy));
    Probe probe("127.0.0.1", peer.process.port, "/406");
    probe.Proxy(2, proxy.port, user, "sw");
    EXPECT_EQ(probe.Run(), ST_SUCCESS) << probe.text;
    if (user) {
      Probe wrong("127.0.0.1", peer.process.port, "/406");
      wrong.Proxy(2, proxy.port, user, "nope");
      EXPECT_EQ(wrong.Run(), ST_FAILURE);
      EXPECT_EQ(wrong.text, "Proxy auth rejected");
    }
    StopPeer(proxy);
  }
}

TEST(RtspProbe, ThroughAScriptedSocks5Proxy) {
  const struct {
    const char* mode;
    const char* host;
    status_type result;
    const char* text;
  } cases[] = {
      {"plain", "127.0.0.1", ST_SUCCESS, "200 OK"},
      {"plain", "localhost", ST_SUCCESS, "200 OK"},
      {"type3", "127.0.0.1", ST_SUCCESS, "200 OK"},
      {"type4", "127.0.0.1", ST_SUCCESS, "200 OK"},
      {"auth02", "127.0.0.1", ST_FAILURE, "Proxy auth rejected"},
      {"none", "127.0.0.1", ST_FAILURE, ""},
      {"refuse05", "127.0.0.1", ST_FAILURE, "Proxy server error"},
      {"version4", "127.0.0.1", ST_FAILURE, "Proxy server error"},
      {"short", "127.0.0.1", ST_FAILURE, "Proxy server error"},
  };
  std::vector<std::string> modes;
  for (const auto& c : cases) modes.push_back(c.mode);
  RtspPeer peer(modes);
  for (const auto& c : cases) {
    Probe probe(c.host, 554, "/");
    probe.Proxy(2, peer.process.port);
    EXPECT_EQ(probe.Run(), c.result) << c.mode;
    EXPECT_EQ(probe.text, c.text) << c.mode;
  }
  // The connect requests: an address as type 1, a name as type 3 with its length.
  const std::string requests = ReadWholeFile(peer.record + ".socks");
  const std::string address(
      "\5\1\0"
      "\5\1\0\1\x7F\0\0\1"
      "\2\x2A",
      13);
  const std::string name(
      "\5\1\0"
      "\5\1\0\3\x09"
      "localhost"
      "\2\x2A",
      19);
  EXPECT_EQ(requests.substr(0, address.size() + name.size()), address + name);
}

TEST(RtspProbe, RandomBytesThroughTheReaders) {
  std::mt19937 random(37);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    const char* const pieces[] = {"RTSP/", "1", ".",           "0",  " ",    "200",  "\r\n",
                                  "\n",    "-", "99999999999", "\0", "\xFF", "HTTP/"};
    for (int i = static_cast<int>(random() % 12); i > 0; --i) {
      bytes += random() % 4 ? pieces[random() % 13] : std::string(1, static_cast<char>(random()));
    }
    // Exactly the bytes: a reader past them lands outside the block.
    char* block = static_cast<char*>(malloc(bytes.size() + 1));
    memcpy(block, bytes.data(), bytes.size());
    unsigned long code = 0;
    char16_t text[8];
    net::CheckHeader(&code, text, 8, block, bytes.size());
    free(block);

    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, pair), 0);
    send(pair[1], bytes.data(), bytes.size(), MSG_NOSIGNAL);
    close(pair[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    if (round % 2) {
      char* header = nullptr;
      unsigned long length = 0;
      bool timedOut = false;
      ASSERT_EQ(net::ReadHeader(pair[0], deadline, &header, &length, &timedOut), 1);
      EXPECT_LE(length, bytes.size());
      EXPECT_EQ(header[length], '\0');
      free(header);
    } else {
      char reply[262];
      EXPECT_LE(net::ReadSOCKS5Reply(pair[0], deadline, reply), 262);
    }
    close(pair[0]);
  }
}

}  // namespace
