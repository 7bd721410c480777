#include "QZFramework/Utilities/Storage/XNode.h"

#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace QZ {
namespace {

namespace fs = std::filesystem;

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
                            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                            "<plist version=\"1.0\">\n";

class StringOutput : public XNode::Output {
public:
  int Write(const char* bytes, std::size_t length) override {
    text.append(bytes, length);
    return 0;
  }
  std::string text;
};

std::string WriteText(const XNode& node, std::uint32_t flags = 0) {
  StringOutput out;
  EXPECT_EQ(node.Write(out, flags), 0);
  return out.text;
}

std::unique_ptr<XNode> ParseText(const std::string& text, XNode* error = nullptr) {
  return XNode::Parse(std::string_view(text), "test.plist", error);
}

XNode* AddKeyed(XNode& container, const char* key, std::uint32_t type) {
  auto* node = new XNode(&container, type);
  node->SetKey(key);
  return node;
}

std::string Nested(int arrays, const std::string& inner) {
  std::string text;
  for (int i = 0; i < arrays; ++i)
    text += "<array>";
  text += inner;
  for (int i = 0; i < arrays; ++i)
    text += "</array>";
  return text;
}

class TempFolder : public QZ::test::TempFolderTest {
protected:
  static std::string Read(const fs::path& path) { return QZ::test::ReadAll(path); }
  static void Put(const fs::path& path, const std::string& bytes) { QZ::test::WriteAll(path, bytes); }
};

// ---------------------------------------------------------------------------
// Writer

TEST(XNodeWrite, DictRootWithHeaderByteForByte) {
  XNode root(nullptr, XNode::kTypeDict);
  AddKeyed(root, "Application", XNode::kTypeString)->SetString("X");
  EXPECT_EQ(WriteText(root, XNode::kWriteHeader),
            kHeader + "<dict>\n\t<key>Application</key><string>X</string>\n</dict>\n</plist>\n");
}

TEST(XNodeWrite, EveryElementFormWithIndentation) {
  XNode root(nullptr, XNode::kTypeDict);
  root.SetKey("top");
  AddKeyed(root, "s", XNode::kTypeString)->SetString("a b");
  AddKeyed(root, "empty", XNode::kTypeString);
  AddKeyed(root, "t", XNode::kTypeBoolean)->SetValueFromText("true");
  AddKeyed(root, "f", XNode::kTypeBoolean);
  AddKeyed(root, "i", XNode::kTypeInteger)->SetInteger(-42);
  AddKeyed(root, "r", XNode::kTypeReal)->SetValueFromText("1.5");
  AddKeyed(root, "d", XNode::kTypeData)->SetValueFromText("raw");
  AddKeyed(root, "e", XNode::kTypeDict);
  XNode* array = AddKeyed(root, "a", XNode::kTypeArray);
  AddKeyed(*array, "ignored", XNode::kTypeString)->SetString("x");
  XNode* inner = new XNode(array, XNode::kTypeDict);
  AddKeyed(*inner, "n", XNode::kTypeInteger)->SetInteger(7);

  const std::string body = "<dict>\n"
                           "\t<key>s</key><string>a b</string>\n"
                           "\t<key>empty</key><string></string>\n"
                           "\t<key>t</key><true/>\n"
                           "\t<key>f</key><false/>\n"
                           "\t<key>i</key><integer>-42</integer>\n"
                           "\t<key>r</key><real>1.500000</real>\n"
                           "\t<key>d</key><data>raw</data>\n"
                           "\t<key>e</key><dict/>\n"
                           "\t<key>a</key><array>\n"
                           "\t\t<string>x</string>\n"
                           "\t\t<dict>\n"
                           "\t\t\t<key>n</key><integer>7</integer>\n"
                           "\t\t</dict>\n"
                           "\t</array>\n"
                           "</dict>\n";
  // The first node carries its key only without the header.
  EXPECT_EQ(WriteText(root), "<key>top</key>" + body);
  EXPECT_EQ(WriteText(root, XNode::kWriteHeader), kHeader + body + "</plist>\n");
}

TEST(XNodeWrite, VolatileNodesAreLeftOutUnlessAskedFor) {
  XNode root(nullptr, XNode::kTypeDict);
  XNode* gone = AddKeyed(root, "gone", XNode::kTypeDict);
  gone->SetFlags(XNode::kFlagVolatile, true);
  AddKeyed(*gone, "below", XNode::kTypeInteger)->SetInteger(1);

  EXPECT_EQ(WriteText(root), "<dict/>\n");
  EXPECT_EQ(WriteText(root, XNode::kWriteVolatile),
            "<dict>\n\t<key>gone</key><dict>\n\t\t<key>below</key><integer>1</integer>\n\t</dict>\n</dict>\n");

  AddKeyed(root, "kept", XNode::kTypeInteger)->SetInteger(2);
  EXPECT_EQ(WriteText(root), "<dict>\n\t<key>kept</key><integer>2</integer>\n</dict>\n");
}

TEST(XNodeWrite, StateAttributesInTheirOrder) {
  XNode root(nullptr, XNode::kTypeArray);
  XNode* item = new XNode(&root, XNode::kTypeBoolean);
  item->SetFlags(XNode::kFlagVisible | XNode::kFlagLocked | XNode::kFlagVolatile, true);
  item->SetDirty(true); // volatile: stays clean
  root.SetDirty(false);
  root.SetDirty(true);

  // Presentation flags always travel; volatile and dirty only as state attributes.
  EXPECT_EQ(WriteText(root, XNode::kWriteVolatile),
            "<array>\n\t<false visible=\"true\" locked=\"true\"/>\n</array>\n");
  EXPECT_EQ(WriteText(root, XNode::kWriteVolatile | XNode::kWriteState),
            "<array dirty=\"true\">\n\t<false visible=\"true\" locked=\"true\" volatile=\"true\"/>\n</array>\n");
}

TEST(XNodeWrite, StopsAtTheFirstSinkError) {
  struct Failing : XNode::Output {
    int Write(const char*, std::size_t) override {
      ++calls;
      error = 28;
      return error;
    }
    int calls = 0;
  } out;
  XNode root(nullptr, XNode::kTypeDict);
  AddKeyed(root, "a", XNode::kTypeInteger)->SetInteger(1);
  AddKeyed(root, "b", XNode::kTypeInteger)->SetInteger(2);
  EXPECT_EQ(root.Write(out, XNode::kWriteHeader), 28);
  EXPECT_EQ(out.calls, 1);
}

// ---------------------------------------------------------------------------
// Escaping and texts that XML cannot carry

TEST(XNodeText, SpecialCharactersReadBackUnchangedInKeysStringsAndData) {
  const std::string texts[] = {
      "&<>\"'",
      "a&amp;b",
      "<dict>",
      "]]>",
      "line\r\nnext\rlast",
      "tab\tand\nfeed",
      "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB9",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    XNode root(nullptr, XNode::kTypeDict);
    AddKeyed(root, text.c_str(), XNode::kTypeString)->SetString(text.c_str());
    AddKeyed(root, "data", XNode::kTypeData)->SetValueFromText(text.c_str());

    const std::string written = WriteText(root, XNode::kWriteHeader);
    auto back = ParseText(written);
    ASSERT_TRUE(back) << written;
    ASSERT_EQ(back->GetChildCount(), 2u);
    EXPECT_EQ(back->GetChild(0)->GetKey(), text);
    EXPECT_EQ(back->GetChild(0)->GetType(), XNode::kTypeString);
    EXPECT_EQ(back->GetChild(0)->GetText(), text);
    EXPECT_EQ(back->GetChild(1)->GetType(), XNode::kTypeData);
    EXPECT_EQ(back->GetChild(1)->GetText(), text);
  }

  XNode root(nullptr, XNode::kTypeDict);
  AddKeyed(root, "k&\"", XNode::kTypeString)->SetString("&<>\"'");
  AddKeyed(root, "d", XNode::kTypeData)->SetValueFromText("a<b&c");
  EXPECT_EQ(WriteText(root), "<dict>\n"
                             "\t<key>k&amp;&quot;</key><string>&amp;&lt;&gt;&quot;&apos;</string>\n"
                             "\t<key>d</key><data>a&lt;b&amp;c</data>\n"
                             "</dict>\n");
}

TEST(XNodeText, BytesXmlCannotCarryKeepTheFileReadable) {
  const struct {
    const char* text;
    const char* readBack;
  } cases[] = {
      {"a\x01z", "a\xEF\xBF\xBDz"},                                 // C0 control
      {"a\xFFz", "a\xEF\xBF\xBDz"},                                 // not UTF-8
      {"a\xC3", "a\xEF\xBF\xBD"},                                   // cut sequence
      {"a\xC0\xAFz", "a\xEF\xBF\xBD\xEF\xBF\xBDz"},                 // overlong
      {"a\xED\xA0\x80z", "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDz"}, // surrogate
      {"a\xEF\xBF\xBFz", "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDz"}, // U+FFFF
      {"\x7F\xC2\x85", "\x7F\xC2\x85"},                             // allowed as they are
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    XNode root(nullptr, XNode::kTypeDict);
    AddKeyed(root, c.text, XNode::kTypeString)->SetString(c.text);
    AddKeyed(root, "data", XNode::kTypeData)->SetValueFromText(c.text);
    auto back = ParseText(WriteText(root, XNode::kWriteHeader));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->GetChild(0)->GetKey(), std::string(c.readBack));
    EXPECT_EQ(back->GetChild(0)->GetText(), c.readBack);
    EXPECT_EQ(back->GetChild(1)->GetText(), c.readBack);
    // The tree itself keeps what it was given.
    EXPECT_EQ(root.GetChild(0)->GetText(), c.text);
  }
}

