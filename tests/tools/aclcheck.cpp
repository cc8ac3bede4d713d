// aclcheck.exe PATH: what stands at PATH and who may change it, read back through the Windows
// security API, as key=value lines: kind, owner, protected, one "allow=SID MASK" per entry and
// writers (the SIDs any changing right is granted to, comma-separated), self (the account running).
// aclcheck.exe --open PATH: gives Everyone full control of PATH and Users its ownership, the
// folder another user of the machine could have left for the setup.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <string>

namespace {

std::wstring SidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!sid || !ConvertSidToStringSidW(sid, &text)) return L"?";
  std::wstring out(text);
  LocalFree(text);
  return out;
}

int OpenUp(wchar_t* path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:BUD:P(A;OICI;FA;;;WD)", SDDL_REVISION_1, &descriptor,
                                                            nullptr))
    return 1;
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  PSID owner = nullptr;
  GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
  DWORD error = SetNamedSecurityInfoW(path, SE_FILE_OBJECT,
                                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                          PROTECTED_DACL_SECURITY_INFORMATION,
                                      owner, nullptr, dacl, nullptr);
  LocalFree(descriptor);
  wprintf(L"set=%lu\n", error);
  return error == ERROR_SUCCESS ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wstring(argv[1]) == L"--open") return OpenUp(argv[2]);
  if (argc != 2) {
    fwprintf(stderr, L"usage: aclcheck PATH\n");
    return 2;
  }
  DWORD attributes = GetFileAttributesW(argv[1]);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    wprintf(L"kind=missing\n");
    return 1;
  }
  wprintf(L"kind=%ls\n", (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? L"link"
                         : (attributes & FILE_ATTRIBUTE_DIRECTORY)   ? L"directory"
                                                                     : L"file");
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD error = GetNamedSecurityInfoW(argv[1], SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                      &owner, nullptr, &dacl, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) {
    wprintf(L"error=%lu\n", error);
    return 1;
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  wprintf(L"owner=%ls\nprotected=%d\ndacl=%d\n", SidText(owner).c_str(), (control & SE_DACL_PROTECTED) ? 1 : 0,
          dacl ? 1 : 0);
  const DWORD changing = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                         FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
  std::wstring writers = dacl ? L"" : L"S-1-1-0";  // no list: everyone
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(dacl, i, &entry)) continue;
    if (static_cast<ACE_HEADER*>(entry)->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    std::wstring sid = SidText(&allowed->SidStart);
    wprintf(L"allow=%ls 0x%08lX\n", sid.c_str(), allowed->Mask);
    if (allowed->Mask & changing) writers += (writers.empty() ? L"" : L",") + sid;
  }
  wprintf(L"writers=%ls\n", writers.c_str());
  HANDLE token = nullptr;
  BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
  DWORD size = 0;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
      GetTokenInformation(token, TokenUser, user, sizeof(user), &size))
    wprintf(L"self=%ls\n", SidText(reinterpret_cast<TOKEN_USER*>(user)->User.Sid).c_str());
  if (token) CloseHandle(token);
  LocalFree(descriptor);
  return 0;
}
