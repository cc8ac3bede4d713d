// The checks behind the server login, report-server login and shared-folder pages. Each answers
// 0 when the input passes, else the number of the culture message the page shows; what went
// wrong on the way is logged here.
#pragma once

#include <string>

class LogFile;
class PropertyMap;
namespace platform {
struct Platform;
}

// An account as typed: "DOMAIN\user" split at the first backslash.
struct ServiceAccount {
  std::wstring domain;
  std::wstring user;
  std::wstring password;  // as typed: blanks around it belong to it
};

namespace login_message {
constexpr int kFolderRefused = 104;
constexpr int kAccountEmpty = 10000;
constexpr int kAccountForm = 10001;
constexpr int kServiceLogon = 10002;
constexpr int kServerEmpty = 10003;
constexpr int kNetworkUnavailable = 10004;
constexpr int kServerUnreachable = 10005;
constexpr int kBatchLogon = 10006;
constexpr int kReportUrlEmpty = 50212;
constexpr int kSharedFolderRefused = 50213;
constexpr int kReportServerRefused = 50215;
}  // namespace login_message

// Trims the account; the account and the password must not be blank (10000) and the account
// needs a backslash with something before it (10001).
int CheckAccountForm(const std::wstring& account, const std::wstring& password, ServiceAccount& out);

// The server name to store: trimmed, one trailing "." dropped.
std::wstring StoredServerName(const std::wstring& server);

class LoginChecks {
 public:
  LoginChecks(LogFile& log, PropertyMap& properties, platform::Platform& machine)
      : log_(log), properties_(properties), machine_(machine) {}

  // The form, then a service logon (10002); for the update server also a batch logon, or,
  // after Windows Server 2003 and XP, the batch right of "IIS_IUSRS" (10006).
  int CheckAccount(const std::wstring& account, const std::wstring& password, bool updateServer);
  // A name (10003) that resolves and answers one ICMP echo within 5 seconds (10004, 10005).
  int CheckServer(const std::wstring& server);
  // A local folder on a fixed drive (104).
  int CheckLocalFolder(const std::wstring& folder);
  // A network share new folders can be made in (50213).
  int CheckSharedFolder(const std::wstring& folder);
  // The URL (50212 empty, 50215 not a URL) and the account verified by "VerifySSRS.exe" in the
  // setup folder, which must end with 200 (50215). Waits for the tool without limit.
  int CheckReportServer(const std::wstring& url, const std::wstring& account, const std::wstring& password,
                        const std::wstring& setupDirectory);

 private:
  bool GroupMayLogOnAsBatch();

  LogFile& log_;
  PropertyMap& properties_;
  platform::Platform& machine_;
};
