// The test double's Restart Manager and the moves it keeps for the next
// start of the system.
#include "platform/Concat.h"
#include "platform/testing/TestPlatform.h"

bool TTestPlatform::ListAppsUsing(const std::vector<std::string>& files,
                                  std::vector<TAppInUse>& apps) {
  FSession.clear();
  apps.clear();
  if (!RestartManagerWorks) return false;
  RmCalls.push_back(Concat({"list ", DecimalText(static_cast<long long>(files.size()))}));
  for (const THolder& h : Holders) {
    bool holds = false;
    for (const std::string& f : files)
      holds = holds || Lower(HostPath(f)) == Lower(HostPath(h.File));
    if (!holds || !FileInUse(h.File)) continue;
    FSession.push_back(h);
    bool listed = false;
    for (const TAppInUse& a : apps) listed = listed || a.Name == h.App.Name;
    if (!listed) apps.push_back(h.App);
  }
  return true;
}

bool TTestPlatform::CloseAppsInUse(bool force) {
  RmCalls.push_back(force ? "force" : "close");
  bool all = true;
  for (const THolder& h : FSession) {
    if (!force && !h.ClosesPolitely) {
      all = false;
      continue;
    }
    // An application that ends lets go of every file it held.
    for (const THolder& other : Holders)
      if (other.App.Name == h.App.Name) SetFileInUse(other.File, false);
  }
  return all;
}

bool TTestPlatform::RestartClosedApps() {
  RmCalls.push_back("restart");
  for (const THolder& h : FSession)
    if (h.App.Restartable && !FileInUse(h.File)) AppsRestarted.push_back(h.App.Name);
  FSession.clear();
  return true;
}

bool TTestPlatform::MoveAtRestart(const std::string& from, const std::string& to) {
  if (ScheduleFails || (!FileExists(from) && !DirectoryExists(from))) return false;
  PendingMoves.emplace_back(from, to);
  return true;
}

void TTestPlatform::CancelMoveAtRestart(const std::string& from) {
  std::erase_if(PendingMoves, [&](const auto& m) { return Lower(m.first) == Lower(from); });
}

void TTestPlatform::RestartComputer() {
  FInUse.clear();  // every program has ended
  for (const auto& [from, to] : PendingMoves) {
    if (to.empty()) {
      if (!DeleteFileAt(from)) RemoveDir(from);
    } else {
      MoveFileTo(from, to);
    }
  }
  PendingMoves.clear();
}
