#include "QZFramework/Renderer/RenderContextInfo.h"

namespace QZ {

LRenderContextInfo::LRenderContextInfo(const RectT<std::int32_t>& viewport, WindowHandle window, bool offscreen)
    : mWindow(window), mOffscreen(offscreen), mViewport(viewport), mDeviceContext(window) {}

// The saved states release their stencils and the dirty region returns its
// nodes to the pool as the members go.
LRenderContextInfo::~LRenderContextInfo() = default;

} // namespace QZ
