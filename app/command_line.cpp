#include "app/command_line.h"

#include <utility>

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

}  // namespace

void ReadCommandLine(const std::vector<std::wstring>& args, CommandLineFields& f, PropertyMap& properties,
                     LogFile& log) {
  using text::EqualsNoCase;
  bool layoutFolderNext = false;
  for (const std::wstring& arg : args) {
    // The folder is the whole next argument, whatever it holds; a switch there means none was given.
    if (std::exchange(layoutFolderNext, false) && !arg.empty() && arg[0] != L'/') {
      f.layoutFolder = arg;
      f.commandLine += arg + L" ";
      log.WriteLine(arg);
      continue;
    }
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
    } else if (EqualsNoCase(arg, L"/layout")) {
      f.layout = true;
      layoutFolderNext = true;
    } else if (EqualsNoCase(arg, L"/r")) {
      f.modeFlags |= mode::Repair;
    } else if (EqualsNoCase(arg, L"/upgrade")) {
      f.modeFlags |= mode::Upgrade;
    } else if (text::Contains(arg, L".xml")) {
      f.definitionFileName = arg;
    } else if (EqualsNoCase(arg, L"/q")) {
      f.silent = true;
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
    }

    f.commandLine += arg + L" ";
    log.WriteLine(secret ? arg.substr(0, eq + 1) + SecretMask::kShown : arg);
  }
  properties.Set(L"[CMDLINE]", f.commandLine);
  if (f.modeFlags != mode::Default) f.modeFlags &= ~mode::Default;
}
