#include "common/RunLog.h"

#include <memory>

#include "platform/Concat.h"
#include "platform/Platform.h"

namespace {
std::unique_ptr<TFileStream> g_file;

// Runs of CR and LF become one blank: each event stays on its own line.
std::string OneLine(std::string_view text) {
  std::string line;
  line.reserve(text.size() + 2);
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      if (!line.empty() && line.back() != ' ') line += ' ';
      continue;
    }
    line += c;
  }
  line += "\r\n";
  return line;
}
}  // namespace

void RunLogOpen(const std::string& fileName) {
  RunLogClose();
  g_file = Platform().OpenFile(fileName, TFileMode::Create);
  // UTF-8 with its mark, so that Notepad shows every language right.
  g_file->Write("\xEF\xBB\xBF", 3);
}

void RunLogResume(const std::string& fileName) {
  RunLogClose();
  try {
    g_file = Platform().OpenFile(fileName, TFileMode::Append);
  } catch (...) {
    // The run goes on without its log, as after a failed write.
  }
}

void RunLogClose() {
  if (!g_file) return;
  try {
    g_file->Close();
  } catch (...) {
    // Every line is written already; a failing close loses nothing more.
  }
  g_file.reset();
}

bool RunLogActive() { return g_file != nullptr; }

void RunLogLine(std::string_view text) {
  if (!g_file) return;
  std::string line = OneLine(text);
  try {
    // Unbuffered: the line is with the system when the call returns.
    g_file->Write(line.data(), line.size());
  } catch (...) {
    // A full disk must not stop the installation that the log describes.
    g_file.reset();
  }
}

void RunLogError(std::string_view what, std::string_view reason) {
  RunLogLine(Concat({"Error: ", what, reason.empty() ? "" : ": ", reason}));
}
