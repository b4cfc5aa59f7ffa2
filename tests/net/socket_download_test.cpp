#include "net/socket_download.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <thread>

#include "net/download_messages.h"
#include "support/download_text.h"
#include "support/refusing_queue.h"
#include "support/scripted_http_server.h"
#include "support/temp_folder.h"

namespace {

using Reply = ScriptedHttpServer::Reply;
using Clock = std::chrono::steady_clock;

std::string Body(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + (i * 7 + i / 26) % 26);
  return bytes;
}

std::string ExpectedRequest(const std::string& target, const std::string& hostText, long long from = 0) {
  return "GET " + target + " HTTP/1.1\r\nUser-Agent: libavformat_http0.2\r\nAccept: */*\r\n"
         "Range: bytes=" + std::to_string(from) + "-\r\nHost: " + hostText + "\r\nConnection: close\r\n\r\n";
}

WPARAM Sum(const std::vector<WPARAM>& sizes) { return std::accumulate(sizes.begin(), sizes.end(), WPARAM(0)); }

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class SocketDownload : public ::testing::Test {
 protected:
  void SetUp() override {
    window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    downloader = std::make_unique<CSocketDownload>(window);
  }
  void TearDown() override { DestroyWindow(window); }

  // wParam of every progress message posted so far, in order.
  std::vector<WPARAM> Progress() { return TakeQueuedProgress(window); }

  bool Download(const std::string& url) {
    return downloader->Download(Wide(url), (temp.path() / L"a.dll.gz").wstring(), &stopFlag);
  }
  std::string Written() { return ReadFileBytes(temp / "a.dll.gz"); }
  std::wstring FailureLine(int code, const std::string& url) {
    return L"Download File Failed, errorcode (" + std::to_wstring(code) + L"), file name (" + Wide(url) + L")\r\n";
  }

  TempFolder temp;
  HWND window = nullptr;
  std::unique_ptr<CSocketDownload> downloader;
  std::atomic<uint8_t> stopFlag{0};
};

}  // namespace

TEST_F(SocketDownload, BodyWithLengthIsWrittenAndTheRequestIsExact) {
  const std::string body = Body(20000);
  // The first 100 body bytes travel with the header; they are told to the window too.
  ScriptedHttpServer server({Reply()
                                 .Send("HTTP/1.1 200 OK\r\nContent-Length: 20000\r\n\r\n" + body.substr(0, 100))
                                 .Pause(200)
                                 .Send(body.substr(100))});
  const std::string url = server.Url("/pkg/a-0123456789abcdef.dll.gz?v=1");
  ASSERT_TRUE(Download(url));
  EXPECT_EQ(Written(), body);
  EXPECT_EQ(downloader->m_errorText, L"");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0],
            ExpectedRequest("/pkg/a-0123456789abcdef.dll.gz?v=1", "127.0.0.1:" + std::to_string(server.Port())));

  const std::vector<WPARAM> progress = Progress();
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(Sum(progress), 20000u);
  for (WPARAM size : progress) EXPECT_GT(size, 0u);
  EXPECT_EQ(downloader->m_bytesTotal, 20000);
  EXPECT_GT(downloader->m_bytesLast, 0);
}

TEST_F(SocketDownload, LargeBodyIsReportedInFewReportsThatAddUp) {
  const std::string body = Body(3 * 1024 * 1024 + 123);
  ScriptedHttpServer server({Reply()
                                 .Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n")
                                 .Pause(200)
                                 .Trickle(body, 16 * 1024, 2)});
  const auto start = Clock::now();
  ASSERT_TRUE(Download(server.Url("/big.gz")));
  const long long elapsed = MillisecondsSince(start);
  EXPECT_EQ(Written(), body);
  const std::vector<WPARAM> progress = Progress();
  EXPECT_GE(progress.size(), 2u) << "the bar moves during the body, not only at its end";
  // One report per interval, the first at once, and what is left after the last block.
  EXPECT_LE(progress.size(), static_cast<size_t>(elapsed / kProgressReportIntervalMs + 2));
  EXPECT_EQ(std::accumulate(progress.begin(), progress.end(), WPARAM(0)), body.size());
  EXPECT_EQ(downloader->m_bytesTotal, static_cast<int32_t>(body.size()));
}

