#include "checks/login_checks.h"

#include <windows.h>

#include <shlwapi.h>

#include "core/local_folder.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "platform/argument_quoting.h"
#include "platform/platform.h"
#include "platform/text.h"

using namespace login_message;

namespace {

constexpr DWORD kEchoTimeoutMs = 5000;
constexpr DWORD kVerified = 200;

}  // namespace

int CheckAccountForm(const std::wstring& account, const std::wstring& password, ServiceAccount& out) {
  const std::wstring name = text::Trim(account);
  if (name.empty() || text::Trim(password).empty()) return kAccountEmpty;
  const size_t slash = name.find(L'\\');
  if (slash == std::wstring::npos || slash == 0) return kAccountForm;
  out = {name.substr(0, slash), name.substr(slash + 1), password};
  return 0;
}

std::wstring StoredServerName(const std::wstring& server) {
  std::wstring name = text::Trim(server);
  if (!name.empty() && name.back() == L'.') name.pop_back();
  return name;
}

int LoginChecks::CheckAccount(const std::wstring& account, const std::wstring& password, bool updateServer) {
  ServiceAccount who;
  if (int message = CheckAccountForm(account, password, who)) return message;
  platform::Accounts& accounts = machine_.accounts;
  if (accounts.Logon(who.user, who.domain, who.password, platform::LogonKind::Service) != 0) return kServiceLogon;
  if (!updateServer || accounts.Logon(who.user, who.domain, who.password, platform::LogonKind::Batch) == 0) return 0;

  const std::wstring os = properties_.Get(L"OS");
  const bool before2008 = os == L"Win2003" || os == L"Win2003R2" || os == L"XP";
  return !before2008 && GroupMayLogOnAsBatch() ? 0 : kBatchLogon;
}

bool LoginChecks::GroupMayLogOnAsBatch() {
  using Step = platform::RightAnswer::Step;
  const platform::RightAnswer answer = machine_.accounts.HoldsRight(L"IIS_IUSRS", L"SeBatchLogonRight");
  const wchar_t* line = nullptr;
  switch (answer.step) {
    case Step::Ok:
      return answer.held;
    case Step::OpenPolicy:
      line = L"Opening Local Security Policy failed with error code %d";
      break;
    case Step::SidSize:
      line = L"Looking up IIS_USRS account SID first time failed with error code %d";
      break;
    case Step::SidFill:
      line = L"Looking up IIS_USRS account SID second time failed with error code %d";
      break;
    case Step::EnumerateRights:
      line = L"Enumerating IIS_IUSRS group right failed with error code %d";
      break;
  }
  log_.Log(line, answer.error);
  return false;
}

int LoginChecks::CheckServer(const std::wstring& server) {
  const std::wstring name = text::Trim(server);
  if (name.empty()) return kServerEmpty;

  platform::ChannelFailure failure;
  std::unique_ptr<platform::IcmpChannel> icmp = machine_.network.OpenIcmp(failure);
  if (!icmp) {
    log_.Log(failure.step == platform::ChannelFailure::Step::Startup ? L"WSAStartup failed with error code: %d"
                                                                     : L"IcmpCreateFile failed with error code: %d",
             failure.error);
    return kNetworkUnavailable;
  }

  platform::Ipv4Address address;
  bool resolved = false;
  int winsockError = 0;
  if (!icmp->Resolve(name, address, resolved, winsockError)) {
    log_.Log(L"gethostbyname failed with error code: %d", winsockError);
    return kServerUnreachable;
  }
  if (resolved) log_.Log(L"Server name %s is %s", name, address.dotted);

  const platform::EchoAnswer echo = icmp->Echo(address, kEchoTimeoutMs);
  if (!echo.sent) {
    log_.Log(L"IcmpSendEcho failed with error code: %d", echo.error);
    return kServerUnreachable;
  }
  if (echo.status != 0) {
    log_.Log(L"IcmpSendEcho failed. %s", echo.statusText);
    return kServerUnreachable;
  }
  return 0;
}

int LoginChecks::CheckLocalFolder(const std::wstring& folder) {
  return IsLocalFixedFolder(text::Trim(folder), machine_.system) ? 0 : kFolderRefused;
}

int LoginChecks::CheckSharedFolder(const std::wstring& folder) {
  std::wstring path = text::Trim(folder);
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  return IsUncPath(path) && machine_.system.CanCreateSubfolder(path) ? 0 : kSharedFolderRefused;
}

int LoginChecks::CheckReportServer(const std::wstring& url, const std::wstring& account, const std::wstring& password,
                                   const std::wstring& setupDirectory) {
  const std::wstring address = text::Trim(url);
  if (address.empty()) return kReportUrlEmpty;
  if (!PathIsURLW(address.c_str())) return kReportServerRefused;

  std::wstring tool = setupDirectory;
  if (!tool.empty() && tool.back() != L'\\') tool += L'\\';
  tool += L"VerifySSRS.exe";
  const std::wstring parameters =
      text::Format(L"%s %s %s", text::QuoteArgument(address), text::QuoteArgument(text::Trim(account)),
                   text::QuoteArgument(password));

  DWORD error = 0;
  platform::Child child = machine_.processes.ShellOpen(tool, parameters, true, error);
  if (!child) {
    log_.Log(L"Could not start %s: error %d", tool, error);
    return kReportServerRefused;
  }
  DWORD code = 0;
  if (!child->Wait(error) || !child->ExitCode(code, error)) {
    log_.Log(L"Waiting for %s failed with error code %d", tool, error);
    return kReportServerRefused;
  }
  log_.Log(L"Verifying %s for user %s returned %d", address, text::Trim(account), code);
  return code == kVerified ? 0 : kReportServerRefused;
}
