// What happens to a product after its package sequence: the setup files copied beside the
// installed product, the proxy override file, and the product's own Finalize section (file copies,
// a deferred clean-up batch and a numbered list of commands). Everything is logged; nothing here
// changes the product's outcome or the run's exit code.
#pragma once

#include <optional>
#include <string>

#include "engine/engine_context.h"

class Product;

class FinalizeActions {
 public:
  FinalizeActions(const EngineContext& context, Product& product);

  void CopySetupFiles();
  void CopyProxyOverride();
  // Frees the product's resource library first in uninstall runs, then copies, deletes, executes.
  void RunFinalizeGroups();

  void CopyFiles();
  void DeleteFiles();
  void ExecuteCommands();

  // CopyFileW with overwrite and one log line either way.
  bool CopyOneFile(const std::wstring& source, const std::wstring& destination);

  // "cleanup.bat" for a one-product run, else "cleanup_<ShortName>.bat", in the log folder.
  std::wstring BatchFilePath() const;
  // The canonical path of an entry the clean-up batch may remove; none when it must stay: not an
  // absolute path, a drive root, or neither under a QV folder nor inside the log folder.
  std::optional<std::wstring> DeletablePath(const std::wstring& location) const;

 private:
  // The product's element in the definition; logs "... not found in ..." when it is missing.
  bool SelectProduct(XmlNode& element) const;
  // The installed product's folder with a trailing backslash; none when it is not installed.
  std::optional<std::wstring> InstalledFolder() const;
  void ExecuteCommand(const XmlNode& command);
  void CopyLikeXcopy(const std::wstring& arguments);

  const EngineContext& context_;
  Product& product_;
  LogFile& log_;
};
