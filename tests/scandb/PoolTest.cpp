// Runs of the worker pool over a real database with a stub check.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "scandb/DbSql.h"
#include "tests/scandb/ScanDbTestSupport.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct Scan {
  std::mutex mutex;
  std::condition_variable changed;
  int finishes = 0;
  int calls = 0;
  std::map<std::string, int> callsOf;         // per resource
  std::map<std::string, int> busy, mostBusy;  // per server, without regard to case
  std::set<std::string> checking;
  bool sameLinkTwice = false;
  int maxDelayMs = 0;
  std::mt19937 random{7};
  std::function<int32_t(const std::string& resource)> keep = [](const std::string&) { return 1; };
  std::function<void(const std::string& resource)> onCheck;
  std::function<void()> onFinish;
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

int32_t Check(void* user, int32_t protocol, const char* username, const char*, const char* server,
              int32_t port, const char* resource, const char*, const char*, int32_t, int32_t,
              char* title, char* statusstr, char*, char*, char*, char*, char*, int32_t* statusval,
              int32_t*, int32_t*, const char*, const char*, int32_t, int32_t, int32_t, int32_t) {
  Scan& scan = *static_cast<Scan*>(user);
  const std::string host = Lower(server);
  const std::string link =
      std::to_string(protocol) + username + "@" + host + ":" + std::to_string(port) + resource;
  int delay = 0;
  {
    std::lock_guard<std::mutex> guard(scan.mutex);
    ++scan.calls;
    ++scan.callsOf[resource];
    if (!scan.checking.insert(link).second) scan.sameLinkTwice = true;
    int now = ++scan.busy[host];
    if (now > scan.mostBusy[host]) scan.mostBusy[host] = now;
    if (scan.maxDelayMs > 0) delay = static_cast<int>(scan.random() % (scan.maxDelayMs + 1));
  }
  std::this_thread::sleep_for(milliseconds(delay));
  if (scan.onCheck) scan.onCheck(resource);
  {
    std::lock_guard<std::mutex> guard(scan.mutex);
    --scan.busy[host];
    scan.checking.erase(link);
  }
  snprintf(title, DB_TEXT_SIZE, "Title of %s", resource);
  snprintf(statusstr, DB_TEXT_SIZE, "200 OK");
  *statusval = 1;
  return scan.keep(resource);
}

void Finish(void* user) {
  Scan& scan = *static_cast<Scan*>(user);
  if (scan.onFinish) scan.onFinish();
  std::lock_guard<std::mutex> guard(scan.mutex);
  ++scan.finishes;
  scan.changed.notify_all();
}

class PoolTest : public ScanDbTest {
 protected:
  tagDBCONTEXT* Open(const std::string& name = "pool.fdb") {
    tagDBCONTEXT* ctx = OpenNew(name);
    ctx->QueryCallback = Check;
    ctx->QueryUser = &scan_;
    ctx->FinishCallback = Finish;
    ctx->FinishUser = &scan_;
    return ctx;
  }
  void Queue(tagDBCONTEXT* ctx, const std::string& server, const std::string& resource,
             const std::string& username = "") {
    ASSERT_EQ(DBAddLinkFound(ctx, 1, username.c_str(), "", server.c_str(), 80, resource.c_str(), "",
                             "", 2, 0, "http://start/", "", 1, 1, 0, 1),
              1)
        << ctx->ErrorText;
  }
  // Waits for the run's finish call and for the run to be over; returns the seconds taken.
  double WaitForEnd(tagDBCONTEXT* ctx, int finishes = 1, double limit = 60) {
    const Clock::time_point start = Clock::now();
    {
      std::unique_lock<std::mutex> lock(scan_.mutex);
      EXPECT_TRUE(scan_.changed.wait_for(lock, std::chrono::duration<double>(limit), [&] {
        return scan_.finishes >= finishes;
      })) << "the run did not end";
    }
    while (ctx->Running && Clock::now() - start < std::chrono::duration<double>(limit))
      std::this_thread::sleep_for(milliseconds(1));
    EXPECT_EQ(ctx->Running, 0);
    return std::chrono::duration<double>(Clock::now() - start).count();
  }

  Scan scan_;
};

