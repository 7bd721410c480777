#include "QZFramework/Utilities/Storage/XNode.h"

#include "QZFramework/Utilities/Storage/XNodeText.h"
#include "QZFramework/Utilities/Storage/XmlFeed.h"

#include "Platform/Files/Files.h"

#include <expat.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace QZ {

namespace {

using XNodeText::EqualsNoCase;
using XNodeText::TextView;

constexpr const char* kErrorTooDeepText = "nesting deeper than 63 levels";
constexpr const char* kErrorNoMemoryText = "out of memory";

} // namespace

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
  template <class F>
  static void Guard(void* userData, F&& f) {
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

  const bool ok = FeedWholeDocument(parser.get(), text);
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
  if (!Platform::ReadWholeFile(path, bytes, kMaxFileSize))
    return nullptr;
  try {
    return Parse(std::string_view(bytes), path, errorNode);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

} // namespace QZ
