#include "shell/RunAndWaitUnit.h"

#include "platform/Platform.h"

int RunAndWait(const std::string& commandLine) { return Platform().RunAndWait(commandLine); }