TEST_F(PoolTest, OneWorkerChecksFiftyLinks) {
  tagDBCONTEXT* ctx = Open();
  for (int i = 0; i < 50; ++i) Queue(ctx, "example.com", "/page" + std::to_string(i));
  ASSERT_EQ(DBStartWorkers(ctx, 1, 1, nullptr, nullptr), 1);
  EXPECT_EQ(DBStartWorkers(ctx, 1, 1, nullptr, nullptr), 0);  // one run at a time
  WaitForEnd(ctx);
  EXPECT_EQ(scan_.finishes, 1);
  EXPECT_EQ(scan_.calls, 50);
  EXPECT_EQ(Count(ctx, "loaded"), 50);
  EXPECT_EQ(Count(ctx, "report"), 50);
  EXPECT_EQ(Count(ctx, "found"), 0);
  EXPECT_EQ(DBStopWorkers(ctx), 0);
}

TEST_F(PoolTest, NoServerEverHasMoreBusyWorkersThanTheLimit) {
  tagDBCONTEXT* ctx = Open();
  for (int i = 0; i < 12; ++i) {
    Queue(ctx, i % 2 ? "a.example" : "A.EXAMPLE", "/a" + std::to_string(i));
    Queue(ctx, "b.example", "/b" + std::to_string(i));
  }
  // User names are part of the link, with their case.
  Queue(ctx, "c.example", "/c", "Ann");
  Queue(ctx, "c.example", "/c", "ann");
  scan_.maxDelayMs = 15;
  ASSERT_EQ(DBStartWorkers(ctx, 6, 2, nullptr, nullptr), 1);
  WaitForEnd(ctx);
  EXPECT_EQ(scan_.calls, 26);
  EXPECT_LE(scan_.mostBusy["a.example"], 2);
  EXPECT_LE(scan_.mostBusy["b.example"], 2);
  EXPECT_EQ(scan_.callsOf["/c"], 2);
  EXPECT_EQ(Count(ctx, "found"), 0);
}

TEST_F(PoolTest, TwoQueueRowsOfOneLinkAreNeverCheckedTogether) {
  tagDBCONTEXT* ctx = Open();
  Queue(ctx, "example.com", "/same");
  Queue(ctx, "EXAMPLE.com", "/same");
  for (int i = 0; i < 6; ++i) Queue(ctx, "example.com", "/other" + std::to_string(i));
  scan_.maxDelayMs = 30;
  ASSERT_EQ(DBStartWorkers(ctx, 4, 4, nullptr, nullptr), 1);
  WaitForEnd(ctx);
  EXPECT_FALSE(scan_.sameLinkTwice);
  EXPECT_EQ(scan_.callsOf["/same"], 1);
  EXPECT_EQ(Count(ctx, "loaded"), 7);
  EXPECT_EQ(Count(ctx, "report"), 8);
}

// The report calls a run makes: the resource, `first` and the stored title of each.
struct Reported {
  std::mutex mutex;
  std::vector<std::string> rows;
};

void RecordReport(void* user, int32_t first, int32_t, const char*, const char*, const char*,
                  int32_t, const char* resource, const char*, const char*, int32_t, int32_t,
                  const char* title, const char*, const char*, const char*, const char*,
                  const char*, const char*, int32_t, int32_t, int32_t, const char* rel_url,
                  const char*, int32_t, int32_t, int32_t, int32_t) {
  Reported& reported = *static_cast<Reported*>(user);
  std::lock_guard<std::mutex> guard(reported.mutex);
  reported.rows.push_back(std::string(resource) + " " + std::to_string(first) + " " + title +
                          " from " + rel_url);
}

// Every occurrence the context reports goes to `reported` from now on.
void RecordReports(tagDBCONTEXT* ctx, Reported* reported) {
  ctx->ReportMode = 2;
  ctx->ReportCallback = RecordReport;
  ctx->ReportUser = reported;
}

