#pragma once
// One captured MIDI message: its bytes (up to four inline), the requested name of the port that captured it, the
// platform's time stamp of a short message (0 for a system-exclusive one) and the capturing port itself.
//
// The source is a plain pointer, not a reference: a client that keeps a message longer than its port lives must
// not use it. Messages are made on the platform's MIDI thread and dropped on the layer's worker or a client's
// thread, so their records come from one process-wide pool with a lock. A message is filled by its maker before
// it is handed on and read-only afterwards.

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/Allocator.h"
#include "QZFramework/Utilities/Storage/ArrayBuffer.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstddef>
#include <cstdint>

namespace QZ {

class LMidiCaptureNotificationData : public virtual LRefCountedObject {
public:
  using Bytes = ArrayBufferM<signed char, 4, 1, 0, 1, 8, GetSystemAllocator>;

  // A new empty message.
  [[nodiscard]] static RCPtr<LMidiCaptureNotificationData> Create(const WideString& portName,
                                                                  LRefCountedObject* source);
  ~LMidiCaptureNotificationData() override;

  static void* operator new(std::size_t size);
  static void operator delete(void* p);

  const LRefCountedObject* GetSource() const { return mSource; }
  Bytes& GetBytes() { return mBytes; }
  const Bytes& GetBytes() const { return mBytes; }
  // E_OUTOFMEMORY when the bytes do not fit; the message is then unchanged.
  QZRESULT AppendBytes(const void* data, std::uint32_t count);
  const WideString& GetPortName() const { return mPortName; }
  std::uint32_t GetTimeStamp() const { return mTimeStamp; }
  void SetTimeStamp(std::uint32_t ms) { mTimeStamp = ms; }

private:
  LMidiCaptureNotificationData(const WideString& portName, LRefCountedObject* source);

  LRefCountedObject* mSource;
  Bytes mBytes;
  WideString mPortName;
  std::uint32_t mTimeStamp = 0;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LMidiCaptureNotificationData, "class QZ::LMidiCaptureNotificationData")