TEST(XNodeText, KeysAndDataDeliveredInPiecesKeepTheirWholeText) {
  auto root = ParseText("<plist><dict>"
                        "<key>a&amp;b</key><string>one&lt;two</string>"
                        "<key>multi\nline &#x41;</key><data>d&amp;e&#13;f\ng</data>"
                        "</dict></plist>");
  ASSERT_TRUE(root);
  XNode* string = root->FindChild("a&b");
  ASSERT_NE(string, nullptr);
  EXPECT_EQ(string->GetText(), "one<two");
  XNode* data = root->FindChild("multi\nline A");
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->GetType(), XNode::kTypeData);
  EXPECT_EQ(data->GetText(), "d&e\rf\ng");
}

// ---------------------------------------------------------------------------
// Parser

TEST(XNodeParse, ValuesTypesAndCleanDirtyBits) {
  auto root = ParseText("<?xml version=\"1.0\"?>\n<PLIST><Dict>\n"
                        "<key>hex</key><integer>0x1F</integer>\n"
                        "<key>octal</key><integer>010</integer>\n"
                        "<key>neg</key><integer> -7 </integer>\n"
                        "<key>huge</key><integer>99999999999</integer>\n"
                        "<key>real</key><real>-2.25</real>\n"
                        "<key>yes</key><TRUE/><key>no</key><false/>\n"
                        "<key>list</key><array><string>a</string><integer>1</integer><dict/></array>\n"
                        "<key>unknown</key><date>2020</date>\n"
                        "</Dict></PLIST>");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->GetType(), XNode::kTypeDict);
  EXPECT_EQ(root->FindChild("hex")->GetInteger(), 31);
  EXPECT_EQ(root->FindChild("octal")->GetInteger(), 8);
  EXPECT_EQ(root->FindChild("neg")->GetInteger(), -7);
  EXPECT_EQ(root->FindChild("huge")->GetInteger(), INT32_MAX);
  EXPECT_FLOAT_EQ(root->FindChild("real")->GetReal(), -2.25f);
  EXPECT_EQ(root->FindChild("yes")->GetType(), XNode::kTypeBoolean);
  EXPECT_TRUE(root->FindChild("yes")->GetBoolean());
  EXPECT_FALSE(root->FindChild("no")->GetBoolean());
  XNode* list = root->FindChild("list");
  ASSERT_EQ(list->GetChildCount(), 3u);
  EXPECT_EQ(list->GetChild(0)->GetText(), "a");
  EXPECT_EQ(list->GetChild(2)->GetType(), XNode::kTypeDict);
  EXPECT_EQ(root->FindChild("unknown")->GetType(), XNode::kTypeNone);

  EXPECT_FALSE(root->IsDirty());
  EXPECT_FALSE(list->GetChild(0)->IsDirty());
}

