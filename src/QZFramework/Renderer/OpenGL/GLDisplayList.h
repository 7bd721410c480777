#pragma once
// LGLDisplayList: a range of consecutive OpenGL display lists, named on the
// first BeginCompile and deleted with the object. Compiling records the calls
// made between BeginCompile and EndCompile into one list of the range; Call
// plays lists of the range back.
//
// The names belong to the context that was current when they were made; every
// operation acts on the context current on the calling thread (the UI thread).
// OpenGL errors are drained and dropped, never reported.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"

#include <cstdint>

namespace QZ {

class LGLDisplayList : public virtual LRefCountedObject {
public:
  // A range of count lists without names yet; null for a count of 0.
  [[nodiscard]] static RCPtr<LGLDisplayList> Create(std::int32_t count);

  explicit LGLDisplayList(std::int32_t count) : mCount(count) {}
  // Deletes the lists while OpenGL still knows them.
  ~LGLDisplayList() override;
  LGLDisplayList(const LGLDisplayList&) = delete;
  LGLDisplayList& operator=(const LGLDisplayList&) = delete;

  // Opens list index of the range for compiling, naming the range first when
  // it has no names. E_FAIL when no names can be had or the range is gone.
  [[nodiscard]] QZRESULT BeginCompile(std::int32_t index);
  // Closes the list being compiled. E_FAIL when the range has no names or is
  // gone.
  [[nodiscard]] QZRESULT EndCompile();
  // Plays lists start to start + count - 1. E_FAIL when the range has no names
  // or one of the lists is gone (those before it have been played);
  // E_INVALIDARG, with nothing played, when the lists reach past the range.
  QZRESULT Call(std::uint32_t start, std::uint32_t count);

  std::int32_t GetBase() const { return mBase; }
  std::int32_t GetCount() const { return mCount; }

private:
  std::int32_t mBase = -1;
  std::int32_t mCount;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LGLDisplayList, "class QZ::LGLDisplayList")
