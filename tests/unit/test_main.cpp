// Test entry point: COM for MSXML, then GoogleTest.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> narrow;
  for (int i = 0; i < argc; ++i) narrow.push_back(text::ToUtf8(argv[i]));
  std::vector<char*> pointers;
  for (auto& s : narrow) pointers.push_back(s.data());
  int count = argc;
  testing::InitGoogleTest(&count, pointers.data());
  CoInitialize(nullptr);
  int result = RUN_ALL_TESTS();
  CoUninitialize();
  return result;
}