// During a run an occurrence of a link already stored is reported and stored when it is
// found, with the stored result, rather than queued; outside a run it is queued.
TEST_F(PoolTest, AnOccurrenceOfAStoredLinkIsStoredWhenFoundDuringARun) {
  tagDBCONTEXT* ctx = Open();
  Reported reported;
  RecordReports(ctx, &reported);
  Queue(ctx, "example.com", "/a");
  const std::string repeat = "/a 0 Title of /a from http://example.com/b";
  bool reportedAtOnce = false;
  size_t queuedBefore = 0, queuedAfter = 0;
  auto queued = [ctx] {
    std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
    return ctx->Queue.Size();
  };
  scan_.onCheck = [&](const std::string& resource) {
    if (resource == "/a") {
      Queue(ctx, "example.com", "/b");
      return;
    }
    queuedBefore = queued();
    ASSERT_EQ(DBAddLinkFound(ctx, 1, "", "", "EXAMPLE.com", 80, "/a", "", "", 2, 0,
                             "http://example.com/b", "", 3, 4, 0, 1),
              1);
    queuedAfter = queued();
    std::lock_guard<std::mutex> guard(reported.mutex);
    reportedAtOnce =
        std::find(reported.rows.begin(), reported.rows.end(), repeat) != reported.rows.end();
  };
  ASSERT_EQ(DBStartWorkers(ctx, 2, 2, nullptr, nullptr), 1);
  WaitForEnd(ctx);
  EXPECT_TRUE(reportedAtOnce);
  EXPECT_EQ(queuedAfter, queuedBefore);
  // The first report of a link may follow a later one: it is made after the lock is left.
  std::sort(reported.rows.begin(), reported.rows.end());
  EXPECT_EQ(reported.rows, (std::vector<std::string>{repeat, "/a 1 Title of /a from http://start/",
                                                     "/b 1 Title of /b from http://start/"}));
  EXPECT_EQ(Count(ctx, "loaded"), 2);
  EXPECT_EQ(Count(ctx, "report"), 3);
  EXPECT_EQ(scan_.callsOf["/a"], 1);

  Queue(ctx, "example.com", "/a");
  EXPECT_EQ(Count(ctx, "found"), 1);
  EXPECT_EQ(reported.rows.size(), 3u);
}

// Once a link is stored, its other queued occurrences go with it, stored and reported as
// repeats before the next claim; one with another bookmark is another link and stays queued.
TEST_F(PoolTest, TheQueuedRepeatsOfALinkGoWithItsResult) {
  tagDBCONTEXT* ctx = Open();
  Reported reported;
  RecordReports(ctx, &reported);
  auto queue = [ctx](const char* resource, const char* bookmark, const char* page) {
    ASSERT_EQ(DBAddLinkFound(ctx, 1, "", "", "example.com", 80, resource, bookmark, "", 2, 0, page,
                             "", 1, 1, 0, 1),
              1)
        << ctx->ErrorText;
  };
  queue("/a", "", "http://p1/");
  queue("/a", "", "http://p2/");
  queue("/b", "", "http://p1/");
  queue("/A", "", "http://p3/");  // another resource where case counts
  queue("/a", "", "http://p4/");
  queue("/a", "x", "http://p5/");
  size_t queuedAtB = 0;
  scan_.onCheck = [&](const std::string& resource) {
    if (resource != "/b") return;
    std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
    queuedAtB = ctx->Queue.Size();
  };
  ASSERT_EQ(DBStartWorkers(ctx, 1, 1, nullptr, nullptr), 1);
  WaitForEnd(ctx);
  EXPECT_EQ(queuedAtB, 3u);  // /b itself, /A and /a#x
  EXPECT_EQ(scan_.callsOf["/a"], 2);
  EXPECT_EQ(scan_.callsOf["/A"], 1);
  std::sort(reported.rows.begin(), reported.rows.end());
  EXPECT_EQ(reported.rows,
            (std::vector<std::string>{
                "/A 1 Title of /A from http://p3/", "/a 0 Title of /a from http://p2/",
                "/a 0 Title of /a from http://p4/", "/a 1 Title of /a from http://p1/",
                "/a 1 Title of /a from http://p5/", "/b 1 Title of /b from http://p1/"}));
  EXPECT_EQ(Count(ctx, "loaded"), 4);
  EXPECT_EQ(Count(ctx, "report"), 6);
  EXPECT_EQ(Count(ctx, "found"), 0);
}

struct Producer {
  int given = 0;
  int count = 5;
  tagDBCONTEXT* ctx = nullptr;
};

int32_t ProduceSlowly(void* user, int32_t* protocol, char*, char*, char* server, int32_t* port,
                      char* resource, char*, char*, int32_t*, int32_t*, char*, char*, int32_t*,
                      int32_t*, int32_t*, int32_t*) {
  Producer& p = *static_cast<Producer*>(user);
  if (p.given == p.count) return 0;
  std::this_thread::sleep_for(milliseconds(30));
  *protocol = 1;
  *port = 80;
  snprintf(server, DB_TEXT_SIZE, "example.com");
  snprintf(resource, DB_LONG_SIZE, "/start%d", p.given++);
  return 1;
}

