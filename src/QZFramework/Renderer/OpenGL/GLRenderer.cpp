#include "QZFramework/Renderer/OpenGL/GLRenderer.h"

#include "Platform/GL/ErrorBox.h"
#include "Platform/GL/SDLGLContext.h"
#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Renderer/FontRenderer/FreetypeFontRenderer.h"
#include "QZFramework/Renderer/OpenGL/GLErrors.h"
#include "QZFramework/Renderer/OpenGL/GLGlyphRenderer.h"
#include "QZFramework/Renderer/OpenGL/GLPolygon.h"
#include "QZFramework/Renderer/OpenGL/GLRenderContextInfo.h"
#include "QZFramework/Utilities/Storage/DebugOutput.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <stdexcept>
#include <utility>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "Renderer\\OpenGL\\GLRenderer";
constexpr const char* kConstructor = "QZ::LGLRenderer::LGLRenderer";

SGLRendererServices& RegisteredServices() {
  static SGLRendererServices sServices;
  return sServices;
}

std::uint32_t Milliseconds() {
  IFrameworkApp* app = GetFrameworkApp();
  return app ? app->GetMilliseconds() : 0;
}

void SetColor(const Color& color) { glColor4f(color.r, color.g, color.b, color.a); }

// The rectangle as doubles, snapped to whole pixels.
RectT<double> Snapped(const RectT<std::int32_t>& rect) {
  RectT<double> r = rect.ToDoubleRect();
  r.SnapToPixels();
  return r;
}

double RoundHalfAwayFromZero(double v) { return v < 0 ? std::trunc(v - 0.5) : std::trunc(v + 0.5); }

