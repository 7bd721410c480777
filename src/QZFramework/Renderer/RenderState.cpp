#include "QZFramework/Renderer/RenderState.h"

namespace QZ {

RCPtr<LStencil> LStencil::CreateForSize(const SizeT<std::int32_t>& size) { return MakeRCPtr<LStencil>(size); }

RCPtr<LStencil> LStencil::CreateCopyBySize() const { return CreateForSize(mSize); }

RCPtr<LRefCountedObject> LStencil::CreateCopy() const { return CreateCopyBySize(); }

} // namespace QZ
