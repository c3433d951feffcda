// bw_test_child <exit code> <report file> [args...]: writes "cwd=<dir>" and one
// "arg=<text>" line per argument after the first two, then exits with the code.
// An argument "sleep=MS" makes it wait that long first.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/win32/WinHeader.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  for (int i = 3; i < argc; ++i)
    if (std::strncmp(argv[i], "sleep=", 6) == 0) Sleep(static_cast<DWORD>(std::atoi(argv[i] + 6)));
  FILE* out = std::fopen(argv[2], "wb");
  if (!out) return 3;
  char dir[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, dir);
  std::fprintf(out, "cwd=%s\n", dir);
  for (int i = 3; i < argc; ++i) std::fprintf(out, "arg=%s\n", argv[i]);
  std::fclose(out);
  return std::atoi(argv[1]);
}
