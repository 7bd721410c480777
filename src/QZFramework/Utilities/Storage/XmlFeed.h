#pragma once
// Feeding a whole document to an Expat parser. Expat takes int lengths, so a
// larger text goes in slices of 1 GiB, the last one marked final. The parser
// and its handlers belong to the caller; this only drives it. Any thread, one
// parser per call.

#include <string_view>

struct XML_ParserStruct;

namespace QZ {

// True when every slice parsed; false at the first one Expat refused (its
// error code and line stay in the parser).
bool FeedWholeDocument(XML_ParserStruct* parser, std::string_view text);

} // namespace QZ
