// Font files as the fonts folder may hold them: any bytes read as a TrueType
// font or collection. Every read stays inside the file, nothing is allocated
// beyond what the file can hold, and every name that comes out is a non-empty
// text without a zero, its subfamily in lower case.

#include "QZFramework/Renderer/FontRenderer/FontNameReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

class MemorySource : public QZ::IFontByteSource {
public:
  MemorySource(const std::uint8_t* data, std::size_t size) : mData(data), mSize(size) {}
  std::uint64_t GetLength() override { return mSize; }
  std::uint32_t ReadAt(void* buffer, std::uint32_t count, std::uint64_t offset) override {
    // The reader asks only for bytes it knows to be there.
    Check(offset <= mSize && count <= mSize - offset);
    std::memcpy(buffer, mData + offset, count);
    return count;
  }

private:
  const std::uint8_t* mData;
  std::size_t mSize;
};

bool ValidName(const std::u16string& text) { return !text.empty() && text.find(u'\0') == std::u16string::npos; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemorySource source(data, size);
  std::vector<QZ::SFontName> names;
  QZ::ReadFontNames(source, names);
  for (const QZ::SFontName& name : names) {
    Check(ValidName(name.mFamily) && ValidName(name.mSubfamily));
    for (const char16_t c : name.mSubfamily)
      Check(!(c >= u'A' && c <= u'Z'));
  }
  return 0;
}
