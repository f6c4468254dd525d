#pragma once

#include "wire.h"

namespace norvik {

// Whether `document` is one that XmlLite reads right: UTF-8 of characters XML allows (its
// declaration, if any, saying version 1.0 and UTF-8 or no encoding), every reference in it one
// that needs no declaration, every element it opens closed. The Windows ParseXml checks this
// before XmlLite runs: XmlLite as Wine has it ends the program on a declaration alone, returns
// the last node for ever on a document cut short inside its root element (or takes it for a
// whole one), reads bytes that are not UTF-8 and leaves an unknown reference in the text.
// Expat, on Linux, refuses all of these itself.
bool IsCompleteUtf8Xml(ByteSpan document);

}  // namespace norvik
