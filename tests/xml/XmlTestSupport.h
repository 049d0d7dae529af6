#pragma once

#include <memory>
#include <string>
#include <vector>

#include "xml/XmlDocument.h"

struct TDiagnostic {
  const void* Sender;
  TXmlWarnStyle Style;
  std::string Message;
};

// Collects the diagnostics of a document.
inline void CaptureDiagnostics(TXmlDocument& document, std::vector<TDiagnostic>& sink) {
  document.OnDebugOut = [&sink](const void* sender, TXmlWarnStyle style, const std::string& message) {
    sink.push_back({sender, style, message});
  };
}

// The Name of every child, in list order.
inline std::vector<std::string> ChildNames(const TXmlNode& node) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < node.NodeCount(); ++i) names.push_back(node.Nodes(i)->Name());
  return names;
}

inline std::unique_ptr<TXmlAttribute> MakeAttribute(TXmlDocument& document, const std::string& name,
                                                    const std::string& value) {
  auto attribute = std::make_unique<TXmlAttribute>(&document);
  attribute->SetName(name);
  attribute->SetValue(value);
  return attribute;
}