TEST(XNodeParse, VisibleAndLockedRoundTrip) {
  auto root = ParseText("<dict><key>a</key><string VISIBLE=\"TRUE\" Locked=\"true\">x</string>"
                        "<key>b</key><integer visible=\"false\" locked=\"yes\">1</integer></dict>");
  ASSERT_TRUE(root);
  const std::uint32_t both = XNode::kFlagVisible | XNode::kFlagLocked;
  EXPECT_EQ(root->FindChild("a")->GetFlags() & both, both);
  EXPECT_EQ(root->FindChild("b")->GetFlags() & both, 0u);

  const std::string written = WriteText(*root, XNode::kWriteHeader);
  EXPECT_NE(written.find("<key>a</key><string visible=\"true\" locked=\"true\">x</string>\n"), std::string::npos);
  auto back = ParseText(written);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->FindChild("a")->GetFlags() & both, both);
  EXPECT_EQ(WriteText(*back, XNode::kWriteHeader), written);
}

TEST(XNodeParse, FailureFillsTheErrorNode) {
  const struct {
    std::string text;
    const char* error;
  } cases[] = {
      {"<plist>\n<dict>\n<key>a</key><string>x</dict>\n</plist>", "XML Load Error \"mismatched tag\" line 3"},
      {"", "XML Load Error \"no element found\" line 1"},
      {"   \n", "XML Load Error \"no element found\" line 2"},
      {"<dict>\n<key>a\x01</key></dict>", "XML Load Error \"not well-formed (invalid token)\" line 2"},
      {"<dict/><dict/>", "XML Load Error \"junk after document element\" line 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    XNode error(nullptr, XNode::kTypeInteger);
    error.SetInteger(5);
    EXPECT_EQ(ParseText(c.text, &error), nullptr);
    EXPECT_EQ(error.GetType(), XNode::kTypeString);
    EXPECT_EQ(error.GetText(), c.error);
  }
  // Without an error node the failure only goes to the error stream.
  EXPECT_EQ(XNode::Parse("<a>", 0, nullptr, nullptr), nullptr);
}

TEST(XNodeParse, NestingUpToTheLimitParsesDeeperFailsCleanly) {
  // Arrays at levels 0 to 63: the innermost one still opens, but holds nothing.
  auto deepest = ParseText(Nested(XNode::kMaxDepth + 1, ""));
  ASSERT_TRUE(deepest);
  auto withValue = ParseText(Nested(XNode::kMaxDepth, "<integer>9</integer>"));
  ASSERT_TRUE(withValue);
  const XNode* node = withValue.get();
  for (int i = 0; i < XNode::kMaxDepth; ++i)
    node = node->GetChild(0);
  EXPECT_EQ(node->GetInteger(), 9);

  const std::string tooDeep[] = {
      Nested(XNode::kMaxDepth + 1, "<integer>9</integer>"),
      Nested(XNode::kMaxDepth + 2, ""),
      Nested(5000, ""),
      "<plist><dict>" + Nested(XNode::kMaxDepth, "<dict><key>k</key><true/></dict>") + "</dict></plist>",
  };
  for (const std::string& text : tooDeep) {
    XNode error;
    EXPECT_EQ(ParseText(text, &error), nullptr);
    EXPECT_EQ(error.GetText(), "XML Load Error \"nesting deeper than 63 levels\" line 1");
  }
}

TEST(XNodeParse, OddButWellFormedStructuresStaySound) {
  const struct {
    const char* text;
    std::uint32_t rootType;
  } cases[] = {
      {"<plist><dict/><string>x</string></plist>", XNode::kTypeString}, // last top-level value wins
      {"<dict><plist></plist><string>y</string><dict/></dict>", XNode::kTypeDict},
      {"<plist><key>k</key><integer>3</integer></plist>", XNode::kTypeInteger},
      {"<plist></plist>", XNode::kTypeNone},
      {"<string>a<dict><key>x</key></dict>b</string>", XNode::kTypeDict},
      {"<dict><key>a</key><key>b</key><true/></dict>", XNode::kTypeDict},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto root = ParseText(c.text);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->GetType(), c.rootType);
    auto again = ParseText(WriteText(*root, XNode::kWriteHeader));
    EXPECT_TRUE(again);
  }
}

