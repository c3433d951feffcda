#include "shell/RunAndWaitUnit.h"

#include "common/RunLog.h"
#include "platform/Concat.h"
#include "platform/Platform.h"

int RunAndWait(const std::string& commandLine) {
  int code = Platform().RunAndWait(commandLine);
  if (code == 259)
    RunLogError(Concat({"Program run: ", commandLine}), "it could not be started or waited for");
  else
    RunLogLine(Concat({"Program run: ", commandLine, " (exit code ", DecimalText(code), ")"}));
  return code;
}
