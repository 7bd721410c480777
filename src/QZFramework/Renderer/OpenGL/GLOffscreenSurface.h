#pragma once
// The pixels of an OpenGL off-screen render context: a framebuffer object
// whose colour buffer is a texture of the surface's size, so that what is
// drawn into the surface can be drawn back as a textured quad. Rows are
// OpenGL's, bottom up: with the renderer's y-down projection the surface's top
// row is the texture's last.
//
// Scrolling needs the old pixels while the new ones are drawn, so the surface
// can exchange its colour texture for a spare one (made on first need), as the
// other back end exchanges its buffers.
//
// Framebuffer objects are core from OpenGL 3.0 and otherwise an extension;
// the entry points are taken from the platform context. A context that offers
// neither has no off-screen surfaces.
//
// Every operation acts on the OpenGL context current on the calling thread
// (the UI thread), which must be the one the surface was made on; no locks.

#include "Platform/GL/GLContext.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"

#include <cstdint>

namespace QZ {

// The framebuffer-object entry points of one context: the core ones (OpenGL
// 3.0, GL_ARB_framebuffer_object) or those of GL_EXT_framebuffer_object,
// which take the same values. All null when the context has neither.
struct SGLFramebufferFunctions {
  using GenFramebuffers = void (*)(std::int32_t count, std::uint32_t* names);
  using DeleteFramebuffers = void (*)(std::int32_t count, const std::uint32_t* names);
  using BindFramebuffer = void (*)(std::uint32_t target, std::uint32_t name);
  using FramebufferTexture2D = void (*)(std::uint32_t target, std::uint32_t attachment,
                                        std::uint32_t textureTarget, std::uint32_t texture, std::int32_t level);
  using CheckFramebufferStatus = std::uint32_t (*)(std::uint32_t target);

  GenFramebuffers mGen = nullptr;
  DeleteFramebuffers mDelete = nullptr;
  BindFramebuffer mBind = nullptr;
  FramebufferTexture2D mAttachTexture = nullptr;
  CheckFramebufferStatus mCheckStatus = nullptr;

  // The entry points the context offers, by its version and extension list.
  static SGLFramebufferFunctions Load(const Platform::GLContext& context);
  bool IsAvailable() const { return mGen && mDelete && mBind && mAttachTexture && mCheckStatus; }
  // Draws into the window's own buffers again.
  void BindWindow() const;
};

class LGLOffscreenSurface : public LRefCountedObject {
public:
  // A cleared (transparent black) surface of width x height, or null when the
  // functions are missing, the size is below 1 or the driver refuses the
  // framebuffer. Leaves the framebuffer binding as it found it.
  [[nodiscard]] static RCPtr<LGLOffscreenSurface> Create(const SGLFramebufferFunctions& functions,
                                                         std::int32_t width, std::int32_t height);
  ~LGLOffscreenSurface() override;
  LGLOffscreenSurface(const LGLOffscreenSurface&) = delete;
  LGLOffscreenSurface& operator=(const LGLOffscreenSurface&) = delete;

  // Draws into the surface from now on.
  void Bind() const;
  // Gives the colour textures a new size (their pixels are lost). Needs the
  // surface bound.
  void Resize(std::int32_t width, std::int32_t height);
  // Attaches the spare colour texture (made when there is none) and returns
  // the name of the one it replaces, which keeps its pixels. Needs the
  // surface bound. 0 when the spare cannot be had: nothing changed then.
  std::uint32_t ExchangeColorTexture();

  // Forgets the names without deleting them, for a surface whose context
  // cannot be made current any more.
  void Abandon() { mFramebuffer = mColorTexture = mSpareTexture = 0; }

  std::uint32_t GetFramebuffer() const { return mFramebuffer; }
  std::uint32_t GetColorTexture() const { return mColorTexture; }
  std::int32_t GetWidth() const { return mWidth; }
  std::int32_t GetHeight() const { return mHeight; }

private:
  LGLOffscreenSurface(const SGLFramebufferFunctions& functions, std::int32_t width, std::int32_t height);
  // A texture of the surface's size for the colour buffer; 0 when none.
  std::uint32_t MakeColorTexture() const;

  SGLFramebufferFunctions mFunctions;
  std::uint32_t mFramebuffer = 0;
  std::uint32_t mColorTexture = 0;
  std::uint32_t mSpareTexture = 0;
  std::int32_t mWidth;
  std::int32_t mHeight;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LGLOffscreenSurface, "class QZ::LGLOffscreenSurface")