// ---------------------------------------------------------------------------
// Key paths

TEST(XNodeFindPath, CreatesDictsAndFindsThemAgain) {
  XNode root(nullptr, XNode::kTypeDict);
  XNode* c = root.FindPath("a.b.c", XNode::kFindCreate);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->GetType(), XNode::kTypeNone);
  EXPECT_STREQ(c->GetKey(), "c");
  EXPECT_EQ(root.FindChild("a")->GetType(), XNode::kTypeDict);
  EXPECT_EQ(root.FindChild("a")->FindChild("b")->GetType(), XNode::kTypeDict);
  EXPECT_EQ(root.FindPath("a.b.c"), c);
  EXPECT_EQ(root.FindPath("A.B.C"), c);
  EXPECT_EQ(root.FindPath("a.b.d"), nullptr);
  EXPECT_EQ(root.FindPath("a.x.c"), nullptr);
  EXPECT_EQ(root.FindPath(""), &root);
  EXPECT_EQ(root.FindPath(nullptr), &root);
  EXPECT_EQ(root.FindPath("a.b.c."), c);
  EXPECT_EQ(root.GetChildCount(), 1u);

  // A value node on the way becomes a dict.
  root.FindPath("a.b.c", 0)->SetString("text");
  XNode* d = root.FindPath("a.b.c.d", XNode::kFindCreate);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(c->GetType(), XNode::kTypeDict);
  EXPECT_EQ(c->GetText(), "");
}

