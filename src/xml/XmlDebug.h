#pragma once
// Diagnostics: the document holds the callback, and every object that belongs
// to a document forwards its diagnostics there.

#include <functional>
#include <string>

#include "xml/XmlTypes.h"

// sender is the object that raised the diagnostic: a node, the string table or
// the document. message is UTF-8.
using TXmlDebugOutEvent = std::function<void(const void* sender, TXmlWarnStyle style, const std::string& message)>;

class TDebugComponent {
 public:
  // Receives every diagnostic of the document; when empty they are dropped.
  TXmlDebugOutEvent OnDebugOut;

  void DoDebugOut(const void* sender, TXmlWarnStyle style, const std::string& message) const;

 protected:
  TDebugComponent() = default;
  ~TDebugComponent() = default;
};

class TDebugPersistent {
 public:
  virtual ~TDebugPersistent() = default;

 protected:
  TDebugPersistent() = default;
  TDebugPersistent(const TDebugPersistent&) = delete;
  TDebugPersistent& operator=(const TDebugPersistent&) = delete;

  // The component that receives this object's diagnostics (not owned).
  virtual const TDebugComponent* DebugOwner() const = 0;

  void DoDebugOut(TXmlWarnStyle style, const std::string& message) const;
};
