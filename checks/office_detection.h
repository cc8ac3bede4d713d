// Which Office application of which year is installed, with which bitness, and where.
#pragma once

#include <string>

#include "platform/registry.h"
#include "platform/system_queries.h"

// Detection codes: 0 not found, 1 2003, 2 2007, 3 / 4 2010 32 / 64-bit, 5 / 6 2013, 7 / 8 2016.
enum OfficeCode : int {
  OfficeNotFound = 0,
  Office2003 = 1,
  Office2007 = 2,
  Office2010x86 = 3,
  Office2010x64 = 4,
  Office2013x86 = 5,
  Office2013x64 = 6,
  Office2016x86 = 7,
  Office2016x64 = 8,
};

// "11.0" for 2003 ... "16.0" for 2016; empty for any other year.
std::wstring OfficeVersionText(int year);

// app is the key name of the application ("Word", "Access").
int DetectOfficeApp(platform::Registry& registry, platform::SystemQueries& system, const std::wstring& app, int year);

// The "Path" of the application's install root; true when it is not empty.
bool OfficeInstallFolder(platform::Registry& registry, platform::SystemQueries& system, const std::wstring& app,
                         int year, std::wstring& folder);

// The product version of the Office 2007 "mso.dll"; empty when anything on the way is missing.
std::wstring Office2007MsoVersion(platform::Registry& registry);