// The links of one page in one step store what they store one by one: repeats of a
// checked link reported at once, new links, a link twice, a quote, the page itself.
TEST_F(PoolTest, APagesLinksInOneStepStoreWhatTheyStoreOneByOne) {
  struct Outcome {
    std::vector<std::string> reports;
    int32_t loaded, report, found;
  };
  const std::vector<std::string> page = {"/s", "/b", "/b", "/it's", "/a"};
  auto run = [&](bool together, const std::string& name) {
    scan_.callsOf.clear();
    scan_.finishes = 0;
    tagDBCONTEXT* ctx = Open(name);
    Reported reported;
    RecordReports(ctx, &reported);
    Queue(ctx, "example.com", "/s");
    scan_.onCheck = [&](const std::string& resource) {
      if (resource == "/s") Queue(ctx, "example.com", "/a");
      if (resource != "/a") return;
      std::vector<tagDBFOUNDLINK> rows;
      for (const std::string& r : page)
        rows.push_back({1, "", "", "example.com", 80, r.c_str(), "", "", 2, 0,
                        "http://example.com/a", "text", 7, 9, 0, 2});
      if (together) {
        std::vector<int32_t> results(rows.size(), -1);
        DBAddLinksFound(ctx, rows.data(), static_cast<int32_t>(rows.size()), results.data());
        EXPECT_EQ(results, std::vector<int32_t>(rows.size(), 1));
      } else {
        for (const tagDBFOUNDLINK& f : rows)
          EXPECT_EQ(DBAddLinkFound(ctx, f.protocol, f.username, f.userpass, f.server, f.port,
                                   f.resource, f.bookmark, f.comment, f.restype, f.flags, f.rel_url,
                                   f.rel_title, f.line, f.col, f.extern_, f.dir),
                    1);
      }
    };
    EXPECT_EQ(DBStartWorkers(ctx, 3, 3, nullptr, nullptr), 1);
    WaitForEnd(ctx);
    std::sort(reported.rows.begin(), reported.rows.end());
    return Outcome{reported.rows, Count(ctx, "loaded"), Count(ctx, "report"), Count(ctx, "found")};
  };
  const Outcome single = run(false, "single.fdb");
  const Outcome batch = run(true, "batch.fdb");
  EXPECT_EQ(batch.reports, single.reports);
  EXPECT_EQ(batch.loaded, 4);
  EXPECT_EQ(batch.loaded, single.loaded);
  EXPECT_EQ(batch.report, 7);
  EXPECT_EQ(batch.report, single.report);
  EXPECT_EQ(batch.found, 0);
  EXPECT_EQ(single.found, 0);
  tagDBFOUNDLINK none = {};
  int32_t untouched = 5;
  DBAddLinksFound(nullptr, &none, 1, &untouched);
  EXPECT_EQ(untouched, 0);
}

TEST_F(PoolTest, AStopDuringTheStartRowsStillStoresThemAndEndsOnce) {
  tagDBCONTEXT* ctx = Open();
  scan_.onCheck = [&](const std::string& resource) {
    for (int i = 0; i < 3; ++i) Queue(ctx, "example.com", resource + "/child" + std::to_string(i));
  };
  Producer producer;
  ASSERT_EQ(DBStartWorkers(ctx, 3, 3, ProduceSlowly, &producer), 1);
  std::this_thread::sleep_for(milliseconds(40));
  EXPECT_EQ(DBStopWorkers(ctx), 1);
  WaitForEnd(ctx);
  EXPECT_EQ(scan_.finishes, 1);
  EXPECT_EQ(Count(ctx, "loaded"), 5);
  EXPECT_EQ(Count(ctx, "found"), 15);  // the children stay for a resume
}

TEST_F(PoolTest, AStoppedRunResumesWhereItStopped) {
  tagDBCONTEXT* ctx = Open();
  for (int i = 0; i < 120; ++i) Queue(ctx, "example.com", "/page" + std::to_string(i));
  scan_.maxDelayMs = 4;
  ASSERT_EQ(DBStartWorkers(ctx, 5, 5, nullptr, nullptr), 1);
  for (;;) {
    std::this_thread::sleep_for(milliseconds(1));
    std::lock_guard<std::mutex> guard(scan_.mutex);
    if (scan_.calls >= 20) break;
  }
  EXPECT_EQ(DBStopWorkers(ctx), 1);
  WaitForEnd(ctx);
  const int32_t left = Count(ctx, "found");
  EXPECT_GT(left, 0);
  EXPECT_EQ(Count(ctx, "loaded") + left, 120);

  ASSERT_EQ(DBStartWorkers(ctx, 5, 5, nullptr, nullptr), 1);
  WaitForEnd(ctx, 2);
  EXPECT_EQ(scan_.finishes, 2);
  EXPECT_EQ(scan_.calls, 120);
  EXPECT_EQ(Count(ctx, "loaded"), 120);
  EXPECT_EQ(Count(ctx, "found"), 0);
}

