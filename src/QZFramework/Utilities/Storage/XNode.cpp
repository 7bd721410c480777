#include "QZFramework/Utilities/Storage/XNode.h"

#include "Platform/Files/Files.h"

#include <expat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <system_error>

namespace QZ {

namespace {

constexpr const char* kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";
constexpr const char* kTrailer = "</plist>\n";

constexpr const char* kErrorTooDeepText = "nesting deeper than 63 levels";
constexpr const char* kErrorNoMemoryText = "out of memory";

char Fold(char c) { return static_cast<char>(c | 0x20); }

// ASCII letters only; the rest is compared as is.
bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z')
      x = static_cast<char>(x + ('a' - 'A'));
    if (y >= 'A' && y <= 'Z')
      y = static_cast<char>(y + ('a' - 'A'));
    if (x != y)
      return false;
  }
  return true;
}

std::string_view TextView(const char* text, std::size_t length) {
  if (!text)
    return {};
  return length ? std::string_view(text, length) : std::string_view(text);
}

void EraseOne(std::vector<XNode*>& list, const XNode* node) {
  auto it = std::find(list.begin(), list.end(), node);
  if (it != list.end())
    list.erase(it);
}

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
    case '&': out += "&amp;"; ++i; continue;
    case '<': out += "&lt;"; ++i; continue;
    case '>': out += "&gt;"; ++i; continue;
    case '"': out += "&quot;"; ++i; continue;
    case '\'': out += "&apos;"; ++i; continue;
    case '\r': out += "&#13;"; ++i; continue;
    default: break;
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

float ParseReal(std::string_view t, float current) {
  std::size_t b = 0;
  while (b < t.size() && (t[b] == ' ' || (t[b] >= '\t' && t[b] <= '\r')))
    ++b;
  if (b < t.size() && t[b] == '+' && b + 1 < t.size() && t[b + 1] != '-' && t[b + 1] != '+')
    ++b;
  float value = 0.0f;
  const auto r = std::from_chars(t.data() + b, t.data() + t.size(), value, std::chars_format::general);
  if (r.ec == std::errc())
    return value;
  if (r.ec == std::errc::result_out_of_range) {
    // Saturate to infinity or zero the way the C library does.
    const std::string copy(t);
    return std::strtof(copy.c_str(), nullptr);
  }
  return current;
}

