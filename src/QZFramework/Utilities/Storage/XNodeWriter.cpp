#include "QZFramework/Utilities/Storage/XNode.h"

#include "Platform/Files/Files.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <new>

namespace QZ {

namespace {

constexpr const char* kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
                                "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                                "<plist version=\"1.0\">\n";
constexpr const char* kTrailer = "</plist>\n";

// Length of the well-formed UTF-8 sequence at s[i] that encodes an XML character,
// or 0. XML 1.0 has no way to carry the C0 controls other than tab, line feed and
// carriage return, nor U+FFFE, U+FFFF, surrogates or malformed bytes, even as
// character references.
std::size_t XmlCharLength(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = byte(i);
  if (c < 0x80)
    return (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') ? 1 : 0;
  const std::size_t left = s.size() - i;
  const auto cont = [&](std::size_t k, unsigned char lo, unsigned char hi) {
    return k < left && byte(i + k) >= lo && byte(i + k) <= hi;
  };
  if (c >= 0xC2 && c <= 0xDF)
    return cont(1, 0x80, 0xBF) ? 2 : 0;
  if (c == 0xE0)
    return cont(1, 0xA0, 0xBF) && cont(2, 0x80, 0xBF) ? 3 : 0;
  if ((c >= 0xE1 && c <= 0xEC) || c == 0xEE)
    return cont(1, 0x80, 0xBF) && cont(2, 0x80, 0xBF) ? 3 : 0;
  if (c == 0xED)
    return cont(1, 0x80, 0x9F) && cont(2, 0x80, 0xBF) ? 3 : 0;
  if (c == 0xEF) {
    if (!cont(1, 0x80, 0xBF) || !cont(2, 0x80, 0xBF))
      return 0;
    return (byte(i + 1) == 0xBF && byte(i + 2) >= 0xBE) ? 0 : 3;
  }
  if (c == 0xF0)
    return cont(1, 0x90, 0xBF) && cont(2, 0x80, 0xBF) && cont(3, 0x80, 0xBF) ? 4 : 0;
  if (c >= 0xF1 && c <= 0xF3)
    return cont(1, 0x80, 0xBF) && cont(2, 0x80, 0xBF) && cont(3, 0x80, 0xBF) ? 4 : 0;
  if (c == 0xF4)
    return cont(1, 0x80, 0x8F) && cont(2, 0x80, 0xBF) && cont(3, 0x80, 0xBF) ? 4 : 0;
  return 0;
}

// Keys, strings and data go through the same escaping so that every text reads back
// as written. A carriage return is written as a reference because the parser turns
// raw line ends into line feeds. Bytes XML cannot carry become U+FFFD instead of
// making the whole file unreadable.
void AppendEscaped(std::string& out, std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    switch (c) {
    case '&':
      out += "&amp;";
      ++i;
      continue;
    case '<':
      out += "&lt;";
      ++i;
      continue;
    case '>':
      out += "&gt;";
      ++i;
      continue;
    case '"':
      out += "&quot;";
      ++i;
      continue;
    case '\'':
      out += "&apos;";
      ++i;
      continue;
    case '\r':
      out += "&#13;";
      ++i;
      continue;
    default:
      break;
    }
    const std::size_t n = XmlCharLength(s, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(s.data() + i, n);
      i += n;
    }
  }
}

void AppendTabs(std::string& out, int count) { out.append(static_cast<std::size_t>(count), '\t'); }

int ErrorNumber() { return errno ? errno : EIO; }

// Collects the whole document, which then replaces the file in one step.
class OutputText : public XNode::Output {
public:
  int Write(const char* bytes, std::size_t length) override {
    if (error || length == 0)
      return error;
    try {
      mText.append(bytes, length);
    } catch (const std::bad_alloc&) {
      error = ENOMEM;
    }
    return error;
  }
  const std::string& Text() const { return mText; }

private:
  std::string mText;
};

} // namespace

// ---------------------------------------------------------------------------
// Sinks

int XNode::OutputFile::Write(const char* bytes, std::size_t length) {
  if (error || length == 0)
    return error;
  errno = 0;
  if (std::fwrite(bytes, 1, length, mFile) != length)
    error = ErrorNumber();
  return error;
}

// ---------------------------------------------------------------------------
// Writer

int XNode::Write(Output& output, std::uint32_t flags) const {
  output.flags = flags;
  output.root = this;
  const auto emit = [&output](std::string_view s) {
    if (!output.error) {
      const int r = output.Write(s.data(), s.size());
      if (r && !output.error)
        output.error = r;
    }
  };
  if (flags & kWriteHeader)
    emit(kHeader);
  if (!output.error)
    WriteNode(output, 0, false);
  if (flags & kWriteHeader)
    emit(kTrailer);
  return output.error;
}

int XNode::WriteNode(Output& output, int depth, bool inArray) const {
  const std::uint32_t flags = output.flags;
  if (output.error || (IsVolatile() && !(flags & kWriteVolatile)))
    return output.error;
  if (depth > kMaxDepth) {
    output.error = kErrorTooDeep;
    return output.error;
  }

  std::string attributes;
  if (mFlags & kFlagVisible)
    attributes += " visible=\"true\"";
  if (mFlags & kFlagLocked)
    attributes += " locked=\"true\"";
  if (flags & kWriteState) {
    if (mFlags & kFlagVolatile)
      attributes += " volatile=\"true\"";
    if (mFlags & kFlagDirty)
      attributes += " dirty=\"true\"";
  }

  const std::uint32_t type = GetType();
  std::string line;
  AppendTabs(line, depth);
  if (type != kTypeNone && !mKey.empty() && !inArray && !(depth == 0 && (flags & kWriteHeader))) {
    line += "<key>";
    AppendEscaped(line, mKey);
    line += "</key>";
  }

  const auto flush = [&output, &line] {
    if (!output.error) {
      const int r = output.Write(line.data(), line.size());
      if (r && !output.error)
        output.error = r;
    }
    line.clear();
    return output.error;
  };

  switch (type) {
  case kTypeString:
  case kTypeData: {
    const char* name = type == kTypeString ? "string" : "data";
    line += '<';
    line += name;
    line += attributes;
    line += '>';
    AppendEscaped(line, mText);
    line += "</";
    line += name;
    line += ">\n";
    break;
  }
  case kTypeBoolean:
    line += mBoolean ? "<true" : "<false";
    line += attributes;
    line += "/>\n";
    break;
  case kTypeInteger: {
    char digits[16];
    const auto r = std::to_chars(digits, digits + sizeof digits, mInteger);
    line += "<integer" + attributes + ">";
    line.append(digits, r.ptr);
    line += "</integer>\n";
    break;
  }
  case kTypeReal: {
    char digits[64];
    const auto r = std::to_chars(digits, digits + sizeof digits, mReal, std::chars_format::fixed, 6);
    line += "<real" + attributes + ">";
    line.append(digits, r.ptr);
    line += "</real>\n";
    break;
  }
  case kTypeDict:
  case kTypeArray: {
    const char* name = type == kTypeDict ? "dict" : "array";
    const bool withVolatile = (flags & kWriteVolatile) != 0;
    const bool empty = std::none_of(mChildren.begin(), mChildren.end(), [withVolatile](const XNode* c) {
      return c && (withVolatile || !c->IsVolatile());
    });
    line += '<';
    line += name;
    line += attributes;
    if (empty) {
      line += "/>\n";
      break;
    }
    line += ">\n";
    if (flush())
      return output.error;
    for (const XNode* child : mChildren) {
      if (child && child->WriteNode(output, depth + 1, type == kTypeArray))
        return output.error;
    }
    AppendTabs(line, depth);
    line += "</";
    line += name;
    line += ">\n";
    break;
  }
  default:
    break;
  }
  return flush();
}

int XNode::WriteFile(const char* path, std::uint32_t flags) const {
  if (!path || !*path)
    return EINVAL;
  OutputText output;
  if (const int result = Write(output, flags | kWriteHeader))
    return result;
  return Platform::ReplaceFileAtomically(path, output.Text());
}

} // namespace QZ