TEST_F(SocketDownload, BytesTotalGrowsAcrossDownloads) {
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n").Pause(200).Send(Body(5000)),
                             Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 3000\r\n\r\n").Pause(200).Send(Body(3000))});
  ASSERT_TRUE(Download(server.Url("/one.gz")));
  ASSERT_TRUE(Download(server.Url("/two.gz")));
  EXPECT_EQ(downloader->m_bytesTotal, 8000);
  EXPECT_EQ(Written(), Body(3000));
}

TEST_F(SocketDownload, NullWindowPostsNothingAndStillDownloads) {
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 9000\r\n\r\n").Pause(200).Send(Body(9000))});
  CSocketDownload silent(nullptr);
  ASSERT_TRUE(silent.Download(Wide(server.Url("/f.gz")), (temp.path() / L"a.dll.gz").wstring(), &stopFlag));
  EXPECT_EQ(Written(), Body(9000));
  EXPECT_EQ(silent.m_bytesTotal, 9000);
  MSG message;
  EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_DOWNLOAD_PROGRESS, WM_DOWNLOAD_PROGRESS, PM_REMOVE));
}

TEST_F(SocketDownload, BodyWithoutLengthIsWrittenButFails) {
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 200 OK\r\n\r\n").Pause(50).Send(Body(6000))});
  const std::string url = server.Url("/f.gz");
  EXPECT_FALSE(Download(url));
  EXPECT_EQ(Written(), Body(6000));
  EXPECT_EQ(downloader->m_errorText, FailureLine(-100, url));
  EXPECT_EQ(server.ConnectionCount(), 1);
}

TEST_F(SocketDownload, ChunkedBodyIsWrittenRawAndFails) {
  const std::string chunked = "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n";
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n").Pause(50).Send(chunked)});
  const std::string url = server.Url("/f.gz");
  EXPECT_FALSE(Download(url));
  EXPECT_EQ(Written(), chunked);
  EXPECT_EQ(downloader->m_errorText, FailureLine(-100, url));
}

TEST_F(SocketDownload, ZeroLengthWritesAnEmptyFileAndFails) {
  WriteFileBytes(temp / "a.dll.gz", "older content");
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n")});
  const std::string url = server.Url("/f.gz");
  EXPECT_FALSE(Download(url));
  EXPECT_EQ(Written(), "");
  EXPECT_EQ(downloader->m_errorText, FailureLine(-100, url));
}

TEST_F(SocketDownload, RedirectUsesHostOfNewLocation) {
  ScriptedHttpServer target({Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nDATA")});
  const std::string location = target.Url("/moved/f-0123.gz?token=a/b");
  ScriptedHttpServer origin({Reply().Send("HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n")});
  const auto start = Clock::now();
  ASSERT_TRUE(Download(origin.Url("/f.gz")));
  EXPECT_GE(MillisecondsSince(start), 95) << "a redirect waits 100 ms";
  EXPECT_EQ(Written(), "DATA");
  EXPECT_EQ(origin.ConnectionCount(), 1);
  ASSERT_EQ(target.Requests().size(), 1u);
  EXPECT_EQ(target.Requests()[0],
            ExpectedRequest("/moved/f-0123.gz?token=a/b", "127.0.0.1:" + std::to_string(target.Port())));
}

TEST_F(SocketDownload, SeeOtherIsFollowedToo) {
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 303 See Other\r\nLocation: /other.gz\r\n\r\n"),
                             Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK")});
  ASSERT_TRUE(Download(server.Url("/f.gz")));
  EXPECT_EQ(Written(), "OK");
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(server.Requests()[1].substr(0, 20), "GET /other.gz HTTP/1");
}

TEST_F(SocketDownload, LocationOfAnAnswerThatIsNoRedirectIsIgnored) {
  // Neither a location that names no URL nor one longer than the location buffer matters
  // when the status is not a 302 or 303.
  const std::string overlong = "http://127.0.0.1:1/" + std::string(5000, 'l');
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 200 OK\r\nLocation: elsewhere/f.gz\r\nContent-Length: 4\r\n\r\nDATA"),
                             Reply().Send("HTTP/1.1 200 OK\r\nLocation: " + overlong + "\r\nContent-Length: 4\r\n\r\nMORE"),
                             Reply().Send("HTTP/1.1 404 Not Found\r\nLocation: elsewhere/f.gz\r\nContent-Length: 2\r\n\r\nno")});
  ASSERT_TRUE(Download(server.Url("/f.gz")));
  EXPECT_EQ(Written(), "DATA");
  ASSERT_TRUE(Download(server.Url("/g.gz")));
  EXPECT_EQ(Written(), "MORE");
  EXPECT_EQ(downloader->m_errorText, L"");
  const std::string url = server.Url("/h.gz");
  EXPECT_FALSE(Download(url));
  EXPECT_EQ(downloader->m_errorText, FailureLine(-99, url));
  EXPECT_EQ(server.ConnectionCount(), 3);
}