TEST(XNodeFindPath, KeysMatchRegardlessOfLetterCase) {
  XNode root(nullptr, XNode::kTypeDict);
  XNode* stored = AddKeyed(root, "devicemodel", XNode::kTypeInteger);
  EXPECT_EQ(root.FindPath("DeviceModel"), stored);
  EXPECT_EQ(root.FindChild("DEVICEMODEL"), stored);
  EXPECT_EQ(root.FindChild("devicemode"), nullptr);
  EXPECT_EQ(root.FindChild("devicemodels"), nullptr);
}

TEST(XNodeFindPath, ArrayIndexes) {
  XNode root(nullptr, XNode::kTypeDict);
  XNode* third = root.FindPath("list[2]", XNode::kFindCreate);
  ASSERT_NE(third, nullptr);
  XNode* list = root.FindChild("list");
  EXPECT_EQ(list->GetType(), XNode::kTypeArray);
  ASSERT_EQ(list->GetChildCount(), 3u);
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_EQ(list->GetChild(i)->GetType(), XNode::kTypeDict);
  EXPECT_EQ(list->GetChild(2), third);

  EXPECT_EQ(root.FindPath("list[2]"), third);
  EXPECT_EQ(root.FindPath("list[3]"), nullptr);
  EXPECT_EQ(root.FindPath("LIST[1]"), list->GetChild(1));

  XNode* name = root.FindPath("list[1].name", XNode::kFindCreate);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(root.FindPath("list[1].name"), name);
  EXPECT_EQ(root.FindPath("list[1].other"), nullptr);

  XNode* grid = root.FindPath("grid[1][0]", XNode::kFindCreate);
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(root.FindPath("grid[1][0]"), grid);

  // An empty slot is not filled; an index beyond reason finds nothing.
  list->SetArraySize(5);
  EXPECT_EQ(root.FindPath("list[3]", XNode::kFindCreate), nullptr);
  EXPECT_NE(root.FindPath("list[5]", XNode::kFindCreate), nullptr);
  EXPECT_EQ(root.FindPath("list[99999999999]", XNode::kFindCreate), nullptr);
  EXPECT_EQ(root.FindPath("list[4294967295]", XNode::kFindCreate), nullptr);
  EXPECT_EQ(list->GetChildCount(), 6u);

  // A value node without children becomes an array.
  XNode* value = AddKeyed(root, "value", XNode::kTypeInteger);
  EXPECT_EQ(root.FindPath("value[0]"), nullptr);
  EXPECT_NE(root.FindPath("value[0]", XNode::kFindCreate), nullptr);
  EXPECT_EQ(value->GetType(), XNode::kTypeArray);
}