GLint ToGLInt(double v) {
  return static_cast<GLint>(std::clamp(v, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
}

RCPtr<LRenderer> CreateRegistered(const RectT<std::int32_t>& /*clientRect*/, WindowHandle window) {
  return LGLRenderer::CreateWithFreetype(window, RegisteredServices());
}

} // namespace

LGLRenderer::LGLRenderer(const RCPtr<LFontRenderer>& fontRenderer, WindowHandle window,
                         const SGLRendererServices& services)
    : mFontRenderer(fontRenderer), mWindow(window), mLastPurge(Milliseconds()), mServices(services) {
  if (mServices.mStrings) {
    mCaption = mServices.mStrings("GL_ERROR_CAPTION");
    mUpdateDriver = mServices.mStrings("GL_ERROR_UPDATE_DRIVER");
  }

  // What a window's format must give: double buffering and a back buffer that
  // survives the swap. The platform chooses the format with the window.
  const std::uint32_t requested = RequestedPixelFormatFlags(mDoubleBuffered);
  Platform::GLContextWants wants;
  wants.doubleBuffer = (requested & kPFDDoubleBuffer) != 0;
  wants.preserveBackOnSwap = (requested & kPFDSwapCopy) != 0;
  Platform::GLStatus status = Platform::GLStatus::Ok;
  std::unique_ptr<Platform::GLContext> context =
      mServices.mContextProvider ? mServices.mContextProvider(window, wants, &status)
                                 : Platform::CreateNativeWindowGLContext(window, wants, &status);
  if (!context) {
    switch (status) {
    case Platform::GLStatus::InvalidParameter:
    case Platform::GLStatus::NoDisplay:
      ThrowException<std::runtime_error>("", kConstructor, kSourcePath, 152);
    case Platform::GLStatus::NoConfig:
      FailWithBox("GL_ERROR_MESSAGE_CHOOSE_PIXEL_FORMAT", kConstructor, 146);
    case Platform::GLStatus::NoSurface:
      FailWithBox("GL_ERROR_MESSAGE_SET_PIXEL_FORMAT", kConstructor, 163);
    default:
      FailWithBox("GL_ERROR_MESSAGE_CREATE_CONTEXT", kConstructor, 173);
    }
  }
  mGLContext = std::move(context);

  mPixelFormatFlags = GLPixelFormatFlagsOf(mGLContext->GetObtained());
  const SGLPresentMode mode = PlainPresentMode(mPixelFormatFlags);
  mDoubleBuffered = mode.mDoubleBuffered;
  mSwapCopies = mode.mSwapCopies;
  (void)mGLContext->MakeCurrent();
  mFramebuffers = SGLFramebufferFunctions::Load(*mGLContext);

  if (NeedsArbPixelFormat(mode)) {
    SGLExtensionCheckServices check{
        mServices.mStrings, [](const WideString& caption, const WideString& text, std::uint32_t style) {
          Platform::ShowErrorBox(caption.ToNarrow().GetChars(), text.ToNarrow().GetChars(), style);
        }};
    // The extension check shows its box when the context has no extension
    // list. Past it, the platform offers no second (ARB) choice of format for
    // a window, so the road ends as it does when that choice gives no format:
    // the first context stays with the flags it got.
    (void)IsGLExtensionSupported(mGLContext->GetExtensionString(), "WGL_ARB_pixel_format", 0, WideString(), check);
  }
  (void)mGLContext->Release();
}

LGLRenderer::~LGLRenderer() {
  // Textures, lists and atlases go while their context is current, so their
  // names are deleted; the context itself goes with the last render context
  // that shares it.
  const bool current = mGLContext && mGLContext->MakeCurrent();
  auto empty = [](auto& cache) {
    for (std::uint32_t i = 0; i < cache.GetCapacity(); ++i)
      cache.GetEntry(i).mObject = nullptr;
  };
  empty(mBitmapTextures);
  empty(mColorRectLists);
  empty(mStripLists);
  empty(mSegmentLists);
  empty(mOutlineLists);
  empty(mFillLists);
  mFontRenderer = nullptr;
  if (current)
    (void)mGLContext->Release();
}

void LGLRenderer::Register(const SGLRendererServices& services) {
  RegisteredServices() = services;
  (void)LRenderer::RegisterBackEnd(kRendererTypeOpenGL, &CreateRegistered);
}

RCPtr<LRenderer> LGLRenderer::CreateWithFreetype(WindowHandle window, const SGLRendererServices& services) {
  const RCPtr<LGlyphProcessor> glyphs = MakeRCPtr<LGLGlyphRenderer>();
  const RCPtr<LFontRenderer> fonts = MakeRCPtr<LFreetypeFontRenderer>(glyphs, glyphs);
  return MakeRCPtr<LGLRenderer>(fonts, window, services);
}

void LGLRenderer::FailWithBox(const char* messageKey, const char* function, int line) {
  const WideString message = mServices.mStrings ? mServices.mStrings(messageKey) : WideString();
  Platform::ShowErrorBox(mCaption.ToNarrow().GetChars(), message.Concat(mUpdateDriver).ToNarrow().GetChars(),
                         Platform::kErrorBoxExclamation);
  ThrowException<std::runtime_error>("", function, kSourcePath, line);
}

QZRESULT LGLRenderer::GetFontMetrics(const RCPtr<LFont>& font, std::int32_t& lineHeight, std::int32_t& ascent,
                                     std::int32_t& descent) {
  if (!mFontRenderer)
    return E_FAIL;
  return mFontRenderer->GetFontMetrics(font, lineHeight, ascent, descent);
}

RectT<float> LGLRenderer::MeasureText(const WideString& text, const RCPtr<LFont>& font) {
  if (!mFontRenderer)
    return {0.0f, 0.0f, 0.0f, 0.0f};
  return mFontRenderer->MeasureText(text, font);
}

void LGLRenderer::MeasureCaretPositions(const WideString& text, const RCPtr<LFont>& font,
                                        std::vector<float>& positions) {
  if (!mFontRenderer) {
    LMeasurementRenderer::MeasureCaretPositions(text, font, positions);
    return;
  }
  mFontRenderer->MeasureCaretPositions(text, font, positions);
}

QZRESULT LGLRenderer::InitRenderContextInfo(const RectT<std::int32_t>& viewport, WindowHandle window,
                                            bool offscreen, RCPtr<LRenderContextInfo>& context) {
  // The renderer's context draws to its own window only; an off-screen
  // context draws with it too.
  const bool usable = (offscreen || window == mWindow) && mGLContext->MakeCurrent();
  RCPtr<LGLRenderContextInfo> made = MakeRCPtr<LGLRenderContextInfo>(viewport, window, offscreen, mGLContext);
  context = made;
  if (!usable) {
    (void)mGLContext->Release();
    FailWithBox("GL_ERROR_MESSAGE_SET_PIXEL_FORMAT", "QZ::LGLRenderer::InitRenderContextInfo", 336);
  }
  // An off-screen context draws into a framebuffer object of its own. Where
  // the context has none, the context info is made all the same, but it
  // draws nowhere and cannot be drawn back.
  QZRESULT result = S_OK;
  if (offscreen) {
    made->SetSurface(LGLOffscreenSurface::Create(mFramebuffers, viewport.width, viewport.height));
    if (!made->GetSurface())
      result = E_NOTIMPL;
  }
  InitGLState();
  if (GetStartedContextCount() == 0)
    (void)mGLContext->Release();
  return result;
}

void LGLRenderer::InitGLState() {
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glDisable(GL_LIGHTING);
  glDisable(GL_DITHER);
  glDisable(GL_DEPTH_TEST);
  glShadeModel(GL_SMOOTH);
  glDisable(GL_CULL_FACE);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.003921569f);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEnable(GL_POINT_SMOOTH);
  glEnable(GL_LINE_SMOOTH);
  glDisable(GL_POLYGON_SMOOTH);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_SCISSOR_TEST);
  DrainGLErrors();
}