TEST_F(SocketDownload, PermanentAndTemporaryRedirectsAreNotFollowed) {
  for (const char* status : {"301 Moved Permanently", "307 Temporary Redirect"}) {
    ScriptedHttpServer server({Reply().Send(std::string("HTTP/1.1 ") + status + "\r\nLocation: /x.gz\r\nContent-Length: 5\r\n\r\nmoved"),
                               Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK")});
    const std::string url = server.Url("/f.gz");
    downloader->m_errorText.clear();
    EXPECT_FALSE(Download(url)) << status;
    EXPECT_EQ(downloader->m_errorText, FailureLine(-99, url)) << status;
    EXPECT_EQ(server.ConnectionCount(), 1) << status;
  }
}

TEST_F(SocketDownload, RedirectWithoutLocationIsRefused) {
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 302 Found\r\nContent-Length: 5\r\n\r\nmoved")});
  const std::string url = server.Url("/f.gz");
  EXPECT_FALSE(Download(url));
  EXPECT_EQ(downloader->m_errorText, FailureLine(-99, url));
}

TEST_F(SocketDownload, UnauthorizedWithLengthGivesOne) {
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 401 Unauthorized\r\nContent-Length: 6\r\n\r\ndenied")});
  const std::string url = server.Url("/f.gz");
  EXPECT_FALSE(Download(url));
  EXPECT_EQ(downloader->m_errorText, FailureLine(1, url));
  EXPECT_EQ(server.ConnectionCount(), 1);
}

TEST_F(SocketDownload, UnauthorizedWithoutLengthGivesNoLength) {
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 401 Unauthorized\r\n\r\n")});
  const std::string url = server.Url("/f.gz");
  EXPECT_FALSE(Download(url));
  EXPECT_EQ(downloader->m_errorText, FailureLine(-100, url));
}

TEST_F(SocketDownload, NotFoundIsRefusedOnceAndNotRetried) {
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"),
                             Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK")});
  const std::string url = server.Url("/f.gz");
  EXPECT_FALSE(Download(url));
  EXPECT_EQ(downloader->m_errorText, FailureLine(-99, url));
  EXPECT_EQ(server.ConnectionCount(), 1);
  EXPECT_EQ(Written(), "") << "the body of a refusal is not written";
}

TEST_F(SocketDownload, NotFoundWithoutLengthGivesNoLength) {
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 404 Not Found\r\n\r\nnot found")});
  const std::string url = server.Url("/f.gz");
  EXPECT_FALSE(Download(url));
  EXPECT_EQ(downloader->m_errorText, FailureLine(-100, url));
}

TEST_F(SocketDownload, EightRedirectsUseUpTheAttempts) {
  std::vector<Reply> replies;
  for (int i = 0; i < 9; ++i) {
    replies.push_back(Reply().Send("HTTP/1.1 302 Found\r\nLocation: /hop" + std::to_string(i) +
                                   ".gz\r\nContent-Length: 5\r\n\r\nmoved"));
  }
  ScriptedHttpServer server(replies);
  const auto start = Clock::now();
  // The last response announced a positive length, so the fetch counts as a success.
  EXPECT_TRUE(Download(server.Url("/f.gz")));
  EXPECT_GE(MillisecondsSince(start), 760) << "each attempt waits 100 ms";
  EXPECT_EQ(server.ConnectionCount(), 8);
  EXPECT_EQ(Written(), "");
  EXPECT_EQ(downloader->m_errorText, L"");
  EXPECT_EQ(server.Requests()[7].substr(0, 19), "GET /hop6.gz HTTP/1");
}

TEST_F(SocketDownload, EightRedirectsWithoutLengthGiveNoLength) {
  std::vector<Reply> replies;
  for (int i = 0; i < 8; ++i) replies.push_back(Reply().Send("HTTP/1.1 302 Found\r\nLocation: /again.gz\r\n\r\n"));
  ScriptedHttpServer server(replies);
  const std::string url = server.Url("/f.gz");
  EXPECT_FALSE(Download(url));
  EXPECT_EQ(server.ConnectionCount(), 8);
  EXPECT_EQ(downloader->m_errorText, FailureLine(-100, url));
}

TEST_F(SocketDownload, HeaderExchangeFailuresAreRetried) {
  // Two connections closed before a full header, then an answer.
  ScriptedHttpServer server({Reply(), Reply().Send("HTTP/1.1 200 OK\r\nContent-"),
                             Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc")});
  ASSERT_TRUE(Download(server.Url("/f.gz")));
  EXPECT_EQ(Written(), "abc");
  EXPECT_EQ(server.ConnectionCount(), 3);
}

TEST_F(SocketDownload, CutBodyIsResumedFromTheBytesWritten) {
  const std::string body = Body(10000);
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n").Pause(50).Send(body.substr(0, 6000)),
                             Reply().Send("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 6000-9999/10000\r\n"
                                          "Content-Length: 4000\r\n\r\n").Pause(50).Send(body.substr(6000))});
  const std::string url = server.Url("/f.gz");
  ASSERT_TRUE(Download(url));
  EXPECT_EQ(Written(), body);
  const std::string hostText = "127.0.0.1:" + std::to_string(server.Port());
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(server.Requests()[0], ExpectedRequest("/f.gz", hostText));
  EXPECT_EQ(server.Requests()[1], ExpectedRequest("/f.gz", hostText, 6000));
  EXPECT_EQ(Sum(Progress()), 10000u);
  EXPECT_EQ(downloader->m_bytesTotal, 10000);
}

TEST_F(SocketDownload, CutBodyAnsweredWithAnyOtherPartStartsTheFileAgain) {
  // A 200 and a part that does not begin where the file ends both carry the file from its
  // first byte; the window hears of each byte once.
  const std::string body = Body(10000);
  for (const std::string& again : {std::string("HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n"),
                                   std::string("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-9999/10000\r\n\r\n")}) {
    ScriptedHttpServer server({Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n").Pause(50).Send(body.substr(0, 7000)),
                               Reply().Send(again).Pause(50).Send(body)});
    const int32_t before = downloader->m_bytesTotal;
    ASSERT_TRUE(Download(server.Url("/f.gz"))) << again;
    EXPECT_EQ(Written(), body) << again;
    EXPECT_EQ(server.ConnectionCount(), 2) << again;
    EXPECT_EQ(Sum(Progress()), 10000u) << again;
    EXPECT_EQ(downloader->m_bytesTotal - before, 10000) << again;
  }
}

TEST_F(SocketDownload, BodyCutAtEveryAttemptEndsAfterTheEighthAsReceived) {
  const std::string body = Body(10000);
  std::vector<Reply> replies(1, Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n").Pause(50).Send(body.substr(0, 1000)));
  for (int i = 1; i < 9; ++i) {
    const size_t from = 1000 * static_cast<size_t>(i);
    replies.push_back(Reply()
                          .Send("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + std::to_string(from) + "-9999/10000\r\n\r\n")
                          .Pause(50)
                          .Send(body.substr(from, 1000)));
  }
  ScriptedHttpServer server(replies);
  // The length is not compared once the attempts are used up; the worker's check finds the short file.
  EXPECT_TRUE(Download(server.Url("/f.gz")));
  EXPECT_EQ(server.ConnectionCount(), 8);
  EXPECT_EQ(Written(), body.substr(0, 8000));
  EXPECT_EQ(Sum(Progress()), 8000u);
}

TEST_F(SocketDownload, ResumeAfterAFailedConnectionAsksFromTheSameByte) {
  const std::string body = Body(5000);
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n").Pause(50).Send(body.substr(0, 2000)),
                             Reply(),
                             Reply().Send("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 2000-4999/5000\r\n\r\n" + body.substr(2000))});
  ASSERT_TRUE(Download(server.Url("/f.gz")));
  EXPECT_EQ(Written(), body);
  ASSERT_EQ(server.Requests().size(), 3u);
  EXPECT_NE(server.Requests()[1].find("Range: bytes=2000-\r\n"), std::string::npos);
  EXPECT_NE(server.Requests()[2].find("Range: bytes=2000-\r\n"), std::string::npos);
}

TEST_F(SocketDownload, HeaderBytesWithTheHighBitSetAreAccepted) {
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 200 OK\r\nContent-Disposition: attachment; filename=\"\xe6\x96\x87\xe4\xbb\xb6.gz\"\r\n"
                                          "Content-Length: 4\r\n\r\nDATA")});
  ASSERT_TRUE(Download(server.Url("/f.gz")));
  EXPECT_EQ(Written(), "DATA");
  EXPECT_EQ(server.ConnectionCount(), 1);
}

