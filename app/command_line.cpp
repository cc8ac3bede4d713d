#include "app/command_line.h"

#include "checks/launch_checks.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "platform/text.h"

namespace {

std::wstring ValueOf(const std::wstring& arg) {
  size_t eq = arg.find(L'=');
  return eq == std::wstring::npos ? std::wstring() : arg.substr(eq + 1);
}

bool HasAny(const std::wstring& arg, const wchar_t* a, const wchar_t* b) {
  return text::Contains(arg, a) || text::Contains(arg, b);
}

// NAME=VALUE for a Windows Installer command line: a value with blanks that the shell's quotes
// have already been taken off must be quoted again, or the installer refuses the whole line.
std::wstring QuotedProperty(const std::wstring& arg) {
  size_t eq = arg.find(L'=');
  return arg.substr(0, eq + 1) + text::QuoteIfBlank(arg.substr(eq + 1));
}

// msiexec's log switch: "/l" with any of its level letters ("/l*v", "/lv", "/l*vx+"), or "/log".
bool IsLogSwitch(const std::wstring& arg) {
  if (text::EqualsNoCase(arg, L"/log")) return true;
  if (arg.size() < 2 || arg[0] != L'/' || (arg[1] != L'l' && arg[1] != L'L')) return false;
  return arg.find_first_not_of(L"iwearucmopvxIWEARUCMOPVX+!*", 2) == std::wstring::npos;
}

// The switches that take the next argument as their value.
std::wstring* ValueTarget(const std::wstring& arg, CommandLineFields& f) {
  if (IsLogSwitch(arg)) return &f.logFile;
  if (text::EqualsNoCase(arg, L"/result")) return &f.resultFile;
  if (text::EqualsNoCase(arg, L"/layout")) return &f.layoutFolder;
  return nullptr;
}

constexpr const wchar_t* kPlainSwitches[] = {L"/u",    L"/modify", L"/r",       L"/upgrade",   L"/q",
                                             L"/quiet", L"/qn",    L"/passive", L"/norestart", L"/?",
                                             L"/help", L"/plan",   L"/central", L"/zemdeploy", L"/dcscache",
                                             L"/restart"};

// Whether the argument is a switch this reader knows (a value it takes aside).
bool IsKnownSwitch(const std::wstring& arg) {
  for (const wchar_t* known : kPlainSwitches)
    if (text::EqualsNoCase(arg, known)) return true;
  CommandLineFields scratch;
  return ValueTarget(arg, scratch) != nullptr;
}

}  // namespace

void ReadCommandLine(const std::vector<std::wstring>& args, CommandLineFields& f, PropertyMap& properties,
                     LogFile& log) {
  using text::EqualsNoCase;
  for (size_t index = 0; index < args.size(); ++index) {
    const std::wstring& arg = args[index];
    // A quote in a value would end it early on the installer's command line, and what follows
    // would be read as further properties (TRANSFORMS=...). Only the name is logged: the value
    // may be a password.
    const size_t eq = arg.find(L'=');
    if (eq != std::wstring::npos && arg.find(L'"', eq + 1) != std::wstring::npos) {
      log.Log(L"Refused the argument %s: its value holds a double quote.", arg.substr(0, eq + 1));
      continue;
    }
    // A password argument is always a password: were it taken as the definition file or the
    // install folder because it also holds ".xml" or "TARGETDIR=", its value would reach the
    // log and the property dump in clear.
    const bool password = HasAny(arg, L"DOCUMENT_SERVICEACCOUNTPWD=", L"VUROVIZO_PASSWORD=");
    const bool secret = password || (eq != std::wstring::npos && IsSecretName(arg.substr(0, eq)));
    if (secret) properties.Secrets().Add(ValueOf(arg));
    if (password) {
      properties.Set(L"[PASSWORD]", ValueOf(arg));
    } else if (EqualsNoCase(arg, L"/u") || EqualsNoCase(arg, L"/MODIFY")) {
      f.modeFlags |= mode::Uninstall;
    } else if (EqualsNoCase(arg, L"/r")) {
      f.modeFlags |= mode::Repair;
    } else if (EqualsNoCase(arg, L"/upgrade")) {
      f.modeFlags |= mode::Upgrade;
    } else if (text::Contains(arg, L".xml")) {
      f.definitionFileName = arg;
    } else if (EqualsNoCase(arg, L"/q") || EqualsNoCase(arg, L"/quiet") || EqualsNoCase(arg, L"/qn")) {
      f.silent = true;
    } else if (EqualsNoCase(arg, L"/passive")) {
      f.passive = true;
    } else if (EqualsNoCase(arg, L"/norestart")) {
      f.noRestart = true;
      // Windows Installer restarts by itself in a run without user interface unless told not to.
      f.extraInstallProperties += L" REBOOT=ReallySuppress ";
    } else if (EqualsNoCase(arg, L"/?") || EqualsNoCase(arg, L"/help")) {
      f.help = true;
    } else if (EqualsNoCase(arg, L"/plan")) {
      f.plan = true;
    } else if (std::wstring* target = ValueTarget(arg, f)) {
      // The value is the next argument; another switch there means the value was left out.
      const bool given = index + 1 < args.size() && !args[index + 1].empty() && args[index + 1][0] != L'/';
      if (given) {
        *target = args[++index];
        f.commandLine += arg + L" " + *target + L" ";
        log.WriteLine(arg + L" " + *target);
        continue;
      }
      log.Log(L"The switch %s needs a value after it.", arg);
      f.refused.push_back(arg);
    } else if (EqualsNoCase(arg, L"autoupdate")) {
      f.modeFlags |= mode::Upgrade;
      f.silent = true;
      f.autoUpdate = true;
    } else if (EqualsNoCase(arg, L"shellautoupdate")) {
      f.modeFlags |= mode::Upgrade;
      f.autoUpdate = true;
    } else if (HasAny(arg, L"TARGETDIR=", L"INSTALLLOCATION=")) {
      f.installDirectory = ValueOf(arg);
      properties.Set(L"[INSTALLDIRECTORY]", f.installDirectory);
    } else if (HasAny(arg, L"DOCUMENT_SERVICEACCOUNTID=", L"VUROVIZO_USER=")) {
      properties.Set(L"[USER]", ValueOf(arg));
    } else if (HasAny(arg, L"SYSTEM_IP=", L"DOCUMENT_PORTAL_SERVER=")) {
      properties.Set(L"[SERVER_NAME]", ValueOf(arg));
    } else if (EqualsNoCase(arg, L"/central")) {
      f.extraInstallProperties += L" CENTRALOFFICE=1 ";
      properties.Set(L"CentralOffice", L"True");
    } else if (EqualsNoCase(arg, L"/zemdeploy")) {
      f.extraInstallProperties += L" ZEMDEPLOY=1 ";
    } else if (EqualsNoCase(arg, L"/dcscache")) {
      f.extraInstallProperties += L" DCSCACHE=1 ";
      properties.Set(kDocumentCacheProperty, L"True");
    } else if (text::Contains(arg, L"=")) {
      f.extraInstallProperties += QuotedProperty(arg) + L" ";
    } else if (!arg.empty() && arg[0] == L'/' && !IsKnownSwitch(arg)) {
      log.Log(L"Unknown switch %s: the command line is refused.", arg);
      f.refused.push_back(arg);
    }

    f.commandLine += arg + L" ";
    log.WriteLine(secret ? arg.substr(0, eq + 1) + SecretMask::kShown : arg);
  }
  properties.Set(L"[CMDLINE]", f.commandLine);
  if (f.modeFlags != mode::Default) f.modeFlags &= ~mode::Default;
}