TEST(XNodeFindPath, VolatileCreationAndRemoval) {
  XNode root(nullptr, XNode::kTypeDict);
  XNode* leaf = root.FindPath("a.b", XNode::kFindCreateVolatile);
  ASSERT_NE(leaf, nullptr);
  EXPECT_TRUE(leaf->IsVolatile());
  EXPECT_FALSE(root.FindChild("a")->IsVolatile());
  XNode* items = root.FindPath("v[1]", XNode::kFindCreateVolatile);
  EXPECT_TRUE(items->IsVolatile());
  EXPECT_TRUE(root.FindChild("v")->GetChild(0)->IsVolatile());

  root.SetDirty(false);
  leaf->SetInteger(3);
  EXPECT_FALSE(root.IsDirty());
  EXPECT_EQ(WriteText(root), "<dict>\n\t<key>a</key><dict/>\n\t<key>v</key><array/>\n</dict>\n");

  EXPECT_EQ(root.FindPath("a.b", XNode::kFindRemove), nullptr);
  EXPECT_EQ(root.FindPath("a.b"), nullptr);
  EXPECT_EQ(root.FindChild("a")->GetChildCount(), 0u);
  EXPECT_EQ(root.FindPath("v[0]", XNode::kFindRemove), nullptr);
  EXPECT_EQ(root.FindChild("v")->GetChildCount(), 1u);
  EXPECT_EQ(root.FindPath("missing", XNode::kFindRemove), nullptr);
  EXPECT_EQ(root.FindPath("", XNode::kFindRemove), &root);
}

// ---------------------------------------------------------------------------
// Setters, dirty bits and containers

