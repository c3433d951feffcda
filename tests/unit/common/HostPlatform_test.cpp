#include "platform/HostPlatform.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "PackageTestUtil.h"
#include "common/Errors.h"

using testutil::TTempDir;

namespace {

TEST(HostFileTest, ModesAndErrors) {
  TTempDir dir;
  const std::string path = dir / "f.bin";
  try {
    OpenHostFile(dir / "missing", TFileMode::OpenRead);
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, 2);  // ENOENT and ERROR_FILE_NOT_FOUND alike
    EXPECT_NE(std::string(e.what()).find("missing"), std::string::npos);
  }
  EXPECT_THROW(OpenHostFile(dir / "missing", TFileMode::Append), EInOutError);
  {
    auto f = OpenHostFile(path, TFileMode::Create);
    f->Write("hello world", 11);
    // A second opener may read while the first still writes.
    auto reader = OpenHostFile(path, TFileMode::OpenRead);
    char buf[32];
    EXPECT_EQ(reader->Read(buf, sizeof buf), 11u);  // short only at the end
    EXPECT_THROW(reader->Write("x", 1), EInOutError);
    f->Close();
    f->Close();  // idempotent
  }
  {
    auto f = OpenHostFile(path, TFileMode::Append);
    EXPECT_EQ(f->Position(), 11);
    f->Write("!", 1);
    f->Seek(6);
    char buf[5];
    EXPECT_EQ(f->Read(buf, 5), 5u);
    EXPECT_EQ(std::string(buf, 5), "world");
  }
  EXPECT_EQ(testutil::ReadFile(path), "hello world!");
  OpenHostFile(path, TFileMode::Create)->Close();  // truncates
  EXPECT_EQ(testutil::ReadFile(path), "");
  EXPECT_THROW(OpenHostFile(dir.Path().string(), TFileMode::OpenRead), EInOutError);
}

TEST(HostPlatformTest, FoldersAndNeutralAnswers) {
  TTempDir dir;
  THostPlatform p;
  EXPECT_FALSE(p.CreateDir(dir / "a/b"));  // one level only
  EXPECT_TRUE(p.ForceDirectories(dir / "a/b/c"));
  EXPECT_TRUE(p.DirectoryExists(dir / "a/b/c"));
  EXPECT_FALSE(p.CreateDir(dir / "a"));  // exists already
  testutil::WriteFile(dir / "a/f.txt", "x");
  EXPECT_TRUE(p.FileExists(dir / "a/f.txt"));
  EXPECT_FALSE(p.FileExists(dir / "a"));
  EXPECT_FALSE(p.RemoveDir(dir / "a"));  // not empty
  EXPECT_FALSE(p.DeleteFileAt(dir / "a/b"));
  EXPECT_FALSE(p.RemoveDir(dir / "a/f.txt"));
  EXPECT_TRUE(p.DeleteFileAt(dir / "a/f.txt"));
  EXPECT_TRUE(p.RemoveDir(dir / "a/b/c"));
  EXPECT_FALSE(p.DirectoryExists(dir / "a/b/c"));
  EXPECT_GT(p.DiskFree(0), 0);
  EXPECT_TRUE(p.FileExists(p.ExeName())) << p.ExeName();

  EXPECT_EQ(p.RegReadString(TRegRoot::LocalMachine, "Software", "x"), "");
  EXPECT_FALSE(p.RegWriteString(TRegRoot::LocalMachine, "Software\\x", "n", "v"));
  EXPECT_EQ(p.RunAndWait("anything"), 259);
  EXPECT_EQ(p.MessageBox("test message", "caption", mb::YesNo | mb::IconQuestion), mb::IdNo);
  EXPECT_EQ(p.MessageBox("test message", "caption", mb::OK | mb::IconInformation), mb::IdOk);
  EXPECT_FALSE(p.Terminated());
  p.Terminate();
  EXPECT_TRUE(p.Terminated());
  EXPECT_FALSE(p.HasDefaultPrinter());
}

}  // namespace