void LGLRenderer::Activate(LRenderContextInfo* context) {
  auto* gl = dynamic_cast<LGLRenderContextInfo*>(context);
  Platform::GLContext* platform = gl && gl->GetGLContext() ? gl->GetGLContext() : mGLContext.get();
  (void)platform->MakeCurrent();
  // The target: an off-screen context's surface, else the window's buffers.
  // An off-screen context without a surface writes no colour at all, so that
  // nothing meant for it lands in the window.
  const LGLOffscreenSurface* surface = gl ? gl->GetSurface().Get() : nullptr;
  if (surface) {
    surface->Bind();
    if (surface->GetWidth() != context->mViewport.width || surface->GetHeight() != context->mViewport.height)
      gl->GetSurface()->Resize(context->mViewport.width, context->mViewport.height);
  } else {
    mFramebuffers.BindWindow();
  }
  const GLboolean write = context && context->mOffscreen && !surface ? GL_FALSE : GL_TRUE;
  glColorMask(write, write, write, write);
}

QZRESULT LGLRenderer::SetViewport(const RectT<std::int32_t>& viewport) {
  LRenderer::SetViewport(viewport);
  glViewport(viewport.x, viewport.y, viewport.width, viewport.height);
  GLint actual[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, actual);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, actual[2], actual[3], 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  return S_OK;
}

QZRESULT LGLRenderer::RenderStart(const RCPtr<LRenderContextInfo>& context) {
  LRenderer::RenderStart(context);
  Activate(context.Get());
  SetViewport(context->mViewport);
  glPushMatrix();
  return S_OK;
}

