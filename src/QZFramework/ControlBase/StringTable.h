#pragma once
// LStringTable: texts by string id, for one language; also a control's creation
// parameters. Ids are ordered by their 16-bit code units and compared exactly.
// A table handed out by the control factory is a copy of the factory's table at
// that moment: later changes on either side do not reach the other.
//
// Not locked: used on the UI thread, or by one owner at a time.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Storage/Array.h"
#include "QZFramework/Utilities/Storage/Pair.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <map>
#include <string_view>

namespace QZ {

// Code-unit order of wide texts, also against plain views, so that a lookup by a
// zero-terminated id makes no string.
struct WideTextLess {
  using is_transparent = void;

  static std::u16string_view View(const WideString& text) { return {text.GetChars(), text.GetLength()}; }
  static std::u16string_view View(std::u16string_view text) { return text; }

  template <class A, class B>
  bool operator()(const A& a, const B& b) const {
    return View(a) < View(b);
  }
};

class LStringTable : public virtual LRefCountedObject {
public:
  using Entries = std::map<WideString, WideString, WideTextLess>;
  using SortedEntries = Array<Pair<WideString, WideString>>;

  LStringTable() = default;
  explicit LStringTable(const Entries& entries) : mEntries(entries) {}
  ~LStringTable() override = default;

  // True and the text copied out when the id is present; false and text
  // unchanged otherwise (also for a null id).
  bool GetString(const char16_t* id, WideString& text) const;
  // E_INVALIDARG for a null or empty id; 1 when the id was present and its text
  // replaced; 0 when a new entry was inserted.
  QZRESULT SetString(const char16_t* id, const WideString& text);
  // Empties out and fills it with every entry in ascending id order. 0.
  QZRESULT GetSortedEntries(SortedEntries& out) const;
  // The same for the entries whose id begins with prefix (exact comparison).
  QZRESULT GetSortedEntriesWithPrefix(const WideString& prefix, SortedEntries& out) const;

  std::uint32_t GetCount() const { return static_cast<std::uint32_t>(mEntries.size()); }
  const Entries& GetEntries() const { return mEntries; }

private:
  Entries mEntries;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LStringTable, "class QZ::LStringTable")
