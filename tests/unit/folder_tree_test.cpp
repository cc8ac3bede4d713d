#include <windows.h>

#include <gtest/gtest.h>

#include "fixtures.h"
#include "platform/folder_tree.h"

namespace {

// A layout must never go into the distribution it copies: another spelling of the distribution or
// of a folder in it (letter case, "..", a short name, a folder still to be made) is caught by name
// or by identity; a sibling whose name only begins like it is not.
TEST(FolderTreeTest, IsSameOrInsideSeesThroughSpellings) {
  ScratchFolder scratch;
  const std::wstring dist = scratch.MakeFolder(L"distribution folder\\Packages");
  const std::wstring root = dist.substr(0, dist.rfind(L'\\'));
  wchar_t shortName[MAX_PATH] = {};
  ASSERT_NE(0u, GetShortPathNameW(root.c_str(), shortName, MAX_PATH));
  const struct {
    std::wstring path;
    bool inside;
  } rows[] = {
      {root, true},
      {root + L"\\", true},
      {scratch.path() + L"DISTRIBUTION Folder", true},
      {std::wstring(shortName) + L"\\new", true},
      {dist, true},
      {root + L"\\new\\deeper", true},
      {scratch.path() + L"out\\..\\distribution folder\\x", true},
      {root + L"2", false},
      {scratch.path(), false},
      {scratch.path() + L"out\\distribution folder", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(text::ToUtf8(row.path));
    EXPECT_EQ(row.inside, platform::IsSameOrInside(row.path, root));
  }
}

}  // namespace