QZRESULT LGLRenderer::RenderFinish(const RCPtr<LRenderContextInfo>& context) {
  DrainGLErrors();
  glPopMatrix();
  if (context && context->mOffscreen) {
    glFlush();
    if (GetStartedContextCount() == 1) {
      // The last frame ended in a surface: later users of the platform
      // context find the window's buffers bound again.
      mFramebuffers.BindWindow();
      glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    }
  } else {
    if (!mDoubleBuffered) {
      glFlush();
    } else if (mSwapCopies) {
      if (auto* gl = dynamic_cast<LGLRenderContextInfo*>(context.Get()))
        gl->SwapLayerBuffers();
    } else {
      glFlush();
      CopyBackToFront();
    }
    DrainGLErrors();
    (void)mGLContext->Release();
  }
  LRenderer::RenderFinish(context);

  if (GetStartedContextCount() == 0) {
    const std::uint32_t now = Milliseconds();
    if (now - mLastPurge > kGLPurgeInterval) {
      mLastPurge = now;
      PurgeCaches();
    }
  } else {
    LRenderContextInfo* outer = GetCurrentContext();
    Activate(outer);
    SetViewport(outer->mViewport);
  }
  return S_OK;
}

void LGLRenderer::CopyBackToFront() {
  GLint readBuffer = 0;
  GLint drawBuffer = 0;
  glGetIntegerv(GL_READ_BUFFER, &readBuffer);
  glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
  glReadBuffer(GL_BACK);
  glDrawBuffer(GL_FRONT);
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluOrtho2D(0, viewport[2], 0, viewport[3]);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  GLdouble rasterPosition[4] = {0, 0, 0, 1};
  glGetDoublev(GL_CURRENT_RASTER_POSITION, rasterPosition);
  glRasterPos4d(0, 0, 0, 1);
  GLint logicOp = GL_COPY;
  glGetIntegerv(GL_LOGIC_OP_MODE, &logicOp);
  glLogicOp(GL_COPY);
  glCopyPixels(0, 0, viewport[2], viewport[3], GL_COLOR);
  DrainGLErrors();
  glLogicOp(static_cast<GLenum>(logicOp));
  glRasterPos4dv(rasterPosition);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glReadBuffer(static_cast<GLenum>(readBuffer));
  glDrawBuffer(static_cast<GLenum>(drawBuffer));
  DrainGLErrors();
}

void LGLRenderer::PurgeCaches() {
  // The mark is one past the last use so far: an entry survives the next
  // purge only when it is used after this one. (At the counter itself, the
  // entry used last before this purge would count as used since, and with
  // nothing else used it would never go.)
  auto purge = [](auto& cache) {
    cache.Purge(cache.mPurgeMark);
    cache.mPurgeMark = cache.mUseCounter + 1;
  };
  purge(mBitmapTextures);
  purge(mFillLists);
  purge(mOutlineLists);
  purge(mSegmentLists);
  purge(mStripLists);
  purge(mColorRectLists);
}

void LGLRenderer::SetClipRect(const RectT<double>& clip) {
  LRenderer::SetClipRect(clip);
  const RenderState* state = GetCurrentState();
  if (!state)
    return;
  SetScissor({clip.x + state->mOrigin.x, clip.y + state->mOrigin.y, clip.width, clip.height});
}

void LGLRenderer::SetScissor(const RectT<double>& rect) {
  const LRenderContextInfo* context = GetCurrentContext();
  if (!context)
    return;
  const std::int32_t viewportWidth = context->mViewport.width;
  const std::int32_t viewportHeight = context->mViewport.height;
  // Rounded and cut as doubles and only then held to the int range: the
  // unbounded clip (edges near -5e15 and sizes near 1e16) must come out as the
  // whole window, not as a box that the cut at 0 turns empty.
  double x = RoundHalfAwayFromZero(rect.x);
  double y = RoundHalfAwayFromZero(viewportHeight - (rect.y + rect.height));
  double w = RoundHalfAwayFromZero(rect.width);
  double h = RoundHalfAwayFromZero(rect.height);
  if (x < 0) {
    w += x;
    x = 0;
  }
  if (y < 0) {
    h += y;
    y = 0;
  }
  if (w < 1 || h < 1)
    glScissor(viewportWidth, 0, 1, 1);
  else
    glScissor(ToGLInt(x), ToGLInt(y), ToGLInt(w), ToGLInt(h));
}