TEST_F(SocketDownload, StopFlagDuringSlowBodyEndsWithFourPromptly) {
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n").Trickle(Body(100000), 100, 50)});
  const std::string url = server.Url("/f.gz");
  std::thread stopper([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    stopFlag = 1;
  });
  const auto start = Clock::now();
  EXPECT_FALSE(Download(url));
  const long long elapsed = MillisecondsSince(start);
  stopper.join();
  EXPECT_GE(elapsed, 400);
  EXPECT_LT(elapsed, 400 + 600) << "the flag is seen before the next block";
  EXPECT_EQ(downloader->m_errorText, FailureLine(4, url));
  EXPECT_GT(Written().size(), 0u);
  EXPECT_LT(Written().size(), 100000u);
}

TEST_F(SocketDownload, StopFlagDuringSilentBodyEndsWithFourPromptly) {
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n").Pause(50).Send(Body(500)).Pause(20000)});
  const std::string url = server.Url("/f.gz");
  std::thread stopper([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    stopFlag = 1;
  });
  const auto start = Clock::now();
  EXPECT_FALSE(Download(url));
  const long long elapsed = MillisecondsSince(start);
  stopper.join();
  EXPECT_LT(elapsed, 400 + 600) << "a silent server does not hold the stop back";
  EXPECT_EQ(downloader->m_errorText, FailureLine(4, url));
}

