#include "checks/sql_probe.h"

#include <initializer_list>
#include <iterator>
#include <utility>
#include <vector>

#include "checks/system_info.h"
#include "core/log_file.h"
#include "platform/text.h"

using platform::Hive;
using platform::View;

namespace {

const wchar_t kSqlServerKey[] = L"SOFTWARE\\Microsoft\\Microsoft SQL Server\\";
const wchar_t kInstanceNames[] = L"SOFTWARE\\Microsoft\\Microsoft SQL Server\\Instance Names\\SQL";
constexpr size_t kVersionBufferChars = 16;
// Only an installation of this user or of the machine counts, not another user's.
constexpr int kInstalledHere = 5;

struct ClientGroup {
  SqlClientFlavour flavour;
  std::initializer_list<const wchar_t*> productCodes;
  const wchar_t* line;
};

const ClientGroup kSqlCmdGroups[] = {
    {Sql2008x86,
     {L"{E85236F6-F2F8-4572-B28F-9DBAC989EA1B}", L"{59D0A396-6A00-43C6-AE6C-7BE4ADFAB261}",
      L"{FCFBC849-FA0D-4F24-9F17-A50096A0BC9D}", L"{1C2BE5BF-70D7-43E0-B44D-6909CD90C668}"},
     L"SQL Server 2008 SQLCMD x86 utility installed."},
    {Sql2008x64,
     {L"{F26F4BDE-E383-4390-86A9-11D3D050CF9A}", L"{BBF7C6D0-9BCC-4E02-8B48-BFBB9BC6410A}",
      L"{FFA4227D-D066-48E3-84A9-767450661074}", L"{DF4AC5CC-3850-490B-92E4-BFE62249C8F4}"},
     L"SQL Server 2008 SQLCMD x64 utility installed."},
    {Sql2008R2x86,
     {L"{5AA08D9F-3BE3-4A34-B53E-858A1895589E}", L"{9E49CE89-3A81-4E09-9E17-82C65CDDD1CB}",
      L"{0E940AD9-E2E5-4518-AFE5-C557E2AADC7E}"},
     L"SQL Server 2008 R2 SQLCMD x86 utility installed."},
    {Sql2008R2x64,
     {L"{D9F711D3-3C90-4D79-9292-47C90C722E2A}", L"{3AE3D1EF-B53A-4A3E-AEA6-21E74080BEC0}",
      L"{CE060349-0E00-4DB1-8820-FA1F93C419BF}"},
     L"SQL Server 2008 R2 SQLCMD x64 utility installed."},
    {Sql2012x86,
     {L"{45A8F8FF-ED9B-40B2-B923-94F46FCF6135}", L"{5EF1EBC5-4A40-4D1C-B02E-0C54BC93FD06}"},
     L"SQL Server 2012 SQLCMD x86 utility installed."},
    {Sql2012x64,
     {L"{9D573E71-1077-4C7E-B4DB-4E22A5D2B48B}", L"{58FED865-4F13-408D-A5BF-996019C4B936}"},
     L"SQL Server 2012 SQLCMD x64 utility installed."},
};

const ClientGroup kNativeClientGroups[] = {
    {Sql2008x86,
     {L"{D9D937B0-E842-4130-9588-B948E876904A}", L"{4F44B5AE-82A6-4A8A-A3E3-E24D489728E3}",
      L"{94317163-C5D1-4FCE-A0D9-F48FE06A7D7D}", L"{83298573-A6B6-42AB-A234-FE91CA2859C0}"},
     L"SQL Server 2008 Native Client x86 installed."},
    {Sql2008x64,
     {L"{C79A7EAB-9D6F-4072-8A6D-F8F54957CD93}", L"{BBDE8A3D-64A2-43A6-95F3-C27B87DF7AC1}",
      L"{C3AF5BD8-30D5-41F5-AF61-705D98146B0F}", L"{2738C4AA-420E-4E13-ADEF-B5AB250E3EF1}"},
     L"SQL Server 2008 Native Client x64 installed."},
    {Sql2008R2x86,
     {L"{4AB6A079-178B-4144-B21F-4D1AE71666A2}", L"{185292F7-7C0A-4F72-B2CC-CBEBD40B050E}",
      L"{EEB0EFE8-61EB-4C42-929A-CE25D3FBC0C6}"},
     L"SQL Server 2008 R2 Native Client x86 installed."},
    {Sql2008R2x64,
     {L"{2180B33F-3225-423E-BBC1-7798CFD3CD1F}", L"{471AAD2C-9078-4DAC-BD43-FA10FB7C3FCE}",
      L"{79A2C6E8-C727-4D12-B4B3-19790C181DEA}"},
     L"SQL Server 2008 R2 Native Client x64 installed."},
    {Sql2012x86,
     {L"{83C7F964-AC58-4104-B613-B4D0F61DA8CD}", L"{544ACD54-9FAA-4A60-A1E7-B2EC3AA75D24}"},
     L"SQL Server 2012 Native Client x86 installed."},
    {Sql2012x64,
     {L"{49D665A2-4C2A-476E-9AB8-FCC425F526FC}", L"{D411E9C9-CE62-4DBF-9D92-4CB22B750ED5}"},
     L"SQL Server 2012 Native Client x64 installed."},
};

template <size_t N>
bool FindClient(LogFile& log, platform::WindowsInstaller& installer, const ClientGroup (&groups)[N],
                const wchar_t* noneLine, SqlClientFlavour& flavour) {
  for (const ClientGroup& group : groups)
    for (const wchar_t* code : group.productCodes)
      if (installer.QueryProductState(code) == kInstalledHere) {
        flavour = group.flavour;
        log.WriteLine(group.line);
        return true;
      }
  flavour = SqlClientNone;
  log.WriteLine(noneLine);
  return false;
}

bool IsSql2005(int code) { return code >= 1 && code <= 5; }

SqlClientFlavour ClientForServer(int code, bool is64Bit) {
  if (code >= 10 && code <= 12) return is64Bit ? Sql2008R2x64 : Sql2008R2x86;
  if (code == 13 || code == 14) return is64Bit ? Sql2012x64 : Sql2012x86;
  if (code >= 6 && code <= 9) return is64Bit ? Sql2008x64 : Sql2008x86;
  return SqlClientNone;
}

}  // namespace