void LGLRenderer::Translate(const PointT<double>& delta) {
  LRenderer::Translate(delta);
  if (GetCurrentContext() && (delta.x != 0.0 || delta.y != 0.0))
    glTranslatef(static_cast<float>(delta.x), static_cast<float>(delta.y), 0.0f);
}

void LGLRenderer::DrawLine(const PointT<float>& from, const PointT<float>& to, const Color& color,
                           float lineWidth) {
  glLineWidth(lineWidth);
  SetColor(color);
  glBegin(GL_LINES);
  glVertex2d(from.x, from.y);
  glVertex2d(to.x, to.y);
  glEnd();
}

void LGLRenderer::FrameRect(const RectT<std::int32_t>& rect, const Color& color, float lineWidth) {
  glLineWidth(lineWidth);
  SetColor(color);
  const RectT<double> r = Snapped(rect);
  glBegin(GL_LINE_STRIP);
  glVertex2d(r.x, r.y);
  glVertex2d(r.x + r.width, r.y);
  glVertex2d(r.x + r.width, r.y + r.height);
  glVertex2d(r.x, r.y + r.height);
  glVertex2d(r.x, r.y);
  glEnd();
}

void LGLRenderer::FillRect(const RectT<std::int32_t>& rect, const Color& color, bool blend) {
  if (blend) {
    SetColor(color);
    glDisable(GL_TEXTURE_2D);
    const RectT<double> r = Snapped(rect);
    glBegin(GL_QUADS);
    glVertex2d(r.x, r.y);
    glVertex2d(r.x + r.width, r.y);
    glVertex2d(r.x + r.width, r.y + r.height);
    glVertex2d(r.x, r.y + r.height);
    glEnd();
    return;
  }
  const RenderState* state = GetCurrentState();
  if (!state)
    return;
  const PointT<double> origin = state->mOrigin;
  const RectT<double> r = rect.ToDoubleRect();
  SetScissor({r.x + origin.x, r.y + origin.y, r.width, r.height});
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  const RectT<double>& clip = state->mClip;
  SetScissor({clip.x + origin.x, clip.y + origin.y, clip.width, clip.height});
}

void LGLRenderer::FillAndFrameRect(const RectT<std::int32_t>& rect, const Color& fillColor,
                                   const Color& frameColor, float lineWidth) {
  if (fillColor.a > 0.0f)
    FillRect(rect, fillColor, true);
  if (frameColor.a > 0.0f)
    FrameRect(rect, frameColor, lineWidth);
}

