// XML access over the MSXML 6 DOM with XPath selection.
#pragma once

#include <windows.h>
#include <msxml2.h>

#include <string>
#include <vector>

#include "platform/handles.h"

// Whether a query found something, found nothing, or could not run at all.
enum class XmlQuery { Found, NoMatch, Failed };

class XmlNode {
 public:
  XmlNode() = default;
  explicit XmlNode(platform::ComPtr<IXMLDOMNode> node) : node_(std::move(node)) {}
  explicit operator bool() const { return static_cast<bool>(node_); }

  // The attribute's text; false when the node has no such attribute.
  bool Attribute(const std::wstring& name, std::wstring& value) const;
  bool Text(std::wstring& value, HRESULT* status = nullptr) const;
  std::wstring Name() const;
  long AttributeCount() const;
  XmlQuery SelectSingle(const std::wstring& path, XmlNode& out) const;
  XmlQuery SelectAll(const std::wstring& path, std::vector<XmlNode>& out) const;
  // Removes this node from its parent; status receives the DOM's result.
  bool Remove(HRESULT* status = nullptr);

  IXMLDOMNode* raw() const { return node_.get(); }

 private:
  platform::ComPtr<IXMLDOMNode> node_;
};

class XmlDocument {
 public:
  // Creates the "Msxml2.DOMDocument.6.0" object; false with the COM status when it cannot.
  bool Create(HRESULT& status);
  bool created() const { return static_cast<bool>(doc_); }
  // Loads a file with DTDs and external resources refused (a document type declaration fails the
  // load before parsing, with a parse-failure status); on failure reason/line say why.
  // status receives the loader's own result (a failed HRESULT is an error beyond parsing).
  bool Load(const std::wstring& path, HRESULT* status = nullptr);
  bool LoadText(const std::wstring& xml);
  bool Save(const std::wstring& path, HRESULT* status = nullptr);
  const std::wstring& ErrorReason() const { return reason_; }
  long ErrorLine() const { return line_; }

  XmlQuery SelectSingle(const std::wstring& path, XmlNode& out) const;
  XmlQuery SelectAll(const std::wstring& path, std::vector<XmlNode>& out) const;
  XmlNode Root() const;

 private:
  void ReadParseError();
  bool HasDoctype() const;
  bool RefuseDoctype(long line);
  platform::ComPtr<IXMLDOMDocument2> doc_;
  std::wstring reason_;
  long line_ = 0;
};

// Quotes a value for an XPath literal; false when it holds both kinds of quote.
bool XPathLiteral(const std::wstring& value, std::wstring& literal);