std::int32_t ParseInteger(std::string_view t) {
  const std::string copy(t);
  const long long v = std::strtoll(copy.c_str(), nullptr, 0);
  return static_cast<std::int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

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
// Nodes

XNode::XNode(XNode* parent, std::uint32_t type) : mFlags(type & kTypeMask) {
  if (parent)
    parent->AddChild(this);
}

XNode::~XNode() {
  // Deleted while still held (only a caller's mistake does that): leave no container
  // pointing at freed memory.
  for (XNode* parent : mParents) {
    auto& list = parent->mChildren;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  mParents.clear();
  ClearValue();
}

void XNode::SetFlags(std::uint32_t bits, bool on) {
  bits &= ~(kTypeMask | kFlagDirty);
  if (on)
    mFlags |= bits;
  else
    mFlags &= ~bits;
}

int XNode::SetType(std::uint32_t type) {
  type &= kTypeMask;
  if (GetType() == type)
    return 0;
  ClearValue();
  mFlags |= type;
  return 1;
}

void XNode::ClearValue() {
  std::vector<XNode*> children;
  children.swap(mChildren);
  bool changed = false;
  for (XNode* child : children) {
    if (!child)
      continue;
    EraseOne(child->mParents, this);
    changed |= !child->IsVolatile();
    child->Release();
  }
  std::string().swap(mText);
  mBoolean = false;
  mInteger = 0;
  mReal = 0.0f;
  mFlags &= ~kTypeMask;
  if (changed)
    SetDirty(true);
}

std::uint32_t XNode::HashKey(const char* key, std::size_t length) {
  // Over signed characters, with 0x20 folded in so that ASCII letter case does not count.
  std::uint32_t sum = 0;
  std::int32_t prev = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const std::int32_t c = static_cast<signed char>(key[i]) | 0x20;
    sum += static_cast<std::uint32_t>(c + 1) * static_cast<std::uint32_t>(prev + 1);
    prev = c;
  }
  return sum;
}

void XNode::SetKey(const char* text, std::size_t length) {
  const std::string_view key = TextView(text, length);
  if (key.empty()) {
    std::string().swap(mKey);
    mKeyHash = 0;
    return;
  }
  mKey.assign(key);
  mKeyHash = HashKey(mKey.data(), mKey.size());
}

void XNode::SetString(const char* text) {
  ClearValue();
  mFlags |= kTypeString;
  SetValueFromText(text ? text : "", 0);
}

void XNode::SetInteger(std::int32_t value) {
  if (GetType() == kTypeInteger && mInteger == value)
    return;
  SetType(kTypeInteger);
  mInteger = value;
  SetDirty(true);
}

void XNode::SetValueFromText(const char* text, std::size_t length) {
  const std::string_view t = TextView(text, length);
  switch (GetType()) {
  case kTypeString:
    mText.append(t);
    break;
  case kTypeBoolean:
    mBoolean = t.size() >= 4 && EqualsNoCase(t.substr(0, 4), "true");
    break;
  case kTypeInteger:
    mInteger = ParseInteger(t);
    break;
  case kTypeReal:
    mReal = ParseReal(t, mReal);
    break;
  case kTypeData:
    ClearValue();
    mFlags |= kTypeData;
    mText.assign(t);
    break;
  default:
    break;
  }
  SetDirty(true);
}

std::size_t XNode::GetChildCount() const {
  const std::uint32_t type = GetType();
  return (type == kTypeDict || type == kTypeArray) ? mChildren.size() : 0;
}

std::size_t XNode::CountChildren(bool includeVolatile) const {
  if (includeVolatile)
    return GetChildCount();
  return static_cast<std::size_t>(
      std::count_if(mChildren.begin(), mChildren.end(), [](const XNode* c) { return c && !c->IsVolatile(); }));
}

XNode* XNode::GetChild(std::size_t index) const { return index < GetChildCount() ? mChildren[index] : nullptr; }

XNode* XNode::FindChild(const char* key, std::size_t length) const {
  const std::string_view wanted = TextView(key, length);
  if (wanted.empty() || GetChildCount() == 0)
    return nullptr;
  const std::uint32_t hash = HashKey(wanted.data(), wanted.size());
  for (XNode* child : mChildren) {
    if (!child || child->mKeyHash != hash || child->mKey.size() != wanted.size())
      continue;
    bool same = true;
    for (std::size_t i = 0; same && i < wanted.size(); ++i)
      same = Fold(child->mKey[i]) == Fold(wanted[i]);
    if (same)
      return child;
  }
  return nullptr;
}

bool XNode::Holds(const XNode* node) const {
  // True when node is this one or one of its containers, at any distance.
  if (node == this)
    return true;
  if (node->mChildren.empty())
    return false;
  std::vector<const XNode*> pending{this};
  std::vector<const XNode*> seen;
  while (!pending.empty()) {
    const XNode* at = pending.back();
    pending.pop_back();
    if (at == node)
      return true;
    if (std::find(seen.begin(), seen.end(), at) != seen.end())
      continue;
    seen.push_back(at);
    pending.insert(pending.end(), at->mParents.begin(), at->mParents.end());
  }
  return false;
}

bool XNode::AddChild(XNode* child) {
  const std::uint32_t type = GetType();
  if (!child || (type != kTypeDict && type != kTypeArray) || Holds(child))
    return false;
  child->mParents.push_back(this);
  mChildren.push_back(child);
  ++child->mContainerRefs;
  if (!child->IsVolatile())
    SetDirty(true);
  return true;
}

void XNode::Release() {
  if (mContainerRefs == 0 || --mContainerRefs == 0)
    delete this;
}

void XNode::Detach(XNode* child) {
  EraseOne(child->mParents, this);
  const bool changed = !child->IsVolatile();
  child->Release();
  if (changed)
    SetDirty(true);
}

void XNode::RemoveChild(XNode* child) {
  if (!child)
    return;
  auto it = std::find(mChildren.begin(), mChildren.end(), child);
  if (it == mChildren.end())
    return;
  mChildren.erase(it);
  Detach(child);
}

void XNode::SetArrayItem(std::size_t index, XNode* child) {
  if (GetType() != kTypeArray || (child && Holds(child)))
    return;
  if (index >= mChildren.size())
    mChildren.resize(index + 1, nullptr);
  XNode* old = mChildren[index];
  if (old == child)
    return;
  mChildren[index] = child;
  if (child) {
    child->mParents.push_back(this);
    ++child->mContainerRefs;
  }
  if (old) {
    EraseOne(old->mParents, this);
    old->Release();
  }
  if (!child || !child->IsVolatile())
    SetDirty(true);
}

void XNode::SetArraySize(std::size_t count) {
  if (GetType() != kTypeArray)
    return;
  if (count >= mChildren.size()) {
    mChildren.resize(count, nullptr);
    return;
  }
  while (mChildren.size() > count) {
    XNode* last = mChildren.back();
    mChildren.pop_back();
    if (last)
      Detach(last);
  }
}

void XNode::SetDirty(bool on) {
  if (on) {
    if (mFlags & (kFlagDirty | kFlagVolatile))
      return;
    mFlags |= kFlagDirty;
    for (XNode* parent : mParents)
      parent->SetDirty(true);
    return;
  }
  mFlags &= ~kFlagDirty;
  for (XNode* child : mChildren)
    if (child)
      child->SetDirty(false);
}

XNode* XNode::FindPath(const char* path, std::uint32_t flags) {
  if (!path || !*path)
    return this;
  const bool create = (flags & (kFindCreate | kFindCreateVolatile)) != 0;
  const bool makeVolatile = (flags & kFindCreateVolatile) != 0;
  XNode* node = this;
  XNode* container = nullptr;
  const char* p = path;
  for (;;) {
    const std::size_t n = std::strcspn(p, "[.");
    if (n > 0) {
      XNode* child = node->FindChild(p, n);
      if (!child) {
        if (!create)
          return nullptr;
        node->SetType(kTypeDict);
        auto fresh = std::make_unique<XNode>();
        fresh->SetKey(p, n);
        if (makeVolatile && p[n] == '\0')
          fresh->mFlags |= kFlagVolatile;
        if (!node->AddChild(fresh.get()))
          return nullptr;
        child = fresh.release();
      }
      container = node;
      node = child;
    }
    p += n;
    if (*p == '[') {
      ++p;
      std::uint64_t index = 0;
      for (; *p >= '0' && *p <= '9'; ++p)
        index = std::min<std::uint64_t>(index * 10 + static_cast<unsigned>(*p - '0'), UINT32_MAX + 1ull);
      const std::size_t count = node->GetChildCount();
      XNode* item = index < count ? node->mChildren[index] : nullptr;
      if (!item) {
        if (!create)
          return nullptr;
        if (count == 0)
          node->SetType(kTypeArray);
        if (index < count || index > kMaxCreatedIndex)
          return nullptr;
        while (node->mChildren.size() <= index) {
          auto fresh = std::make_unique<XNode>(nullptr, kTypeDict);
          if (makeVolatile)
            fresh->mFlags |= kFlagVolatile;
          if (!node->AddChild(fresh.get()))
            return nullptr;
          item = fresh.release();
        }
      }
      container = node;
      node = item;
      if (*p == ']') {
        ++p;
        if (*p == '.')
          ++p;
      }
    } else if (*p == '.') {
      ++p;
    }
    if (*p == '\0')
      break;
  }
  if ((flags & kFindRemove) && container) {
    container->RemoveChild(node);
    return nullptr;
  }
  return node;
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

// ---------------------------------------------------------------------------
// Parser

struct XNode::ParseContext {
  struct Level {
    XNode* node = nullptr;
    bool takeText = false;
  };

  XML_Parser parser = nullptr;
  std::unique_ptr<XNode> root;
  int depth = 0;
  // One level more than nodes may nest: a container on the deepest level still opens one.
  Level levels[kMaxDepth + 2];
  // Text arrives in pieces (around references, line ends, buffer edges); it is
  // handed to its node whole.
  XNode* textNode = nullptr;
  std::string text;
  const char* failure = nullptr;

  void Fail(const char* why) {
    if (!failure) {
      failure = why;
      XML_StopParser(parser, XML_FALSE);
    }
  }

  void FlushText() {
    XNode* node = textNode;
    textNode = nullptr;
    if (!node || text.empty())
      return;
    if (node->GetType() != kTypeNone)
      node->SetValueFromText(text.data(), text.size());
    else
      node->SetKey(text.data(), text.size());
    text.clear();
  }

  void StartElement(const XML_Char* name, const XML_Char** attributes) {
    FlushText();
    Level& level = levels[depth];
    if (!level.node) {
      if (depth > kMaxDepth)
        return Fail(kErrorTooDeepText);
      auto fresh = std::make_unique<XNode>();
      XNode* node = fresh.get();
      if (depth == 0) {
        // A second top-level value replaces the first.
        for (Level& deeper : levels)
          deeper = Level{};
        root = std::move(fresh);
      } else {
        XNode* container = levels[depth - 1].node;
        if (!container || !container->AddChild(node))
          return Fail("misplaced element");
        fresh.release();
      }
      level.node = node;
      level.takeText = false;
    }
    XNode* node = level.node;

    for (const XML_Char** a = attributes; a && a[0] && a[1]; a += 2) {
      std::uint32_t bit = 0;
      if (EqualsNoCase(a[0], "visible"))
        bit = kFlagVisible;
      else if (EqualsNoCase(a[0], "locked"))
        bit = kFlagLocked;
      if (bit)
        node->SetFlags(bit, EqualsNoCase(a[1], "true"));
    }

    const std::string_view element(name);
    if (EqualsNoCase(element, "plist")) {
      level.takeText = false;
    } else if (EqualsNoCase(element, "key")) {
      level.takeText = true;
    } else if (EqualsNoCase(element, "dict") || EqualsNoCase(element, "array")) {
      node->SetType(EqualsNoCase(element, "dict") ? kTypeDict : kTypeArray);
      if (depth + 1 >= static_cast<int>(std::size(levels)))
        return Fail(kErrorTooDeepText);
      ++depth;
      levels[depth] = Level{};
    } else if (EqualsNoCase(element, "integer")) {
      node->SetType(kTypeInteger);
      level.takeText = true;
    } else if (EqualsNoCase(element, "real")) {
      node->SetType(kTypeReal);
      level.takeText = true;
    } else if (EqualsNoCase(element, "string")) {
      node->SetType(kTypeString);
      level.takeText = true;
    } else if (EqualsNoCase(element, "data")) {
      node->SetType(kTypeData);
      level.takeText = true;
    } else if (EqualsNoCase(element, "true")) {
      node->SetType(kTypeBoolean);
      node->mBoolean = true;
    } else if (EqualsNoCase(element, "false")) {
      node->SetType(kTypeBoolean);
      node->mBoolean = false;
    }
  }

  void EndElement(const XML_Char* name) {
    FlushText();
    const std::string_view element(name);
    if ((EqualsNoCase(element, "plist") || EqualsNoCase(element, "dict") || EqualsNoCase(element, "array")) &&
        depth > 0)
      --depth;
    Level& level = levels[depth];
    level.takeText = false;
    if (level.node && level.node->GetType() != kTypeNone)
      level.node = nullptr;
  }

  void CharacterData(const XML_Char* s, int length) {
    Level& level = levels[depth];
    if (!level.node || !level.takeText || length <= 0)
      return;
    if (textNode != level.node) {
      FlushText();
      textNode = level.node;
    }
    text.append(s, static_cast<std::size_t>(length));
  }

  // No exception may cross the parser's C frames.
  template <class F> static void Guard(void* userData, F&& f) {
    auto* context = static_cast<ParseContext*>(userData);
    if (context->failure)
      return;
    try {
      f(*context);
    } catch (const std::bad_alloc&) {
      context->Fail(kErrorNoMemoryText);
    } catch (...) {
      context->Fail("internal error");
    }
  }

  static void XMLCALL OnStart(void* userData, const XML_Char* name, const XML_Char** attributes) {
    Guard(userData, [&](ParseContext& c) { c.StartElement(name, attributes); });
  }
  static void XMLCALL OnEnd(void* userData, const XML_Char* name) {
    Guard(userData, [&](ParseContext& c) { c.EndElement(name); });
  }
  static void XMLCALL OnText(void* userData, const XML_Char* s, int length) {
    Guard(userData, [&](ParseContext& c) { c.CharacterData(s, length); });
  }
};

std::unique_ptr<XNode> XNode::Parse(const char* text, std::size_t length, const char* path, XNode* errorNode) {
  return Parse(TextView(text, length), path, errorNode);
}

std::unique_ptr<XNode> XNode::Parse(std::string_view text, const char* path, XNode* errorNode) {
  ParseContext context;
  std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreate(nullptr), XML_ParserFree);
  if (!parser)
    return nullptr;
  context.parser = parser.get();
  XML_SetUserData(parser.get(), &context);
  XML_SetElementHandler(parser.get(), &ParseContext::OnStart, &ParseContext::OnEnd);
  XML_SetCharacterDataHandler(parser.get(), &ParseContext::OnText);

  // The parser takes int lengths; bigger texts go in slices, the last one final.
  constexpr std::size_t kSlice = std::size_t{1} << 30;
  bool ok = true;
  do {
    const std::size_t slice = std::min(text.size(), kSlice);
    const bool last = slice == text.size();
    ok = XML_Parse(parser.get(), text.data(), static_cast<int>(slice), last) == XML_STATUS_OK;
    text.remove_prefix(slice);
  } while (ok && !text.empty());
  if (ok && !context.failure) {
    try {
      context.FlushText();
    } catch (const std::bad_alloc&) {
      context.failure = kErrorNoMemoryText;
    }
  }

  if (ok && !context.failure && context.root) {
    context.root->SetDirty(false);
    return std::move(context.root);
  }

  const char* why = context.failure ? context.failure : XML_ErrorString(XML_GetErrorCode(parser.get()));
  if (!why)
    why = "unknown error";
  const std::string line = std::to_string(XML_GetCurrentLineNumber(parser.get()));
  context.textNode = nullptr;
  context.root.reset();
  if (errorNode) {
    errorNode->SetType(kTypeString);
    errorNode->SetValueFromText("XML Load Error \"");
    errorNode->SetValueFromText(why);
    errorNode->SetValueFromText(("\" line " + line).c_str());
  }
  std::fprintf(stderr, "%s:%s: %s\n", path ? path : "XML Load Error", line.c_str(), why);
  return nullptr;
}

std::unique_ptr<XNode> XNode::LoadFile(const char* path, XNode* errorNode) {
  if (!path)
    return nullptr;
  std::string bytes;
  if (!Platform::ReadWholeFile(path, bytes))
    return nullptr;
  try {
    return Parse(std::string_view(bytes), path, errorNode);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

} // namespace QZ