void LGLRenderer::DrawCachedPolyline(PolylineKind kind, const PolylineT<float>& polyline, const Color& color,
                                     const PointT<float>& position, const PointT<float>& scale, bool cache) {
  glPushMatrix();
  glTranslatef(position.x, position.y, 0.0f);
  glScalef(scale.x, scale.y, 1.0f);

  ListCache* own = nullptr;
  ListCache* sibling = nullptr;
  switch (kind) {
  case PolylineKind::Segments:
    glDisable(GL_TEXTURE_2D);
    SetColor(color);
    own = &mSegmentLists;
    break;
  case PolylineKind::Strip:
    glDisable(GL_TEXTURE_2D);
    SetColor(color);
    own = &mStripLists;
    break;
  case PolylineKind::Outline:
    SetColor(color);
    glLineWidth(polyline.GetLineWidth());
    own = &mOutlineLists;
    sibling = &mFillLists;
    break;
  case PolylineKind::Fill:
    SetColor(color);
    glDisable(GL_TEXTURE_2D);
    own = &mFillLists;
    sibling = &mOutlineLists;
    break;
  }

  RCPtr<LGLDisplayList>* slot = nullptr;
  bool compiling = false;
  if (cache) {
    const bool changed = polyline.IsChanged();
    polyline.ClearChanged();
    if (changed && sibling)
      sibling->Discard(polyline.GetHandle());
    slot = &own->Get(polyline, changed);
    if (*slot) {
      if (kind == PolylineKind::Outline)
        SetColor(color);
      (void)(*slot)->Call(0, 1);
      glPopMatrix();
      return;
    }
    *slot = LGLDisplayList::Create(1);
    compiling = *slot && (*slot)->BeginCompile(0) == S_OK;
  } else {
    own->Discard(polyline.GetHandle());
    if (sibling)
      sibling->Discard(polyline.GetHandle());
  }

  const std::uint32_t count = polyline.GetCount();
  const PointT<float>* points = polyline.GetData();
  switch (kind) {
  case PolylineKind::Segments:
  case PolylineKind::Strip:
    glLineWidth(polyline.GetLineWidth());
    if (count > 0 && points) {
      glEnableClientState(GL_VERTEX_ARRAY);
      glVertexPointer(2, GL_FLOAT, kind == PolylineKind::Strip ? 8 : 0, points);
      glDrawArrays(kind == PolylineKind::Strip ? GL_LINE_STRIP : GL_LINES, 0, static_cast<GLsizei>(count));
      glDisableClientState(GL_VERTEX_ARRAY);
    }
    break;
  case PolylineKind::Outline:
    glBegin(GL_LINE_STRIP);
    for (std::uint32_t i = 0; i < count; ++i)
      glVertex2f(points[i].x, points[i].y);
    glEnd();
    break;
  case PolylineKind::Fill: {
    CGLPolygon polygon;
    polygon.Tessellate(polyline);
    break;
  }
  }

  if (compiling) {
    (void)(*slot)->EndCompile();
    (void)(*slot)->Call(0, 1);
  }
  glPopMatrix();
  DrainGLErrors();
}

void LGLRenderer::DrawLines(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                            const PointT<float>& scale, bool cache) {
  DrawCachedPolyline(PolylineKind::Segments, polyline, color, position, scale, cache);
}

void LGLRenderer::DrawPolyline(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                               const PointT<float>& scale, bool cache) {
  DrawCachedPolyline(PolylineKind::Strip, polyline, color, position, scale, cache);
}

void LGLRenderer::DrawPolygon(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                              const PointT<float>& scale, bool cache) {
  DrawCachedPolyline(PolylineKind::Outline, polyline, color, position, scale, cache);
}

void LGLRenderer::FillPolygon(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                              const PointT<float>& scale, bool cache) {
  DrawCachedPolyline(PolylineKind::Fill, polyline, color, position, scale, cache);
}

void LGLRenderer::DrawColorRectList(const ColorRectListT<float>& list, const PointT<double>& position,
                                    bool cache) {
  glPushMatrix();
  glTranslatef(static_cast<float>(position.x), static_cast<float>(position.y), 0.0f);

  RCPtr<LGLDisplayList>* slot = nullptr;
  bool compiling = false;
  if (cache) {
    const bool changed = list.IsChanged();
    list.ClearChanged();
    slot = &mColorRectLists.Get(list, changed);
    if (*slot) {
      (void)(*slot)->Call(0, 1);
      glPopMatrix();
      return;
    }
    *slot = LGLDisplayList::Create(1);
    compiling = *slot && (*slot)->BeginCompile(0) == S_OK;
  } else {
    mColorRectLists.Discard(list.GetHandle());
  }

  const RectT<float>* rects = list.GetData();
  const std::uint32_t* colors = list.GetColorData();
  const double sx = list.GetScaleX();
  const double sy = list.GetScaleY();
  for (std::uint32_t i = list.GetCount(); i-- > 0;) {
    const RectT<float>& r = rects[i];
    const RectT<std::int32_t> scaled{RoundToLong(r.x * sx), RoundToLong(r.y * sy), RoundToLong(r.width * sx),
                                     RoundToLong(r.height * sy)};
    FillRect(scaled, Color::FromARGB(colors[i]), true);
  }

  if (compiling) {
    (void)(*slot)->EndCompile();
    (void)(*slot)->Call(0, 1);
  }
  glPopMatrix();
  DrainGLErrors();
}