TEST(XNodeSetters, TypesValuesAndDirtyMarks) {
  XNode root(nullptr, XNode::kTypeDict);
  XNode* node = AddKeyed(root, "n", XNode::kTypeNone);
  root.SetDirty(false);

  EXPECT_EQ(node->SetType(XNode::kTypeString), 1);
  EXPECT_EQ(node->SetType(XNode::kTypeString), 0);
  EXPECT_FALSE(root.IsDirty());
  node->SetValueFromText("ab");
  node->SetValueFromText("cdef", 2);
  EXPECT_EQ(node->GetText(), "abcd");
  EXPECT_TRUE(node->IsDirty());
  EXPECT_TRUE(root.IsDirty());

  node->SetString("new");
  EXPECT_EQ(node->GetText(), "new");
  EXPECT_STREQ(node->GetKey(), "n");

  node->SetInteger(12);
  EXPECT_EQ(node->GetType(), XNode::kTypeInteger);
  EXPECT_EQ(node->GetText(), "");
  root.SetDirty(false);
  node->SetInteger(12);
  EXPECT_FALSE(node->IsDirty());
  node->SetInteger(13);
  EXPECT_TRUE(root.IsDirty());

  const struct {
    std::uint32_t type;
    const char* text;
    std::int32_t integer;
    bool boolean;
    float real;
  } cases[] = {
      {XNode::kTypeInteger, "0x1F", 31, false, 0},
      {XNode::kTypeInteger, "010", 8, false, 0},
      {XNode::kTypeInteger, "-0x80000001", INT32_MIN, false, 0},
      {XNode::kTypeInteger, "junk", 0, false, 0},
      {XNode::kTypeBoolean, "TRUEly", 0, true, 0},
      {XNode::kTypeBoolean, "tru", 0, false, 0},
      {XNode::kTypeBoolean, " true", 0, false, 0},
      {XNode::kTypeReal, "  +0.5", 0, false, 0.5f},
      {XNode::kTypeReal, "1e3x", 0, false, 1000.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    XNode value(nullptr, c.type);
    value.SetValueFromText(c.text);
    EXPECT_EQ(value.GetInteger(), c.integer);
    EXPECT_EQ(value.GetBoolean(), c.boolean);
    EXPECT_FLOAT_EQ(value.GetReal(), c.real);
  }

  XNode data(nullptr, XNode::kTypeData);
  data.SetValueFromText("one");
  data.SetValueFromText("two");
  EXPECT_EQ(data.GetText(), "two");
  XNode none;
  none.SetValueFromText("ignored");
  EXPECT_EQ(none.GetType(), XNode::kTypeNone);
  EXPECT_EQ(none.GetText(), "");

  XNode keyed;
  keyed.SetKey("abc", 2);
  EXPECT_STREQ(keyed.GetKey(), "ab");
  keyed.SetKey("");
  EXPECT_EQ(keyed.GetKey(), nullptr);
  EXPECT_EQ(keyed.GetKeyHash(), 0u);
}

TEST(XNodeSetters, DirtyInsideAVolatileNodeStopsThere) {
  XNode root(nullptr, XNode::kTypeDict);
  XNode* scratch = AddKeyed(root, "scratch", XNode::kTypeDict);
  scratch->SetFlags(XNode::kFlagVolatile, true);
  XNode* deep = AddKeyed(*scratch, "deep", XNode::kTypeInteger);
  root.SetDirty(false);

  deep->SetInteger(4);
  EXPECT_TRUE(deep->IsDirty());
  EXPECT_FALSE(scratch->IsDirty());
  EXPECT_FALSE(root.IsDirty());

  root.SetDirty(false);
  EXPECT_FALSE(deep->IsDirty());
}

TEST(XNodeContainers, SharedChildrenSlotsAndCycles) {
  XNode a(nullptr, XNode::kTypeDict);
  XNode b(nullptr, XNode::kTypeArray);
  XNode value(nullptr, XNode::kTypeString);
  XNode* shared = new XNode(&a, XNode::kTypeInteger);
  ASSERT_TRUE(b.AddChild(shared));
  EXPECT_EQ(shared->GetParentCount(), 2u);

  a.RemoveChild(shared); // still held by b
  EXPECT_EQ(a.GetChildCount(), 0u);
  EXPECT_EQ(b.GetChild(0), shared);
  a.RemoveChild(shared); // not a child any more: nothing
  EXPECT_EQ(shared->GetParentCount(), 1u);

  // Holding an ancestor or itself is refused.
  XNode* inner = new XNode(&b, XNode::kTypeDict);
  EXPECT_FALSE(inner->AddChild(&b));
  EXPECT_FALSE(b.AddChild(&b));
  EXPECT_FALSE(value.AddChild(&a));
  EXPECT_FALSE(b.AddChild(nullptr));

  b.SetArrayItem(4, new XNode(nullptr, XNode::kTypeBoolean));
  EXPECT_EQ(b.GetChildCount(), 5u);
  EXPECT_EQ(b.GetChild(3), nullptr);
  b.SetArrayItem(0, new XNode(nullptr, XNode::kTypeReal)); // releases the shared integer
  EXPECT_EQ(b.GetChild(0)->GetType(), XNode::kTypeReal);
  EXPECT_EQ(b.CountChildren(true), 5u);
  EXPECT_EQ(b.CountChildren(false), 3u);
  EXPECT_EQ(WriteText(b), "<array>\n\t<real>0.000000</real>\n\t<dict/>\n\t<false/>\n</array>\n");

  b.SetArraySize(1);
  EXPECT_EQ(b.GetChildCount(), 1u);
  b.SetArraySize(3);
  EXPECT_EQ(b.GetChildCount(), 3u);
  EXPECT_EQ(b.GetChild(2), nullptr);
  a.SetArrayItem(0, new XNode(&b, XNode::kTypeString)); // dicts take no items by index
  EXPECT_EQ(a.GetChildCount(), 0u);
  b.ClearValue();
  EXPECT_EQ(b.GetType(), XNode::kTypeNone);
}

TEST(XNodeContainers, NodeDeletedWhileHeldLeavesNoDanglingSlot) {
  XNode root(nullptr, XNode::kTypeDict);
  auto* child = new XNode(&root, XNode::kTypeDict);
  new XNode(child, XNode::kTypeInteger);
  delete child;
  EXPECT_EQ(root.GetChildCount(), 0u);
  EXPECT_EQ(WriteText(root), "<dict/>\n");
}

// ---------------------------------------------------------------------------
// Files

using XNodeFile = TempFolder;

TEST_F(XNodeFile, WriteAndLoadRoundTrip) {
  XNode root(nullptr, XNode::kTypeDict);
  root.FindPath("1_0_0.DeviceModel", XNode::kFindCreate)->SetInteger(1);
  root.FindPath("Name", XNode::kFindCreate)->SetString("P&V <1>");
  const fs::path path = folder / "UserSettings.ini";

  ASSERT_EQ(root.WriteFile(path.c_str(), 0), 0);
  EXPECT_EQ(Read(path), WriteText(root, XNode::kWriteHeader));
  EXPECT_FALSE(fs::exists(path.string() + ".tmp"));
  EXPECT_TRUE(root.IsDirty()); // writing does not clear it

  auto back = XNode::LoadFile(path.c_str());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->FindPath("1_0_0.devicemodel")->GetInteger(), 1);
  EXPECT_EQ(back->FindPath("name")->GetText(), "P&V <1>");
  EXPECT_FALSE(back->IsDirty());
}

