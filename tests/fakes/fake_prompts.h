// Answers message boxes from a script and records what was asked.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/prompts.h"

class FakePrompts : public platform::Prompts {
 public:
  struct Asked {
    std::wstring text, caption;
    UINT type;
  };
  std::deque<int> answers;  // IDOK, IDRETRY, ...; IDOK when the script runs out
  std::vector<Asked> asked;

  int Show(HWND, const std::wstring& text, const std::wstring& caption, UINT type,
           const std::function<void()>&) override {
    asked.push_back({text, caption, type});
    if (answers.empty()) return IDOK;
    int a = answers.front();
    answers.pop_front();
    return a;
  }
};
