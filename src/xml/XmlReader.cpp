#include "xml/XmlDocument.h"

TXmlNode* TXmlNode::ParseStream(TXmlParser&) { return this; }