TEST_F(SocketDownload, StopFlagSetBeforehandConnectsNowhere) {
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK")});
  stopFlag = 1;
  const std::string url = server.Url("/f.gz");
  EXPECT_FALSE(Download(url));
  EXPECT_EQ(downloader->m_errorText, FailureLine(4, url));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(server.ConnectionCount(), 0);
}

TEST_F(SocketDownload, RefusedConnectionIsRetriedEightTimes) {
  const std::string url = "http://127.0.0.1:" + std::to_string(UnusedLocalPort()) + "/f.gz";
  const auto start = Clock::now();
  EXPECT_FALSE(Download(url));
  const long long elapsed = MillisecondsSince(start);
  EXPECT_GE(elapsed, 760) << "each attempt waits 100 ms";
  EXPECT_LT(elapsed, 20000);
  EXPECT_EQ(downloader->m_errorText, FailureLine(-100, url));
}

TEST_F(SocketDownload, UnwritableLocalFileGivesItsOwnLine) {
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK")});
  const std::string url = server.Url("/f.gz");
  EXPECT_FALSE(downloader->Download(Wide(url), (temp.path() / L"missing" / L"a.gz").wstring(), &stopFlag));
  EXPECT_EQ(downloader->m_errorText, L"Download File Failed, cant write to local, file name (" + Wide(url) + L")\r\n");
  EXPECT_EQ(server.ConnectionCount(), 0);
}

TEST_F(SocketDownload, UrlWithoutSchemeOrPathFailsWithALine) {
  for (const std::string& url : {std::string("127.0.0.1/f.gz"), std::string("http://127.0.0.1:1")}) {
    downloader->m_errorText.clear();
    const auto start = Clock::now();
    EXPECT_FALSE(Download(url)) << url;
    EXPECT_LT(MillisecondsSince(start), 500) << "nothing to retry (eight attempts take 800 ms)";
    EXPECT_EQ(downloader->m_errorText, FailureLine(-101, url));
  }
}

