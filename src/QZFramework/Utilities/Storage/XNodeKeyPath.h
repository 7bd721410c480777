#pragma once
// Key paths into a property-list tree, the one reading of their grammar that the
// tree's FindPath and the settings store share. A path is a run of steps: a name
// ("Window", ended by "." or "[") selects a dictionary entry, "[n]" an array item;
// "a.b[2].c" is name a, name b, index 2, name c. A "." after "]" is optional, an empty
// name is skipped, and "[" without digits reads as index 0. Plain value type; reads the
// text in place, which must outlive it.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace QZ {

struct SKeyPathStep {
  enum Kind { kName, kIndex };

  Kind kind = kName;
  std::string_view name;   // kName: the key, never empty
  std::uint64_t index = 0; // kIndex: saturates one past the largest 32-bit value
  bool last = false;       // kName: nothing follows in the path
};

class CKeyPathTokenizer {
public:
  // Null reads as the empty path, which has no steps.
  explicit CKeyPathTokenizer(const char* path) : mNext(path ? path : "") {}

  // The next step; false once the path is used up.
  bool Next(SKeyPathStep& step);

  // How many steps the path has: the levels below its start that it reaches.
  static int CountSteps(const char* path);

private:
  const char* mNext;
  bool mAfterName = false; // at the separator that follows a name
};

} // namespace QZ
