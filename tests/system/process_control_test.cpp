#include "system/process_control.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "base/win_handles.h"
#include "package/aftermath_helper.h"
#include "stand_in_client.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

int RunningClientCount() {
  HANDLE rawSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (rawSnapshot == INVALID_HANDLE_VALUE) return -1;
  const UniqueHandle snapshot(rawSnapshot);
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  int count = 0;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    if (_wcsicmp(entry.szExeFile, L"TavoraStudent.exe") == 0) ++count;
  }
  return count;
}

// Whether this process's token holds SeDebugPrivilege, and whether it is enabled.
void DebugPrivilegeState(bool& held, bool& enabled) {
  held = enabled = false;
  HANDLE rawToken = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return;
  const UniqueHandle token(rawToken);
  DWORD bytes = 0;
  GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &bytes);
  std::string buffer(bytes, '\0');
  if (!GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), bytes, &bytes)) return;
  LUID debug = {};
  LookupPrivilegeValueW(nullptr, SE_DEBUG_NAME, &debug);
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    const LUID_AND_ATTRIBUTES& privilege = privileges->Privileges[i];
    if (privilege.Luid.LowPart == debug.LowPart && privilege.Luid.HighPart == debug.HighPart) {
      held = true;
      enabled = (privilege.Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
  }
}

class ClientProcess : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(RunningClientCount(), 0) << "a client from elsewhere is running"; }
  CAftermathHelper helper;
};

TEST_F(ClientProcess, RunningClientIsTerminatedAndWaitedFor) {
  StandInClient client(StandInClientPath());
  ASSERT_TRUE(client.Running());

  EXPECT_TRUE(helper.KillClientProcess());
  EXPECT_TRUE(client.WaitForExit(0)) << "gone by the time the call returns";
  EXPECT_EQ(client.ExitCode(), 1u);
  EXPECT_EQ(RunningClientCount(), 0);
}

TEST_F(ClientProcess, StoppingTellsWhetherTheClientIsGone) {
  EXPECT_EQ(StopRunningClient(), ClientStop::kNoneRunning);
  StandInClient client(StandInClientPath());
  ASSERT_TRUE(client.Running());
  EXPECT_EQ(StopRunningClient(), ClientStop::kStopped);
  EXPECT_TRUE(client.WaitForExit(0));
}

TEST_F(ClientProcess, NoClientRunningReturnsFalseWithoutWaiting) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(helper.KillClientProcess());
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, std::chrono::milliseconds(500));
}

TEST_F(ClientProcess, ImageNameMatchesInAnyLetterCase) {
  TempFolder temp;
  const fs::path renamed = temp / "tavorastudent.EXE";
  fs::copy_file(StandInClientPath(), renamed);
  StandInClient client(renamed.wstring());
  ASSERT_TRUE(client.Running());

  EXPECT_TRUE(helper.KillClientProcess());
  EXPECT_TRUE(client.WaitForExit(0));
  EXPECT_EQ(client.ExitCode(), 1u);
}

TEST_F(ClientProcess, ACallerRunningUnderTheClientsNameNeverStopsItself) {
  TempFolder temp;  // the caller's current folder, in case it logs
  StandInClient caller(StandInClientPath(), L"kill-clients", temp.path().wstring());
  ASSERT_TRUE(caller.Started());
  ASSERT_TRUE(caller.WaitForExit(20000));
  EXPECT_EQ(caller.ExitCode(), 10u) << "found no other client and was not terminated itself (that exits with 1)";
}

TEST_F(ClientProcess, ACallerRunningUnderTheClientsNameStopsTheOtherClient) {
  TempFolder temp;
  StandInClient client(StandInClientPath());
  ASSERT_TRUE(client.Running());
  StandInClient caller(StandInClientPath(), L"kill-clients", temp.path().wstring());
  ASSERT_TRUE(caller.Started());
  ASSERT_TRUE(caller.WaitForExit(20000));
  EXPECT_EQ(caller.ExitCode(), 11u);
  EXPECT_TRUE(client.WaitForExit(0));
  EXPECT_EQ(client.ExitCode(), 1u);
}

TEST_F(ClientProcess, OnlyTheFirstRunningClientIsStopped) {
  StandInClient first(StandInClientPath());
  StandInClient second(StandInClientPath());
  ASSERT_TRUE(first.Running());
  ASSERT_TRUE(second.Running());

  EXPECT_TRUE(helper.KillClientProcess());
  EXPECT_EQ(RunningClientCount(), 1);
  EXPECT_NE(first.Running(), second.Running());
}

TEST_F(ClientProcess, ProcessThatCannotBeTerminatedIsNotWaitedFor) {
  TempFolder temp;
  temp.MakeCurrent();  // the failure is logged in ./quill.log
  StandInClient client(StandInClientPath());
  ASSERT_TRUE(client.Running());
  // A handle without the right to terminate: TerminateProcess fails, and the process would
  // never report an exit.
  const UniqueHandle limited(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, client.Id()));
  ASSERT_TRUE(limited);

  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(TerminateAndWaitForExit(limited.get(), 30000));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_TRUE(client.Running());
  const std::string log = ReadFileBytes(temp / "quill.log");
  EXPECT_NE(log.find(" dbg TerminateProcess error : 5\r\n"), std::string::npos) << log;
}

TEST_F(ClientProcess, TerminationWaitsForTheExitWithinTheBound) {
  StandInClient client(StandInClientPath());
  ASSERT_TRUE(client.Running());
  const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, client.Id()));
  ASSERT_TRUE(process);

  EXPECT_TRUE(TerminateAndWaitForExit(process.get(), kClientExitWaitMs));
  EXPECT_TRUE(client.WaitForExit(0));
  EXPECT_EQ(client.ExitCode(), 1u);
}

TEST_F(ClientProcess, NoPrivilegeIsAdjustedOnCurrentWindowsVersions) {
  bool held = false;
  bool enabled = false;
  DebugPrivilegeState(held, enabled);
  ASSERT_FALSE(enabled) << "a new process starts with the privilege disabled";
  StandInClient client(StandInClientPath());
  ASSERT_TRUE(client.Running());

  EXPECT_TRUE(helper.KillClientProcess());
  DebugPrivilegeState(held, enabled);
  EXPECT_FALSE(enabled);
}

TEST(DebugPrivilege, ResultTellsWhetherThePrivilegeIsNowEnabled) {
  bool held = false;
  bool enabled = false;
  DebugPrivilegeState(held, enabled);
  CAftermathHelper helper;
  const bool granted = helper.EnableDebugPrivilege();
  EXPECT_EQ(granted, held);
  DebugPrivilegeState(held, enabled);
  EXPECT_EQ(enabled, granted);
}

}  // namespace