TEST_F(SocketDownload, RequestLongerThanItsBufferFailsWithALine) {
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK")});
  const std::string url = server.Url("/" + std::string(2000, 'p') + ".gz");
  EXPECT_FALSE(Download(url));
  EXPECT_EQ(downloader->m_errorText, FailureLine(-101, url));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(server.ConnectionCount(), 0);
}

TEST_F(SocketDownload, LocationLongerThanItsBufferFailsWithALine) {
  const std::string location = "http://127.0.0.1:1/" + std::string(3000, 'l');
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 302 Found\r\nLocation: " + location + "\r\n\r\n"),
                             Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK")});
  const std::string url = server.Url("/f.gz");
  EXPECT_FALSE(Download(url));
  EXPECT_EQ(downloader->m_errorText, FailureLine(-101, url));
  EXPECT_EQ(server.ConnectionCount(), 1);
}

namespace {

// Sends every URL to the proxy at port, and keeps the URLs it was asked about.
struct FixedProxy {
  CSocketDownload::ProxyLookup Lookup(int port) {
    return [this, port](const std::string& url) {
      asked.push_back(url);
      ProxyRoute route;
      route.proxy = ProxyServer{"127.0.0.1", port};
      route.how = "test proxy";
      return route;
    };
  }
  std::vector<std::string> asked;
};

}  // namespace

TEST_F(SocketDownload, ThroughAProxyOnlyTheRequestLineChanges) {
  ScriptedHttpServer proxy({Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nDATA")});
  FixedProxy settings;
  CSocketDownload proxied(window, settings.Lookup(proxy.Port()));
  const std::string url = "http://files.school.example:8080/pkg/a-0123456789abcdef.dll.gz?v=1";
  ASSERT_TRUE(proxied.Download(Wide(url), (temp.path() / L"a.dll.gz").wstring(), &stopFlag));
  EXPECT_EQ(Written(), "DATA");
  ASSERT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(proxy.Requests()[0], ExpectedRequest(url, "files.school.example:8080"));
  EXPECT_EQ(settings.asked, std::vector<std::string>{url});
}

TEST_F(SocketDownload, RedirectLocationIsRoutedAgain) {
  ScriptedHttpServer proxy({Reply().Send("HTTP/1.1 302 Found\r\nLocation: http://mirror.example/b.gz\r\nContent-Length: 0\r\n\r\n"),
                            Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK")});
  FixedProxy settings;
  CSocketDownload proxied(window, settings.Lookup(proxy.Port()));
  ASSERT_TRUE(proxied.Download(L"http://files.example/a.gz", (temp.path() / L"a.dll.gz").wstring(), &stopFlag));
  EXPECT_EQ(settings.asked, (std::vector<std::string>{"http://files.example/a.gz", "http://mirror.example/b.gz"}));
  ASSERT_EQ(proxy.Requests().size(), 2u);
  EXPECT_EQ(proxy.Requests()[1], ExpectedRequest("http://mirror.example/b.gz", "mirror.example"));
}

TEST_F(SocketDownload, ProxyAuthenticationRequiredEndsAtOnceWithItsOwnCode) {
  ScriptedHttpServer proxy({Reply().Send("HTTP/1.1 407 Proxy Authentication Required\r\n"
                                         "Proxy-Authenticate: Basic realm=\"school\"\r\nContent-Length: 6\r\n\r\ndenied"),
                            Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK")});
  FixedProxy settings;
  CSocketDownload proxied(window, settings.Lookup(proxy.Port()));
  const std::string url = "http://files.example/a.gz";
  EXPECT_FALSE(proxied.Download(Wide(url), (temp.path() / L"a.dll.gz").wstring(), &stopFlag));
  EXPECT_EQ(proxied.m_errorText, FailureLine(kFetchProxyUnauthorized, url));
  EXPECT_EQ(proxy.ConnectionCount(), 1);
  EXPECT_EQ(Written(), "");
}

TEST_F(SocketDownload, UnreachableProxyIsAFailedConnection) {
  FixedProxy settings;
  CSocketDownload proxied(window, settings.Lookup(UnusedLocalPort()));
  const std::string url = "http://files.example/a.gz";
  EXPECT_FALSE(proxied.Download(Wide(url), (temp.path() / L"a.dll.gz").wstring(), &stopFlag));
  EXPECT_EQ(proxied.m_errorText, FailureLine(-100, url)) << "eight failed connections, as without a proxy";
}
