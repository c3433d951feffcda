#include <cstring>

#include "platform/win32/Security.h"
#include "platform/win32/Wide.h"
#include "platform/win32/WinHeader.h"
// After windows.h, which they need.
#include <aclapi.h>
#include <sddl.h>

namespace {

// The rights that change a file or folder or what it holds, or who may.
const DWORD WriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                          FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                          GENERIC_ALL;

const wchar_t* const TrustedInstallerSid =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

class TLocalMem {
 public:
  explicit TLocalMem(void* p = nullptr) : P(p) {}
  ~TLocalMem() {
    if (P) LocalFree(P);
  }
  TLocalMem(const TLocalMem&) = delete;
  TLocalMem& operator=(const TLocalMem&) = delete;
  void* P;
};

// Under Wine every process of the Unix user is that user's administrator:
// there is no unelevated process of the same account to guard against.
bool IsWineUser(PSID sid) noexcept {
  if (!RunningOnWine()) return false;
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  bool same = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
              EqualSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, sid);
  CloseHandle(token);
  return same;
}

bool Trusted(PSID sid) noexcept {
  if (!sid || !IsValidSid(sid)) return false;
  if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid))
    return true;
  PSID installer = nullptr;
  if (ConvertStringSidToSidW(TrustedInstallerSid, &installer)) {
    TLocalMem hold(installer);
    if (EqualSid(sid, installer)) return true;
  }
  return IsWineUser(sid);
}

}  // namespace

bool RunningOnWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

bool OthersCanWriteFile(const std::string& path) noexcept {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (GetNamedSecurityInfoW(WidePath(path).c_str(), SE_FILE_OBJECT,
                            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                            &dacl, nullptr, &sd) != ERROR_SUCCESS)
    return true;
  TLocalMem hold(sd);
  // The owner may always rewrite the DACL; no DACL lets everyone in.
  if (!Trusted(owner) || !dacl) return true;
  ACL_SIZE_INFORMATION info{};
  if (!GetAclInformation(dacl, &info, sizeof info, AclSizeInformation)) return true;
  for (DWORD i = 0; i < info.AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) return true;
    auto* header = static_cast<ACE_HEADER*>(ace);
    // Inherit-only entries (CREATOR OWNER among them) say nothing about
    // this object; denying ones only take rights away, and are left out so
    // that their order never matters.
    if (header->AceFlags & INHERIT_ONLY_ACE) continue;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE &&
        header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE) {
      if (header->AceType == ACCESS_DENIED_ACE_TYPE ||
          header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE ||
          header->AceType == SYSTEM_AUDIT_ACE_TYPE)
        continue;
      return true;  // a kind we cannot judge
    }
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    if ((allowed->Mask & WriteRights) && !Trusted(&allowed->SidStart)) return true;
  }
  return false;
}

bool CreateFolderWithSddl(const std::string& path, const char* sddl) noexcept {
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(Wide(sddl).c_str(), SDDL_REVISION_1,
                                                            &sd, nullptr))
    return false;
  TLocalMem hold(sd);
  SECURITY_ATTRIBUTES sa{sizeof sa, sd, FALSE};
  if (CreateDirectoryW(WidePath(path).c_str(), &sa)) return true;
  // A token that may not name the administrators as owner: the default
  // owner, with the same DACL.
  if (GetLastError() == ERROR_INVALID_OWNER && std::strncmp(sddl, "O:BA", 4) == 0)
    return CreateFolderWithSddl(path, sddl + 4);
  return false;
}

bool ApplySddl(const std::string& path, const char* sddl) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(Wide(sddl).c_str(), SDDL_REVISION_1,
                                                            &sd, nullptr))
    return false;
  TLocalMem hold(sd);
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  PSID owner = nullptr;
  if (!GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted) || !present ||
      !GetSecurityDescriptorOwner(sd, &owner, &defaulted))
    return false;
  TWide name = WidePath(path);  // the call takes a writable string
  // Also passes the inheritable entries down to what the folder already holds.
  const SECURITY_INFORMATION daclOnly =
      DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
  if (SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, daclOnly | OWNER_SECURITY_INFORMATION,
                            owner, nullptr, dacl, nullptr) == ERROR_SUCCESS)
    return true;
  // Setting the owner takes a right that the DACL may not grant even where
  // the administrators already own the folder (they made it, elevated).
  return SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, daclOnly, nullptr, nullptr, dacl,
                               nullptr) == ERROR_SUCCESS;
}
