// The local-file downloader against real files of the test's own folder.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <string>

#include "net/Downloader.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

std::u16string SystemText(DWORD code) {
  char16_t text[256] = {};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                 MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, 256, nullptr);
  return text;
}

void MakeFile(const std::u16string& path, size_t bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  std::string data(bytes, 'x');
  DWORD written = 0;
  if (bytes) ::WriteFile(file, data.data(), static_cast<DWORD>(bytes), &written, nullptr);
  CloseHandle(file);
  ASSERT_EQ(bytes, written);
}

struct Download {
  CFILEDnld dnld;
  void* data = nullptr;
  unsigned long length = 0;
  status_type result = ST_SUCCESS;

  Download(const std::u16string& name, int32_t limitType = 0, uint32_t limit = 0,
           int32_t existenceOnly = 0) {
    name.copy(dnld.FileName, 2047);
    dnld.SizeLimitType = limitType;
    dnld.SizeLimit = limit;
    dnld.ExistenceOnly = existenceOnly;
    dnld.ElapsedTime = 12345678;
    result = dnld.FILEDownload(&data, &length);
  }
  ~Download() { dnld.FreeData(data); }
  std::u16string Text() const { return dnld.StatusText; }
  std::u16string Detail() const { return dnld.StatusDetail; }
};

class FileDownloadTest : public ::testing::Test {
 protected:
  std::u16string File(const std::u16string& name) const { return folder_.File(name); }
  TestFolder folder_{u"tl-file-"};
};

TEST_F(FileDownloadTest, ReadsTheWholeFileAndReportsTheTimeTaken) {
  const std::u16string path = File(u"Datei 'ä€'.html");
  MakeFile(path, 3);
  Download d(path);
  ASSERT_EQ(ST_SUCCESS, d.result);
  EXPECT_EQ(u"OK", d.Text());
  EXPECT_EQ(u"", d.Detail());
  ASSERT_NE(nullptr, d.data);
  EXPECT_EQ(3u, d.length);
  EXPECT_EQ(0, memcmp("xxx", d.data, 4));  // the NUL after the data
  EXPECT_EQ(3u, d.dnld.ReceivedSize);
  EXPECT_EQ(0u, d.dnld.SentSize);
  EXPECT_LT(d.dnld.ElapsedTime, 10000u);
}

TEST_F(FileDownloadTest, ForwardSlashesAreTurnedIntoBackslashesInPlace) {
  std::u16string path = File(u"a.txt");
  MakeFile(path, 5);
  std::u16string slashed = path;
  for (char16_t& c : slashed) c = c == u'\\' ? u'/' : c;
  Download d(slashed);
  EXPECT_EQ(ST_SUCCESS, d.result);
  EXPECT_EQ(path, std::u16string(d.dnld.FileName));
}

TEST_F(FileDownloadTest, EmptyFileGivesAOneByteBlockOfLengthZero) {
  const std::u16string path = File(u"empty");
  MakeFile(path, 0);
  Download d(path);
  ASSERT_EQ(ST_SUCCESS, d.result);
  EXPECT_EQ(0u, d.length);
  ASSERT_NE(nullptr, d.data);
  EXPECT_EQ(0, *static_cast<char*>(d.data));
}

TEST_F(FileDownloadTest, ExistenceOnlyOpensWithoutReading) {
  const std::u16string path = File(u"there.gif");
  MakeFile(path, 10);
  Download there(path, 0, 0, 1);
  EXPECT_EQ(ST_SUCCESS, there.result);
  EXPECT_EQ(u"OK", there.Text());
  EXPECT_EQ(nullptr, there.data);
  EXPECT_EQ(0u, there.dnld.ReceivedSize);
  Download missing(File(u"missing.gif"), 0, 0, 1);
  EXPECT_EQ(ST_FAILURE, missing.result);
}

// A failure carries the system's own wording (Wine's differs from Windows') and the time
// taken, never the start tick.
TEST_F(FileDownloadTest, FailuresCarryTheSystemText) {
  const std::u16string held = File(u"held.txt");
  MakeFile(held, 4);
  HANDLE exclusive = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, exclusive);
  Download sharing(held);
  CloseHandle(exclusive);
  EXPECT_EQ(ST_FAILURE, sharing.result);
  EXPECT_EQ(SystemText(ERROR_SHARING_VIOLATION), sharing.Text());
  EXPECT_EQ(nullptr, sharing.data);

  const std::u16string missingPath = File(u"nothing-here");
  Download missing(missingPath);
  EXPECT_EQ(ST_FAILURE, missing.result);
  CreateFileW(missingPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
              nullptr);
  EXPECT_EQ(SystemText(GetLastError()), missing.Text());
  EXPECT_LT(missing.dnld.ElapsedTime, 10000u);

  Download empty(u"");
  EXPECT_EQ(ST_FAILURE, empty.result);
  EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND), empty.Text());

  std::u16string folderPath = File(u"");
  folderPath.pop_back();
  Download folder(folderPath);
  EXPECT_EQ(ST_FAILURE, folder.result);
  EXPECT_NE(u"", folder.Text());
  EXPECT_EQ(nullptr, folder.data);
}

TEST_F(FileDownloadTest, SizeLimitsSkipAtTheirBoundaries) {
  struct Case {
    int32_t type;
    size_t bytes;
    status_type expected;
  };
  const Case cases[] = {
      {SIZELIMIT_MINIMUM, 1024, ST_LIMIT},
      {SIZELIMIT_MINIMUM, 1025, ST_SUCCESS},
      {SIZELIMIT_MAXIMUM, 1024, ST_SUCCESS},
      {SIZELIMIT_MAXIMUM, 1025, ST_LIMIT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.type << " " << c.bytes);
    const std::u16string path = File(u"sized");
    MakeFile(path, c.bytes);
    Download d(path, c.type, 1024);
    EXPECT_EQ(c.expected, d.result);
    if (c.expected == ST_LIMIT) {
      EXPECT_EQ(u"SKIPPED", d.Text());
      EXPECT_EQ(u"Skipped due to size limit", d.Detail());
      EXPECT_EQ(nullptr, d.data);
      EXPECT_LT(d.dnld.ElapsedTime, 10000u);
    } else {
      EXPECT_EQ(c.bytes, d.length);
    }
  }
}

TEST_F(FileDownloadTest, FilesAboveTheCeilingAreSkippedWithoutReading) {
  const std::u16string path = File(u"huge.bin");
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(DOWNLOAD_MAX_BYTES) + 1;
  ASSERT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(file));
  CloseHandle(file);
  Download d(path);
  EXPECT_EQ(ST_LIMIT, d.result);
  EXPECT_EQ(u"Skipped due to size limit", d.Detail());
  EXPECT_EQ(0u, d.dnld.ReceivedSize);
  CFILEDnld().FreeData(nullptr);
}

}  // namespace
