#pragma once
// In-memory property-list tree: typed nodes read from and written to plist XML.
// Texts are UTF-8 and handled as bytes. The tree is in XNode.cpp, key paths in
// XNodeKeyPath.cpp, the parser in XNodeParser.cpp and the writer in XNodeWriter.cpp. A node may be held by several
// containers; it lives until the last container releases it (a root lives as long as its owner).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace QZ {

class XNode {
public:
  // Low four bits of the flags.
  enum Type : std::uint32_t {
    kTypeNone = 0,
    kTypeString = 1,
    kTypeBoolean = 2,
    kTypeInteger = 3,
    kTypeReal = 4,
    kTypeDict = 5,
    kTypeArray = 6,
    kTypeData = 7,
  };

  static constexpr std::uint32_t kTypeMask = 0x0F;
  static constexpr std::uint32_t kFlagDirty = 0x10;
  static constexpr std::uint32_t kFlagVolatile = 0x20;
  static constexpr std::uint32_t kFlagVisible = 0x40;
  static constexpr std::uint32_t kFlagLocked = 0x80;

  // Writer flags.
  static constexpr std::uint32_t kWriteHeader = 0x1;
  static constexpr std::uint32_t kWriteState = 0x2;
  static constexpr std::uint32_t kWriteVolatile = 0x4;

  // FindPath flags.
  static constexpr std::uint32_t kFindCreate = 0x1;
  static constexpr std::uint32_t kFindCreateVolatile = 0x2;
  static constexpr std::uint32_t kFindRemove = 0x4;

  // Nodes nest at most this many levels below the root, in files and when written.
  static constexpr int kMaxDepth = 63;
  // Largest array index FindPath creates items up to; a bigger index finds nothing.
  static constexpr std::uint32_t kMaxCreatedIndex = 0xFFFF;
  // Writer result when the tree nests deeper than kMaxDepth.
  static constexpr int kErrorTooDeep = -1;
  // The largest file LoadFile reads: settings are a few kilobytes, and a huge file would hold the
  // program up and take its size in memory.
  static constexpr std::uint64_t kMaxFileSize = 1 << 20;

  // Text sink of the writer. Write returns the sink's error value (0 while all is well).
  class Output {
  public:
    virtual ~Output() = default;
    virtual int Write(const char* bytes, std::size_t length) = 0;

    std::uint32_t flags = 0;
    const XNode* root = nullptr;
    int error = 0;
  };

  // Sink over a stdio file; a short write records errno (EIO when unset).
  class OutputFile : public Output {
  public:
    explicit OutputFile(std::FILE* file) : mFile(file) {}
    int Write(const char* bytes, std::size_t length) override;

  private:
    std::FILE* mFile;
  };

  // An empty node of the given type; appended to parent when one is given (the
  // parent then owns it).
  explicit XNode(XNode* parent = nullptr, std::uint32_t type = kTypeNone);
  ~XNode();
  XNode(const XNode&) = delete;
  XNode& operator=(const XNode&) = delete;

  std::uint32_t GetType() const { return mFlags & kTypeMask; }
  std::uint32_t GetFlags() const { return mFlags; }
  bool IsDirty() const { return (mFlags & kFlagDirty) != 0; }
  bool IsVolatile() const { return (mFlags & kFlagVolatile) != 0; }
  // Sets or clears state bits (volatile, visible, locked); the type and dirty bits
  // are left alone.
  void SetFlags(std::uint32_t bits, bool on);

  // 1 when the type changed (the old value is cleared), 0 when it already was that type.
  int SetType(std::uint32_t type);
  void ClearValue();

  // Length 0 means up to the terminating zero. A null or empty text removes the key.
  void SetKey(const char* text, std::size_t length = 0);
  // Null when the node has no key.
  const char* GetKey() const { return mKey.empty() ? nullptr : mKey.c_str(); }
  std::size_t GetKeyLength() const { return mKey.size(); }
  std::uint32_t GetKeyHash() const { return mKeyHash; }

  void SetString(const char* text);
  void SetInteger(std::int32_t value);
  // Length 0 means up to the terminating zero.
  void SetValueFromText(const char* text, std::size_t length = 0);

  // Value accessors; each reads its own slot whatever the type.
  const std::string& GetText() const { return mText; }
  bool GetBoolean() const { return mBoolean; }
  std::int32_t GetInteger() const { return mInteger; }
  float GetReal() const { return mReal; }

  std::size_t GetChildCount() const;
  std::size_t CountChildren(bool includeVolatile) const;
  // Null for an empty slot or an index past the end.
  XNode* GetChild(std::size_t index) const;
  std::size_t GetParentCount() const { return mParents.size(); }
  XNode* GetParent(std::size_t index) const { return index < mParents.size() ? mParents[index] : nullptr; }

  // Length 0 means up to the terminating zero.
  XNode* FindChild(const char* key, std::size_t length = 0) const;
  // False when this node takes no children, the child is null, or adding it would
  // make the node hold itself.
  bool AddChild(XNode* child);
  void RemoveChild(XNode* child);
  void SetArrayItem(std::size_t index, XNode* child);
  void SetArraySize(std::size_t count);

  void SetDirty(bool on);

  // The node the key path names (grammar in XNodeKeyPath.h); this node for an empty
  // path. kFindCreate makes what is missing (kFindCreateVolatile marks it volatile),
  // kFindRemove takes the node out of its container and returns null.
  XNode* FindPath(const char* path, std::uint32_t flags = 0);

  // Returns the sink's error value, or kErrorTooDeep.
  [[nodiscard]] int Write(Output& output, std::uint32_t flags) const;
  // Replaces the file at path in one step (Platform::ReplaceFileAtomically), so a
  // failed write leaves the old file as it was; modes and links are kept. An existing
  // file that may not be written is left alone. Returns 0, a runtime error number, or
  // the writer's result.
  [[nodiscard]] int WriteFile(const char* path, std::uint32_t flags) const;

  // Length 0 means up to the terminating zero. Path names the text in error output.
  [[nodiscard]] static std::unique_ptr<XNode> Parse(const char* text, std::size_t length, const char* path,
                                                    XNode* errorNode);
  // Exactly the given bytes: an empty text fails to parse.
  [[nodiscard]] static std::unique_ptr<XNode> Parse(std::string_view text, const char* path = nullptr,
                                                    XNode* errorNode = nullptr);
  // The document in a regular file of at most kMaxFileSize bytes; null when the file cannot be read, is
  // larger (refused by its size, before anything is read) or does not parse.
  [[nodiscard]] static std::unique_ptr<XNode> LoadFile(const char* path, XNode* errorNode = nullptr);

private:
  struct ParseContext;
  friend struct ParseContext;

  static std::uint32_t HashKey(const char* key, std::size_t length);
  bool Holds(const XNode* node) const;
  void Detach(XNode* child);
  void Release();
  int WriteNode(Output& output, int depth, bool inArray) const;

  std::uint32_t mContainerRefs = 0;
  std::vector<XNode*> mParents;
  std::uint32_t mFlags = 0;
  std::string mKey;
  std::uint32_t mKeyHash = 0;

  std::string mText;
  bool mBoolean = false;
  std::int32_t mInteger = 0;
  float mReal = 0.0f;
  std::vector<XNode*> mChildren;
};

} // namespace QZ