TEST_F(PoolTest, TheFinishCallbackCannotStartOrResetButTheNextRunCan) {
  tagDBCONTEXT* ctx = Open();
  Queue(ctx, "example.com", "/a");
  int32_t start = -1, reset = -1, running = -1;
  scan_.onFinish = [&] {
    running = ctx->Running;
    start = DBStartWorkers(ctx, 2, 2, nullptr, nullptr);
    reset = DBResetTables(ctx, 0);
  };
  ASSERT_EQ(DBStartWorkers(ctx, 2, 2, nullptr, nullptr), 1);
  WaitForEnd(ctx);
  EXPECT_EQ(running, 1);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(reset, 0);
  EXPECT_EQ(Count(ctx, "loaded"), 1);
  scan_.onFinish = nullptr;
  Queue(ctx, "example.com", "/b");
  ASSERT_EQ(DBStartWorkers(ctx, 2, 2, nullptr, nullptr), 1);
  WaitForEnd(ctx, 2);
  EXPECT_EQ(Count(ctx, "loaded"), 2);
}

TEST_F(PoolTest, AContextFreedInsideTheFinishCallbackIsFreedAfterTheRun) {
  tagDBCONTEXT* ctx = Open("freed.fdb");
  contexts_.clear();  // freed by the run
  Queue(ctx, "example.com", "/a");
  int32_t freed = -1;
  scan_.onFinish = [&] { freed = DBFreeContext(ctx); };
  ASSERT_EQ(DBStartWorkers(ctx, 3, 3, nullptr, nullptr), 1);
  {
    std::unique_lock<std::mutex> lock(scan_.mutex);
    ASSERT_TRUE(scan_.changed.wait_for(lock, std::chrono::seconds(30),
                                       [&] { return scan_.finishes == 1; }));
  }
  EXPECT_EQ(freed, 1);
  // Once detached, the file can be opened by another program.
  std::string rows;
  for (int i = 0; i < 50 && rows.find("1") == std::string::npos; ++i) {
    std::this_thread::sleep_for(milliseconds(100));
    rows = Isql(PathOf("freed.fdb"), "SELECT COUNT(*) AS n FROM loaded;\n");
  }
  EXPECT_NE(rows.find("1"), std::string::npos) << rows;
}

