#pragma once
// Helpers of the Windows tests: a fresh temporary folder and the folder of
// the running test program.
#include <string>

class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::string& Path() const { return FPath; }

 private:
  std::string FPath;
};

std::string ExeDir();
std::string ReadWholeFile(const std::string& path);
