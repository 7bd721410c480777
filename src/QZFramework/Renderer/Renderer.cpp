#include "QZFramework/Renderer/Renderer.h"

#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Renderer/D3D9Renderer.h"
#include "QZFramework/Renderer/Gdi/GDIRenderer.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "Renderer\\Renderer";

// x < 0 gives x - 0.5 truncated, else x + 0.5 truncated.
double RoundHalfAwayFromZero(double v) { return v < 0 ? std::trunc(v - 0.5) : std::trunc(v + 0.5); }

PointT<double> RoundPoint(const PointT<double>& p) {
  return {RoundHalfAwayFromZero(p.x), RoundHalfAwayFromZero(p.y)};
}

// Indexed by type; the types are 0, 1 and 2.
LRenderer::BackEndFactory& BackEnd(std::int32_t type) {
  static LRenderer::BackEndFactory sBackEnds[3] = {nullptr, nullptr, nullptr};
  return sBackEnds[type];
}

bool IsKnownType(std::int32_t type) { return type >= kRendererTypeOpenGL && type <= kRendererTypeD3D9; }

} // namespace

LRenderer::BackEndFactory LRenderer::RegisterBackEnd(std::int32_t type, BackEndFactory factory) {
  if (!IsKnownType(type))
    return nullptr;
  BackEndFactory previous = BackEnd(type);
  BackEnd(type) = factory;
  return previous;
}

RCPtr<LRenderer> LRenderer::Create(std::int32_t type, const RectT<std::int32_t>& clientRect, WindowHandle window) {
  if (IsKnownType(type)) {
    if (BackEndFactory factory = BackEnd(type))
      return factory(clientRect, window);
  }
  switch (type) {
  case kRendererTypeGDIPlus:
    return MakeRCPtr<LGDIRenderer>();
  case kRendererTypeD3D9:
    return MakeRCPtr<LD3D9Renderer>();
  default:
    ThrowException<std::domain_error>("", "QZ::LRenderer::Create", kSourcePath, 129);
  }
}

QZRESULT LRenderer::SetViewport(const RectT<std::int32_t>& viewport) {
  if (LRenderContextInfo* context = GetCurrentContext())
    context->mViewport = viewport;
  return S_OK;
}

QZRESULT LRenderer::SetStencil(const RCPtr<LStencil>& stencil) {
  if (RenderState* state = GetCurrentState())
    state->mStencil = stencil;
  return S_OK;
}

QZRESULT LRenderer::RenderStart(const RCPtr<LRenderContextInfo>& context) {
  if (!context)
    ThrowException<std::runtime_error>("Render context is NULL", "QZ::LRenderer::RenderStart", kSourcePath, 232);
  if (std::find(mStartedContexts.begin(), mStartedContexts.end(), context) != mStartedContexts.end())
    ThrowException<std::runtime_error>("Render context reentered.", "QZ::LRenderer::RenderStart", kSourcePath,
                                       238);
  mStartedContexts.push_back(context);
  return S_OK;
}

QZRESULT LRenderer::RenderFinish(const RCPtr<LRenderContextInfo>& context) {
  if (mStartedContexts.empty() || mStartedContexts.back() != context)
    ThrowException<std::runtime_error>("RenderFinish context does not match RenderStart context",
                                       "QZ::LRenderer::RenderFinish", kSourcePath, 251);
  mStartedContexts.pop_back();
  return S_OK;
}

LRenderContextInfo* LRenderer::GetCurrentContext() const {
  return mStartedContexts.empty() ? nullptr : mStartedContexts.back().Get();
}

RenderState* LRenderer::GetCurrentState() const {
  LRenderContextInfo* context = GetCurrentContext();
  return context ? &context->mCurrentState : nullptr;
}

void LRenderer::PushState() {
  if (LRenderContextInfo* context = GetCurrentContext())
    context->mSavedStates.push_back(context->mCurrentState);
}

void LRenderer::PopState() {
  LRenderContextInfo* context = GetCurrentContext();
  if (!context || context->mSavedStates.empty())
    return;
  const RenderState saved = std::move(context->mSavedStates.back());
  context->mSavedStates.pop_back();
  // Through the virtual operations, so that a back end's device follows.
  const PointT<double> origin = context->mCurrentState.mOrigin;
  Translate({saved.mOrigin.x - origin.x, saved.mOrigin.y - origin.y});
  context->mCurrentState.mAlpha = saved.mAlpha;
  SetClipRect(saved.mClip);
  SetStencil(saved.mStencil);
  context->mCurrentState.mStencilInstalled = saved.mStencilInstalled;
}