// The worksheet window closes its worksheet on its own thread, inside the message that the
// finishing worker sends it and waits for.
TEST_F(PoolTest, AContextFreedFromAThreadTheFinishWaitsForIsFreedAfterTheRun) {
  tagDBCONTEXT* ctx = Open("freed-elsewhere.fdb");
  contexts_.clear();  // freed by the run
  Queue(ctx, "example.com", "/a");
  std::promise<void> finishing;
  std::promise<void> closed;
  std::future<void> finishingSeen = finishing.get_future();
  std::shared_future<void> closedSeen = closed.get_future().share();
  scan_.onFinish = [&finishing, closedSeen] {
    finishing.set_value();
    closedSeen.wait();
  };
  ASSERT_EQ(DBStartWorkers(ctx, 3, 3, nullptr, nullptr), 1);
  ASSERT_EQ(finishingSeen.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_EQ(DBFreeContext(ctx), 1);
  closed.set_value();
  // The worker's last touch of this test comes before it counts the finish.
  {
    std::unique_lock<std::mutex> lock(scan_.mutex);
    ASSERT_TRUE(scan_.changed.wait_for(lock, std::chrono::seconds(30),
                                       [&] { return scan_.finishes == 1; }));
  }
  std::string rows;
  for (int i = 0; i < 50 && rows.find("1") == std::string::npos; ++i) {
    std::this_thread::sleep_for(milliseconds(100));
    rows = Isql(PathOf("freed-elsewhere.fdb"), "SELECT COUNT(*) AS n FROM loaded;\n");
  }
  EXPECT_NE(rows.find("1"), std::string::npos) << rows;
}

TEST_F(PoolTest, AnEmptyQueueEndsQuicklyWithOneFinish) {
  tagDBCONTEXT* ctx = Open();
  ASSERT_EQ(DBStartWorkers(ctx, 10, 5, nullptr, nullptr), 1);
  EXPECT_LT(WaitForEnd(ctx), 1.5);
  std::this_thread::sleep_for(milliseconds(300));
  EXPECT_EQ(scan_.finishes, 1);
}

TEST_F(PoolTest, ARunWithoutWorkersStillEndsWithOneFinish) {
  tagDBCONTEXT* ctx = Open();
  Producer producer;
  producer.count = 2;
  ASSERT_EQ(DBStartWorkers(ctx, 0, 5, ProduceSlowly, &producer), 1);
  WaitForEnd(ctx);
  EXPECT_EQ(scan_.finishes, 1);
  EXPECT_EQ(Count(ctx, "loaded"), 2);
  Queue(ctx, "example.com", "/later");
  ASSERT_EQ(DBStartWorkers(ctx, 1, 1, nullptr, nullptr), 1);
  WaitForEnd(ctx, 2);
  EXPECT_EQ(Count(ctx, "found"), 0);
}

TEST_F(PoolTest, ARowThatCannotBeStoredIsGivenUpAndTheRunEnds) {
  tagDBCONTEXT* ctx = Open();
  SqlText poison(256);
  poison.Add("ALTER TABLE loaded ADD CONSTRAINT poison CHECK (resource <> '/poison')");
  ASSERT_EQ(DbExecute(ctx, poison, "start", "alter"), 1) << ctx->ErrorText;
  Queue(ctx, "example.com", "/poison");
  for (int i = 0; i < 4; ++i) Queue(ctx, "example.com", "/fine" + std::to_string(i));
  ASSERT_EQ(DBStartWorkers(ctx, 2, 2, nullptr, nullptr), 1);
  WaitForEnd(ctx, 1, 30);
  EXPECT_EQ(scan_.callsOf["/poison"], 3);
  EXPECT_EQ(Count(ctx, "loaded"), 4);
  EXPECT_EQ(Count(ctx, "found"), 0);
  EXPECT_NE(std::string(ctx->ErrorText).find("PROBLEM ON \"insert into loaded\""),
            std::string::npos)
      << ctx->ErrorText;
}

// Ten workers, random delays, pages that queue more links (many of them repeats) and record
// decided ones: every link ends up stored once with every occurrence.
TEST_F(PoolTest, AStressRunStoresEveryLinkOnceAndEveryOccurrence) {
  tagDBCONTEXT* ctx = Open();
  const int kLinks = 300;
  std::mutex mutex;
  std::mt19937 random(11);
  std::set<int> links = {0};
  int occurrences = 1;
  scan_.maxDelayMs = 3;
  scan_.onCheck = [&](const std::string& resource) {
    const int page = atoi(resource.c_str() + 2);
    std::vector<int> targets;
    {
      std::lock_guard<std::mutex> guard(mutex);
      const int count = static_cast<int>(random() % 9);
      for (int i = 0; i < count; ++i)
        targets.push_back(i < 2 ? (page * 2 + 1 + i) % kLinks
                                : static_cast<int>(random() % kLinks));
    }
    for (int target : targets) {
      const std::string r = "/l" + std::to_string(target);
      const std::string server = target % 3 ? "one.example" : "Two.example";
      int32_t ok;
      if (target % 7 == 3) {
        ok = DBAddLinkProcessed(ctx, 1, "", "", server.c_str(), 80, r.c_str(), "", "", 2, 0, "",
                                "Skipped", "", "", "", "", "", 7, 0, 0, resource.c_str(), "", 1, 1,
                                0, 1);
      } else {
        ok = DBAddLinkFound(ctx, 1, "", "", server.c_str(), 80, r.c_str(), "", "", 2, 0,
                            resource.c_str(), "", 1, 1, 0, 1);
      }
      EXPECT_EQ(ok, 1) << ctx->ErrorText;
      std::lock_guard<std::mutex> guard(mutex);
      links.insert(target);
      ++occurrences;
    }
  };
  Queue(ctx, "one.example", "/l0");
  ASSERT_EQ(DBStartWorkers(ctx, 10, 4, nullptr, nullptr), 1);
  WaitForEnd(ctx, 1, 240);
  EXPECT_FALSE(scan_.sameLinkTwice);
  for (const auto& calls : scan_.callsOf) EXPECT_EQ(calls.second, 1) << calls.first;
  EXPECT_EQ(Count(ctx, "loaded"), static_cast<int32_t>(links.size()));
  EXPECT_EQ(Count(ctx, "report"), occurrences);
  EXPECT_EQ(Count(ctx, "found"), 0);
}

}  // namespace
