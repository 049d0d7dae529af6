#include "xml/XmlDebug.h"

void TDebugComponent::DoDebugOut(const void* sender, TXmlWarnStyle style, const std::string& message) const {
  if (OnDebugOut) OnDebugOut(sender, style, message);
}

void TDebugPersistent::DoDebugOut(TXmlWarnStyle style, const std::string& message) const {
  if (const TDebugComponent* owner = DebugOwner()) owner->DoDebugOut(this, style, message);
}