void LGLRenderer::DrawText(const WideString& text, const RCPtr<LFont>& font, const PointT<std::int32_t>& position,
                           const Color& color) {
  if (!mFontRenderer || text.IsEmpty())
    return;
  SetColor(color);
  const PointT<double> origin{static_cast<double>(position.x), static_cast<double>(position.y)};
  Translate(origin);
  // A font without a file throws; the origin goes back all the same, or the
  // context would keep it for every later frame.
  struct SMoveBack {
    LGLRenderer& renderer;
    PointT<double> delta;
    ~SMoveBack() { renderer.Translate(delta); }
  } moveBack{*this, {-origin.x, -origin.y}};
  (void)mFontRenderer->RenderGlyphs(text, font, mFontRenderer->GetSecondProcessor(), 0, 0.0f, kGlyphRunDrawText);
  DrainGLErrors();
}

RCPtr<LGLTexture> LGLRenderer::CreateBitmapTexture(const RCPtr<LBitmap>& bitmap) {
  RCPtr<LGLTexture> texture = MakeRCPtr<LGLTexture>();
  const QZRESULT result = texture->UploadBitmap(bitmap);
  if (result < 0) {
    // Kept in the cache all the same, so the failure is reported once and
    // not retried every frame; it draws nothing.
    char code[16];
    std::snprintf(code, sizeof code, "%08X", static_cast<unsigned>(result));
    DebugOutput::GetNarrowTarget() << "OpenGL: a picture of " << bitmap->GetWidth() << " x " << bitmap->GetHeight()
                                   << " could not be made a texture (QZRESULT = " << code << ")" << std::endl;
  }
  return texture;
}

void LGLRenderer::DrawBitmap(const RCPtr<LBitmap>& bitmap, const RectT<std::int32_t>& destination,
                             std::int32_t resizeType) {
  if (!bitmap)
    ThrowIfFailed(E_INVALIDARG, "QZ::LGLRenderer::DrawBitmap", kSourcePath, 1104);
  // A bitmap without pixels draws nothing, as with the other back end.
  if (!bitmap->GetGdiplusBitmap() || bitmap->GetWidth() < 1 || bitmap->GetHeight() < 1)
    return;
  const std::int64_t sx = bitmap->GetX();
  const std::int64_t sy = bitmap->GetY();
  const std::int64_t sw = bitmap->GetWidth();
  const std::int64_t sh = bitmap->GetHeight();
  const std::int64_t dx = destination.x;
  const std::int64_t dy = destination.y;
  const std::int64_t dw = destination.width;
  const std::int64_t dh = destination.height;

  RCPtr<LGLTexture>& slot = mBitmapTextures.Get(bitmap, false);
  if (!slot || slot->GetName() == -1 || !glIsTexture(static_cast<GLuint>(slot->GetName())))
    slot = CreateBitmapTexture(bitmap);
  const RCPtr<LGLTexture> texture = slot;
  if (texture->GetUploadResult() < 0)
    return;
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

  if (sw == dw && sh == dh)
    resizeType = kResizeStretch;
  const auto f = [](std::int64_t v) { return static_cast<float>(v); };
  const SGLRect source{f(sx), f(sy), f(sx + sw), f(sy + sh)};
  switch (resizeType) {
  case kResizeStretch:
    texture->Draw(source, {f(dx), f(dy), f(dx + dw), f(dy + dh)});
    break;
  case kResizeTile:
    // A bitmap of no width or height would never step on.
    if (sw <= 0 || sh <= 0)
      break;
    for (std::int64_t x = dx; x < dx + dw; x += sw)
      for (std::int64_t y = dy; y < dy + dh; y += sh)
        texture->Draw(source, {f(x), f(y), f(x + sw), f(y + sh)});
    break;
  case kResizeCentre: {
    const std::int64_t x = dx + (dw - sw) / 2;
    const std::int64_t y = dy + (dh - sh) / 2;
    texture->Draw(source, {f(x), f(y), f(x + sw), f(y + sh)});
    break;
  }
  default:
    ThrowException<std::logic_error>("Invalid ResizeType passed to DrawBitmap!", "QZ::LGLRenderer::DrawBitmap",
                                     kSourcePath, 1154);
  }
  DrainGLErrors();
}

