// CFTPDnld against pyftpdlib and tinyproxy on 127.0.0.1.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "net/Downloader.h"
#include "net/NetService.h"
#include "tests/net/NetTestText.h"
#include "tests/peers/Peers.h"

namespace {

class FtpDownload : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    NetGlobalInit();
    folder_ = MakeTempFolder();
    const std::string root = folder_ + "/root";
    for (const char* dir : {"", "/docs", "/empty", "/with space", "/a#b", "/100%", "/q?x",
                            "/\xD0\xBA\xD0\xB8\xD1\x80", "/dos", "/dos/licensed", "/vms",
                            "/vms/CORE", "/eplf", "/eplf/dev", "/endless"}) {
      std::filesystem::create_directories(root + dir);
    }
    for (const char* file : {"/file.txt", "/readme", "/with space/a.txt", "/a#b/x.txt",
                             "/100%/y.txt", "/q?x/z.txt", "/\xD0\xBA\xD0\xB8\xD1\x80/\xD1\x84.txt",
                             "/dos/file.txt", "/vms/file.txt", "/eplf/file.txt"}) {
      WriteWholeFile(root + file, "12345");
    }
    const std::string python = "/usr/bin/python3";
    ASSERT_TRUE(StartPortPeer({python, PeerFile("FtpPeer.py"), root}, ftp_));
    ASSERT_TRUE(
        StartPortPeer({python, PeerFile("FtpPeer.py"), root, "--throttle", "1024"}, slowFtp_));
    ASSERT_TRUE(StartTinyproxy(folder_, nullptr, nullptr, proxy_));
    ASSERT_TRUE(StartTinyproxy(folder_, "pu", "pw", authProxy_));
  }

  static void TearDownTestSuite() {
    for (PeerProcess* peer : {&ftp_, &slowFtp_, &proxy_, &authProxy_}) StopPeer(*peer);
    std::filesystem::remove_all(folder_);
  }

  void SetUp() override {
    Put(ftp.HostName, "127.0.0.1");
    ftp.Port = ftp_.port;
  }

  status_type Check(const char* path) {
    Put(ftp.Path, path);
    const status_type result = ftp.FTPTestExistance();
    EXPECT_EQ(nullptr, ftp.Data);
    EXPECT_LT(ftp.ElapsedTime, 60000u) << "elapsed milliseconds, not a tick";
    return result;
  }

  static std::string folder_;
  static PeerProcess ftp_, slowFtp_, proxy_, authProxy_;
  CFTPDnld ftp{0};
};

std::string FtpDownload::folder_;
PeerProcess FtpDownload::ftp_, FtpDownload::slowFtp_, FtpDownload::proxy_, FtpDownload::authProxy_;

TEST_F(FtpDownload, NamesInListingsOfEveryStyle) {
  const struct {
    const char* path;
    status_type result;
    const char* text;
  } cases[] = {
      {"/file.txt", ST_SUCCESS, "OK"},
      {"/docs", ST_SUCCESS, "\"docs\" is a directory"},
      {"/missing.txt", ST_FAILURE, "File not found"},
      {"/", ST_SUCCESS, "OK"},
      {"file.txt", ST_SUCCESS, "OK"},
      {"/empty/", ST_SUCCESS, "OK"},
      {"/empty/x", ST_FAILURE, "File not found"},
      {"/with space/a.txt", ST_SUCCESS, "OK"},
      {"/a#b/x.txt", ST_SUCCESS, "OK"},
      {"/100%/y.txt", ST_SUCCESS, "OK"},
      {"/q?x/z.txt", ST_SUCCESS, "OK"},
      {"/\xD0\xBA\xD0\xB8\xD1\x80/\xD1\x84.txt", ST_SUCCESS, "OK"},
      {"/\xD0\xBA\xD0\xB8\xD1\x80", ST_SUCCESS, "\"???\" is a directory"},
      {"/dos/licensed", ST_SUCCESS, "\"licensed\" is a directory"},
      {"/dos/file.txt", ST_SUCCESS, "OK"},
      {"/vms/CORE", ST_SUCCESS, "\"CORE\" is a directory"},
      {"/vms/file.txt", ST_SUCCESS, "OK"},
      {"/eplf/dev", ST_SUCCESS, "\"dev\" is a directory"},
      {"/eplf/file.txt", ST_SUCCESS, "OK"},
      {"/README", ST_FAILURE, "File not found"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.result, Check(c.path)) << c.path;
    EXPECT_EQ(c.text, Narrow(ftp.StatusText)) << c.path;
    EXPECT_EQ("", Narrow(ftp.StatusDetail)) << c.path;
  }
  ftp.IgnoreCase = 1;
  EXPECT_EQ(ST_SUCCESS, Check("/README"));
}

TEST_F(FtpDownload, RefusalsKeepTheServersLineOrTheCurlMessage) {
  EXPECT_EQ(ST_FAILURE, Check("/nodir/x"));
  EXPECT_EQ(0u, Narrow(ftp.StatusText).find("550 ")) << Narrow(ftp.StatusText);
  EXPECT_EQ("LIST retrieve failed", Narrow(ftp.StatusDetail));

  Put(ftp.UserName, "user");
  Put(ftp.Password, "wrong");
  EXPECT_EQ(ST_FAILURE, Check("/file.txt"));
  EXPECT_EQ(0u, Narrow(ftp.StatusText).find("530 ")) << Narrow(ftp.StatusText);
  Put(ftp.Password, "secret");
  EXPECT_EQ(ST_SUCCESS, Check("/file.txt"));

  ftp.Port = FreeLocalPort();
  EXPECT_EQ(ST_TRANSIENT, Check("/file.txt"));
  EXPECT_EQ("Socket connect error", Narrow(ftp.StatusText));
}

TEST_F(FtpDownload, ActiveModeAndTunnellingProxies) {
  ftp.Passive = 0;
  EXPECT_EQ(ST_SUCCESS, Check("/docs"));
  ftp.Passive = 1;
  ftp.ProxyType = 1;
  Put(ftp.ProxyAddress, "127.0.0.1");
  ftp.ProxyPort = proxy_.port;
  EXPECT_EQ(ST_SUCCESS, Check("/file.txt"));
  ftp.ProxyPort = authProxy_.port;
  EXPECT_EQ(ST_FAILURE, Check("/file.txt"));
  EXPECT_EQ("407 Proxy Authentication Required", Narrow(ftp.StatusText));
  ftp.ProxyUseAuth = 1;
  Put(ftp.ProxyUserName, "pu");
  Put(ftp.ProxyPassword, "pw");
  EXPECT_EQ(ST_SUCCESS, Check("/file.txt"));
}

TEST_F(FtpDownload, SlowAndEndlessListingsEndInALimit) {
  ftp.Port = slowFtp_.port;
  ftp.TimeLimit = 500;
  EXPECT_EQ(ST_LIMIT, Check("/endless/x"));
  EXPECT_EQ("SKIPPED", Narrow(ftp.StatusText));
  EXPECT_EQ("Slow link", Narrow(ftp.StatusDetail));

  ftp.Port = ftp_.port;
  ftp.TimeLimit = 0;
  EXPECT_EQ(ST_LIMIT, Check("/endless/x"));
  EXPECT_EQ("Skipped due to size limit", Narrow(ftp.StatusDetail));
  EXPECT_GE(ftp.ReceivedSize, DOWNLOAD_MAX_BYTES);
}

}  // namespace