TEST_F(XNodeFile, EmptyFileIsAParseFailure) {
  const fs::path path = folder / "empty.ini";
  Put(path, "");
  XNode error;
  EXPECT_EQ(XNode::LoadFile(path.c_str(), &error), nullptr);
  EXPECT_EQ(error.GetText(), "XML Load Error \"no element found\" line 1");

  // A file that stops short is not read past its end either.
  Put(path, "<dict><key>a</key><string>x");
  EXPECT_EQ(XNode::LoadFile(path.c_str()), nullptr);
  EXPECT_EQ(XNode::LoadFile((folder / "missing.ini").c_str()), nullptr);
  EXPECT_EQ(XNode::LoadFile(folder.c_str()), nullptr);
}

TEST_F(XNodeFile, FailedWriteKeepsTheOldFile) {
  const fs::path path = folder / "AppSettings.ini";
  Put(path, "old contents");
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);

  // Too deep to be read back: refused, and the old file survives.
  XNode root(nullptr, XNode::kTypeDict);
  std::string deep = "k";
  for (int i = 0; i < XNode::kMaxDepth; ++i)
    deep += ".k";
  root.FindPath(deep.c_str(), XNode::kFindCreate)->SetInteger(1);
  StringOutput out;
  EXPECT_EQ(root.Write(out, 0), XNode::kErrorTooDeep);
  EXPECT_EQ(root.WriteFile(path.c_str(), 0), XNode::kErrorTooDeep);
  EXPECT_EQ(Read(path), "old contents");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1) << "temporary file left";

  // One level less is the deepest a file holds, and it reads back.
  root.FindPath(deep.c_str(), XNode::kFindRemove);
  root.FindPath(deep.substr(0, deep.size() - 2).c_str(), 0)->SetInteger(2);
  ASSERT_EQ(root.WriteFile(path.c_str(), 0), 0);
  EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  auto back = XNode::LoadFile(path.c_str());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->FindPath(deep.substr(0, deep.size() - 2).c_str())->GetInteger(), 2);

  EXPECT_NE(root.WriteFile((folder / "no" / "such.ini").c_str(), 0), 0);
  EXPECT_FALSE(fs::exists(folder / "no"));
}

TEST_F(XNodeFile, LeftoverNamesBesideTheFileDoNotBlockSaving) {
  const fs::path path = folder / "UserSettings.ini";
  fs::create_directory(path.string() + ".tmp");
  XNode root(nullptr, XNode::kTypeDict);
  AddKeyed(root, "a", XNode::kTypeInteger)->SetInteger(5);
  ASSERT_EQ(root.WriteFile(path.c_str(), 0), 0);
  auto back = XNode::LoadFile(path.c_str());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->FindPath("a")->GetInteger(), 5);
}

TEST(XNodeFileSink, FullDiskIsReported) {
  std::FILE* full = std::fopen("/dev/full", "w");
  if (!full)
    GTEST_SKIP() << "no /dev/full";
  XNode root(nullptr, XNode::kTypeDict);
  AddKeyed(root, "a", XNode::kTypeString)->SetString(std::string(100000, 'x').c_str());
  XNode::OutputFile out(full);
  EXPECT_EQ(root.Write(out, XNode::kWriteHeader), ENOSPC);
  std::fclose(full);
}

} // namespace
} // namespace QZ