void LRenderer::PushTranslation(const PointT<double>& offset) {
  LRenderContextInfo* context = GetCurrentContext();
  // Without a saved state nothing is pushed, and the matching PopState finds
  // nothing to pop either.
  if (!context || context->mSavedStates.empty())
    return;
  PushState();
  const PointT<double> d = RoundPoint(offset);
  Translate(d);
  RectT<double>& clip = context->mCurrentState.mClip;
  clip.x -= d.x;
  clip.y -= d.y;
}

void LRenderer::PushClip(const RectT<double>& bounds, const RectT<double>& clip, const RCPtr<LStencil>& stencil,
                         bool relative) {
  LRenderContextInfo* context = GetCurrentContext();
  if (!context)
    return;
  RenderState& state = context->mCurrentState;
  const PointT<double> t = relative ? PointT<double>{bounds.x, bounds.y}
                                    : PointT<double>{bounds.x - state.mOrigin.x, bounds.y - state.mOrigin.y};
  const PointT<double> d = RoundPoint(t);

  PushState();

  RectT<double> r = clip;
  if (relative) {
    // An empty intersection stays empty: a negative size must not be flipped
    // into a real rectangle by the snapping below.
    if (!RectT<double>::Intersect(clip, bounds, r) || !RectT<double>::Intersect(r, state.mClip, r))
      r = {r.x, r.y, 0.0, 0.0};
  }
  r.SnapToPixels();
  SetClipRect(r);
  Translate(d);
  if (relative) {
    state.mClip.x -= d.x;
    state.mClip.y -= d.y;
  }

  if (!stencil)
    return;
  if (!state.mStencilInstalled) {
    SetStencil(stencil);
    state.mStencilInstalled = true;
  } else {
    SetStencil(stencil->CreateCopyBySize());
  }
}

void LRenderer::SetClipRect(const RectT<double>& clip) {
  if (RenderState* state = GetCurrentState())
    state->mClip = clip;
}

void LRenderer::Translate(const PointT<double>& delta) {
  if (RenderState* state = GetCurrentState()) {
    state->mOrigin.x += delta.x;
    state->mOrigin.y += delta.y;
  }
}

CRenderFrame::CRenderFrame(const RCPtr<LRenderer>& renderer, const RCPtr<LRenderContextInfo>& context)
    : mContext(context) {
  if (!renderer)
    return;
  (void)renderer->RenderStart(context);
  mRenderer = renderer;
}

CRenderFrame::~CRenderFrame() {
  try {
    (void)Finish();
  } catch (...) {
    // Dropped: the frame's own failure is the one to report.
  }
}

QZRESULT CRenderFrame::Finish() {
  if (!mRenderer)
    return S_OK;
  const RCPtr<LRenderer> renderer = std::move(mRenderer);
  mRenderer = nullptr;
  return renderer->RenderFinish(mContext);
}

CAutoClip::CAutoClip(const RCPtr<LRenderer>& renderer, const ClipSpec& spec) : mRenderer(renderer) {
  if (!mRenderer)
    return;
  switch (spec.mFlavor) {
  case kClipFlavorState:
    mRenderer->PushState();
    break;
  case kClipFlavorClip:
    mRenderer->PushClip(spec.mBounds, spec.mClip, spec.mStencil, spec.mRelative);
    break;
  case kClipFlavorTranslation:
    mRenderer->PushTranslation(spec.mTranslation);
    break;
  default:
    mRenderer = nullptr;
    ThrowException<std::runtime_error>("Unknown PushClip flavor", "QZ::CAutoClip::CAutoClip", kSourcePath, 405);
  }
}

CAutoClip::CAutoClip(const RCPtr<LRenderer>& renderer, const RectT<double>& bounds, const RectT<double>& clip,
                     const RCPtr<LStencil>& stencil)
    : mRenderer(renderer) {
  if (mRenderer)
    mRenderer->PushClip(bounds, clip, stencil, true);
}

CAutoClip::~CAutoClip() {
  if (mRenderer)
    mRenderer->PopState();
}

} // namespace QZ
