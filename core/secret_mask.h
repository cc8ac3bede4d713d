// The values no log line or log file may show in clear.
#pragma once

#include <string>
#include <vector>

// Whether a value of this name must never be written out: the name holds "PASSWORD" or "PWD" in
// any letter case. The setup's command line is not one: only its secret NAME=VALUE pairs are.
bool IsSecretName(const std::wstring& name);

class SecretMask {
 public:
  static constexpr const wchar_t* kShown = L"******";

  // Remembers a value to hide; an empty one hides nothing.
  void Add(const std::wstring& value);
  // Remembers the value of every NAME=VALUE in an argument text whose NAME is secret.
  void AddArguments(const std::wstring& arguments);
  // The text with every remembered value replaced by asterisks.
  std::wstring Apply(std::wstring text) const;
  // A log file's bytes with the values replaced: UTF-16 LE after its byte order mark, else every
  // narrow form of each value (secret_forms.h): UTF-8 and ANSI, lossy ANSI included.
  std::string ApplyToFile(std::string bytes) const;
  bool Empty() const { return values_.empty(); }

 private:
  std::vector<std::wstring> values_;  // longest first: a value inside a longer one leaves no tail
};

// One NAME=VALUE of an argument text; the value keeps its quotes.
struct ArgumentPair {
  size_t start = 0, end = 0;  // the whole pair
  std::wstring name, value;
};
std::vector<ArgumentPair> ArgumentPairs(const std::wstring& arguments);

// The argument text without its secret NAME=VALUE pairs.
std::wstring WithoutSecretArguments(const std::wstring& arguments);
// "A;B": the secret names among the NAME=VALUE pairs, each once.
std::wstring SecretArgumentNames(const std::wstring& arguments);
// An installer property string with "MsiHiddenProperties=A;B" added for its secret names, so
// that Windows Installer leaves their values out of its own logs.
std::wstring HidingSecrets(const std::wstring& properties);