int SqlVersionCode(int major, int minor, int build) {
  if (major == 9 && minor == 0) {
    if (build == 1399) return 1;
    if (build >= 2047 && build <= 3041) return 2;
    if (build >= 3042 && build <= 4034) return 3;
    if (build >= 4035 && build <= 4999) return 4;
    if (build >= 5000) return 5;
    return 0;
  }
  if (major == 10 && minor == 0) {
    if (build == 1600) return 6;
    if (build >= 2531 && build <= 3999) return 7;
    if (build >= 4000 && build <= 5499) return 8;
    return 9;
  }
  if (major == 10 && minor == 50) {
    if (build >= 1660 && build <= 2499) return 10;
    if (build >= 2500 && build <= 3999) return 11;
    if (build >= 4000) return 12;
    return 0;
  }
  if (major == 11 && minor == 0) return build < 3000 ? 13 : 14;
  return 0;
}

int SqlVersionCodeOf(const std::wstring& version) {
  int parts[3] = {0, 0, 0};
  size_t start = 0;
  for (int i = 0; i < 3 && start <= version.size(); ++i) {
    size_t dot = version.find(L'.', start);
    parts[i] = static_cast<int>(text::AtoI(version.substr(start, dot == std::wstring::npos ? dot : dot - start)));
    if (dot == std::wstring::npos) break;
    start = dot + 1;
  }
  return SqlVersionCode(parts[0], parts[1], parts[2]);
}

std::wstring SqlVersionName(int code) {
  static const wchar_t* const kNames[] = {
      L"Unknown",
      L"SQL_Server_2005",
      L"SQL_Server_2005SP1",
      L"SQL_SERVER_2005SP2",
      L"SQL_SERVER_2005SP3",
      L"SQL_SERVER_2005SP4",
      L"SQL_SERVER_2008",
      L"SQL_SERVER_2008SP1",
      L"SQL_SERVER_2008SP2",
      L"SQL_SERVER_2008SP3",
      L"SQL_SERVER_2008R2",
      L"SQL_SERVER_2008R2SP1",
      L"SQL_SERVER_2008R2SP2",
      L"SQL_SERVER_2012",
      L"SQL_SERVER_2012SP1",
  };
  if (code < 0 || code >= static_cast<int>(std::size(kNames))) return kNames[0];
  return kNames[code];
}

SqlDetection::SqlDetection(LogFile& log, platform::Platform& machine) : log_(log), machine_(machine) {
  is64Bit_ = SystemInfo(log, machine.system).Is64Bit();
}

int SqlDetection::SqlServerVersion() {
  platform::Registry& registry = machine_.registry;
  View view = View::Bit32;
  std::vector<std::pair<std::wstring, platform::RegValue>> instances;
  LONG endStatus = ERROR_NO_MORE_ITEMS;
  LONG status = registry.Values(Hive::LocalMachine, kInstanceNames, view, instances, endStatus);
  if (status != ERROR_SUCCESS && is64Bit_) {
    view = View::Bit64;
    status = registry.Values(Hive::LocalMachine, kInstanceNames, view, instances, endStatus);
  }
  if (status != ERROR_SUCCESS) {
    log_.Log(L"RegOpenKeyEx failed for %s with error %#x", kInstanceNames, status);
    return 0;
  }

  int code = 0;
  for (const auto& [name, instance] : instances) {
    const std::wstring key = kSqlServerKey + instance.text + L"\\MSSQLServer\\CurrentVersion";
    if (!registry.KeyExists(Hive::LocalMachine, key, view)) return code;
    LONG error = ERROR_SUCCESS;
    auto value = registry.Read(Hive::LocalMachine, key, L"CurrentVersion", view, error);
    if (value && value->type != REG_SZ && value->type != REG_EXPAND_SZ) error = ERROR_INVALID_DATATYPE;
    // The value is read into a buffer of 16 characters; a longer one does not fit.
    if (value && error == ERROR_SUCCESS && value->text.size() >= kVersionBufferChars) error = ERROR_MORE_DATA;
    if (!value || error != ERROR_SUCCESS) {
      log_.Log(L"RegQueryValue returned %#x", error);
      return code;
    }
    const std::wstring version = value->text.substr(0, value->text.find(L'\0'));
    if (version.empty()) {
      log_.Log(L"RegQueryValue returned %#x", error);
      continue;
    }
    code = SqlVersionCodeOf(version);
    if (IsSql2005(code)) {
      log_.Log(L"SQL Server 2005 no supported. Version %s detected.", version);
      continue;
    }
    log_.Log(L"SQL Server version is %s", version);
    serverFlavour = ClientForServer(code, is64Bit_);
    return code;
  }
  log_.Log(L"RegEnumValue failed with error %#x", endStatus);
  return code;
}

bool SqlDetection::SqlCmdCheck() {
  return FindClient(log_, machine_.installer, kSqlCmdGroups, L"SQL Server SQLCMD utility not installed.",
                    sqlCmdFlavour);
}

bool SqlDetection::SqlNativeClientCheck() {
  return FindClient(log_, machine_.installer, kNativeClientGroups, L"SQL Server Native Client not installed.",
                    nativeClientFlavour);
}
