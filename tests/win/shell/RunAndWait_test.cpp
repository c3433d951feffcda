// RunAndWait with a real child process under Wine.
#include <gtest/gtest.h>

#include "WinTestUtil.h"
#include "platform/win32/WinHeader.h"
#include "shell/RunAndWaitUnit.h"

namespace {

class RunAndWaitTest : public ::testing::Test {
 protected:
  std::string Child() const { return ExeDir() + "\\bw_test_child.exe"; }
  std::string Report() const { return Dir.Path() + "\\report.txt"; }
  TTempDir Dir;
};

TEST_F(RunAndWaitTest, ExitCodeAndArguments) {
  EXPECT_EQ(RunAndWait(Child() + " 42 " + Report() + " alpha /S -x"), 42);
  std::string report = ReadWholeFile(Report());
  EXPECT_NE(report.find("arg=alpha\narg=/S\narg=-x\n"), std::string::npos) << report;
  EXPECT_EQ(RunAndWait(Child() + " 0 " + Report()), 0);
  EXPECT_EQ(RunAndWait(Child() + " 259 " + Report()), 259);
}

TEST_F(RunAndWaitTest, MissingProgramGives259) {
  EXPECT_EQ(RunAndWait(Dir.Path() + "\\no-such-program.exe /x"), 259);
  EXPECT_EQ(RunAndWait(""), 259);
}

TEST_F(RunAndWaitTest, ChildRunsInTheCallersCurrentDirectory) {
  char old[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, old);
  ASSERT_TRUE(SetCurrentDirectoryA(Dir.Path().c_str()));
  int code = RunAndWait(Child() + " 0 report.txt");
  SetCurrentDirectoryA(old);
  ASSERT_EQ(code, 0);
  std::string report = ReadWholeFile(Report());
  std::string expected = "cwd=" + Dir.Path() + "\n";
  EXPECT_EQ(CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, report.c_str(),
                           static_cast<int>(expected.size()), expected.c_str(),
                           static_cast<int>(expected.size())),
            CSTR_EQUAL)
      << report;
}

}  // namespace