QZRESULT LGLRenderer::DrawSurfacePart(const RCPtr<LRenderContextInfo>& offscreen,
                                      const PointT<std::int32_t>& destination, const RectT<std::int32_t>& source) {
  auto* surface = dynamic_cast<LGLRenderContextInfo*>(offscreen.Get());
  if (!surface || !surface->mOffscreen)
    return E_INVALIDARG;
  if (!surface->GetSurface())
    return E_NOTIMPL;
  glEnable(GL_TEXTURE_2D);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glBindTexture(GL_TEXTURE_2D, surface->GetSurface()->GetColorTexture());
  const double w = surface->GetSurface()->GetWidth();
  const double h = surface->GetSurface()->GetHeight();
  const double s0 = source.x / w;
  const double t0 = (h - source.y) / h;
  const double s1 = (source.x + source.width) / w;
  const double t1 = (h - source.y - source.height) / h;
  const double dx = destination.x;
  const double dy = destination.y;
  glBegin(GL_QUADS);
  glTexCoord2d(s0, t0);
  glVertex2d(dx, dy);
  glTexCoord2d(s0, t1);
  glVertex2d(dx, dy + source.height);
  glTexCoord2d(s1, t1);
  glVertex2d(dx + source.width, dy + source.height);
  glTexCoord2d(s1, t0);
  glVertex2d(dx + source.width, dy);
  glEnd();
  DrainGLErrors();
  return S_OK;
}

QZRESULT LGLRenderer::ScrollOffscreenSurface(const RCPtr<LRenderContextInfo>& offscreen,
                                             const PointT<std::int32_t>& offset) {
  auto* surface = dynamic_cast<LGLRenderContextInfo*>(offscreen.Get());
  if (!surface || !surface->mOffscreen)
    return E_INVALIDARG;
  if (!surface->GetSurface())
    return E_NOTIMPL;
  CRenderFrame frame(RCPtr<LRenderer>(this), offscreen);
  const RectT<double> viewport = surface->mViewport.ToDoubleRect();
  PushClip(viewport, viewport, RCPtr<LStencil>(), false);
  // The surface cannot be read while it is drawn into: the old pixels stay in
  // the texture they are in, and a cleared spare one takes their place.
  LGLOffscreenSurface& pixels = *surface->GetSurface();
  const std::uint32_t old = pixels.ExchangeColorTexture();
  QZRESULT result = E_OUTOFMEMORY;
  if (old != 0) {
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, old);
    const double w = pixels.GetWidth();
    const double h = pixels.GetHeight();
    const double s0 = surface->mViewport.x / w;
    const double s1 = (surface->mViewport.x + w) / w;
    const double ox = offset.x;
    const double oy = offset.y;
    glBlendFunc(GL_ONE, GL_ZERO);
    glBegin(GL_QUADS);
    glTexCoord2d(s0, 1.0);
    glVertex2d(ox, oy);
    glTexCoord2d(s0, 0.0);
    glVertex2d(ox, oy + h);
    glTexCoord2d(s1, 0.0);
    glVertex2d(ox + w, oy + h);
    glTexCoord2d(s1, 1.0);
    glVertex2d(ox + w, oy);
    glEnd();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    result = S_OK;
  }
  PopState();
  (void)frame.Finish();
  return result;
}

} // namespace QZ
