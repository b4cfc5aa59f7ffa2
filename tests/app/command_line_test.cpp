#include "app/command_line.h"

#include <gtest/gtest.h>

TEST(RunMode, UninstallIsTheWholeCommandLineInAnyCase) {
  EXPECT_TRUE(IsUninstallCommand(L"uninstall"));
  EXPECT_TRUE(IsUninstallCommand(L"UNINSTALL"));
  EXPECT_TRUE(IsUninstallCommand(L"UnInstall"));
  EXPECT_FALSE(IsUninstallCommand(L"uninstall /quiet"));
  EXPECT_FALSE(IsUninstallCommand(L" uninstall"));
  EXPECT_FALSE(IsUninstallCommand(L""));
}

TEST(RunMode, TempCopyIsAnyPathContainingTwoOrThreeDotExe) {
  EXPECT_TRUE(IsTempCopyPath(L"C:\\Temp\\TavoraStudentInstaller2.exe"));
  EXPECT_TRUE(IsTempCopyPath(L"C:\\Temp\\Setup 2.exe"));
  EXPECT_TRUE(IsTempCopyPath(L"C:\\Downloads\\SETUP3.EXE"));
  EXPECT_TRUE(IsTempCopyPath(L"C:\\old3.exe\\Setup.exe"));
  EXPECT_FALSE(IsTempCopyPath(L"C:\\Users\\a\\TavoraStudentInstaller.exe"));
  EXPECT_FALSE(IsTempCopyPath(L"C:\\v2\\Setup4.exe"));
}

TEST(RunMode, TempCopyNameAppendsTwoAfterRemovingLowerCaseExe) {
  EXPECT_EQ(TempCopyFileName(L"Inst.exe"), L"Inst2.exe");
  EXPECT_EQ(TempCopyFileName(L"Inst2.exe"), L"Inst2.exe");
  EXPECT_EQ(TempCopyFileName(L"INST2.EXE"), L"INST2.EXE");
  EXPECT_EQ(TempCopyFileName(L"INST.EXE"), L"INST.EXE2.exe");
  EXPECT_EQ(TempCopyFileName(L"a.exe.exe"), L"a.exe2.exe");
  EXPECT_EQ(TempCopyFileName(L"setup"), L"setup2.exe");
  EXPECT_EQ(TempCopyFileName(L"TavoraStudentInstaller.exe"), L"TavoraStudentInstaller2.exe");
}
