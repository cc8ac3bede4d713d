// What the stand-in report-server verifier decides, apart from the files and the process.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace verify_ssrs {

// The exit codes the setup reads: 200 verified, 401 refused, 0 nothing to verify against.
inline constexpr int kVerified = 200;
inline constexpr int kRefused = 401;
inline constexpr int kNotConfigured = 0;

// The report server this machine accepts. No password: the tool never needs one to decide.
struct Settings {
  std::wstring url;
  std::wstring account;
};

// The text of the settings file: UTF-16 with its mark, UTF-8 (with or without a mark), or else
// the ANSI code page.
std::wstring DecodeText(const std::vector<char>& bytes);

// "Url=" and "Account=" lines, names ignoring case; blank, ";" or "#" comment and "[section]"
// lines are skipped; the first line of a name wins.
Settings ParseSettings(std::wstring_view text);

// The exit code for the arguments after the program name.
int Verify(const Settings& settings, const std::vector<std::wstring>& arguments);

}  // namespace verify_ssrs
