#include "QZFramework/Utilities/Storage/XmlFeed.h"

#include <expat.h>

#include <algorithm>
#include <cstddef>

namespace QZ {

bool FeedWholeDocument(XML_ParserStruct* parser, std::string_view text) {
  constexpr std::size_t kSlice = std::size_t{1} << 30;
  bool ok = true;
  do {
    const std::size_t slice = std::min(text.size(), kSlice);
    const bool last = slice == text.size();
    ok = XML_Parse(parser, text.data(), static_cast<int>(slice), last) == XML_STATUS_OK;
    text.remove_prefix(slice);
  } while (ok && !text.empty());
  return ok;
}

} // namespace QZ
