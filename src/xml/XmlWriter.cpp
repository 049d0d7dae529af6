#include "xml/XmlDocument.h"

void TXmlNode::WriteStream(TXmlWriter&) const {}
void TXmlElement::WriteStream(TXmlWriter&) const {}
void TXmlDeclaration::WriteStream(TXmlWriter&) const {}
void TXmlDocType::WriteStream(TXmlWriter&) const {}
void TXmlDtdElement::WriteStream(TXmlWriter&) const {}
void TXmlCharData::WriteStream(TXmlWriter&) const {}
void TXmlQuotedText::WriteStream(TXmlWriter&) const {}
void TXmlComment::WriteStream(TXmlWriter&) const {}
void TXmlCData::WriteStream(TXmlWriter&) const {}
void TXmlInstruction::WriteStream(TXmlWriter&) const {}
void TXmlStyleSheet::WriteStream(TXmlWriter&) const {}
void TXmlAttribute::WriteStream(TXmlWriter&) const {}
