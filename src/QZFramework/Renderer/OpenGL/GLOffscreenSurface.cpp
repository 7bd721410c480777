#include "QZFramework/Renderer/OpenGL/GLOffscreenSurface.h"

#include "QZFramework/Renderer/OpenGL/GLErrors.h"

#include <cstdlib>
#include <string>

namespace QZ {

namespace {

// The values are the same for the core functions and the extension's.
constexpr std::uint32_t kFramebuffer = 0x8D40;         // GL_FRAMEBUFFER
constexpr std::uint32_t kFramebufferBinding = 0x8CA6;  // GL_FRAMEBUFFER_BINDING
constexpr std::uint32_t kColorAttachment0 = 0x8CE0;    // GL_COLOR_ATTACHMENT0
constexpr std::uint32_t kFramebufferComplete = 0x8CD5; // GL_FRAMEBUFFER_COMPLETE
constexpr GLint kClampToEdge = 0x812F;                 // GL_CLAMP_TO_EDGE

// The major number at the start of GL_VERSION ("4.5 (Compatibility Profile)
// Mesa 22.3.6", "2.1 Mesa ..."); 0 when there is none.
long MajorVersion(const std::string& version) { return std::strtol(version.c_str(), nullptr, 10); }

template <class F>
F Entry(const Platform::GLContext& context, const char* name) {
  return reinterpret_cast<F>(context.GetProcAddress(name));
}

} // namespace

SGLFramebufferFunctions SGLFramebufferFunctions::Load(const Platform::GLContext& context) {
  const Platform::GLContextObtained& obtained = context.GetObtained();
  const char* suffix = nullptr;
  if (MajorVersion(obtained.version) >= 3 ||
      Platform::HasExtensionToken(obtained.extensions.c_str(), "GL_ARB_framebuffer_object"))
    suffix = "";
  else if (Platform::HasExtensionToken(obtained.extensions.c_str(), "GL_EXT_framebuffer_object"))
    suffix = "EXT";
  SGLFramebufferFunctions functions;
  if (suffix == nullptr)
    return functions;
  const auto name = [suffix](const char* base) { return std::string(base) + suffix; };
  functions.mGen = Entry<GenFramebuffers>(context, name("glGenFramebuffers").c_str());
  functions.mDelete = Entry<DeleteFramebuffers>(context, name("glDeleteFramebuffers").c_str());
  functions.mBind = Entry<BindFramebuffer>(context, name("glBindFramebuffer").c_str());
  functions.mAttachTexture = Entry<FramebufferTexture2D>(context, name("glFramebufferTexture2D").c_str());
  functions.mCheckStatus = Entry<CheckFramebufferStatus>(context, name("glCheckFramebufferStatus").c_str());
  if (!functions.IsAvailable())
    return SGLFramebufferFunctions{};
  return functions;
}

void SGLFramebufferFunctions::BindWindow() const {
  if (mBind)
    mBind(kFramebuffer, 0);
}

RCPtr<LGLOffscreenSurface> LGLOffscreenSurface::Create(const SGLFramebufferFunctions& functions,
                                                       std::int32_t width, std::int32_t height) {
  if (!functions.IsAvailable() || width < 1 || height < 1)
    return nullptr;
  GLint previous = 0;
  glGetIntegerv(kFramebufferBinding, &previous);
  DrainGLErrors();
  RCPtr<LGLOffscreenSurface> surface(new LGLOffscreenSurface(functions, width, height));
  bool complete = surface->mFramebuffer != 0 && surface->mColorTexture != 0;
  if (complete) {
    surface->Bind();
    functions.mAttachTexture(kFramebuffer, kColorAttachment0, GL_TEXTURE_2D, surface->mColorTexture, 0);
    complete = functions.mCheckStatus(kFramebuffer) == kFramebufferComplete;
  }
  if (complete) {
    // New storage holds no defined pixels; the surface starts transparent,
    // whatever the scissor box and the colour mask of the moment.
    GLfloat clearColor[4] = {0, 0, 0, 0};
    GLboolean colorMask[4] = {GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
    glGetBooleanv(GL_COLOR_WRITEMASK, colorMask);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
    glColorMask(colorMask[0], colorMask[1], colorMask[2], colorMask[3]);
    if (scissor)
      glEnable(GL_SCISSOR_TEST);
  }
  functions.mBind(kFramebuffer, static_cast<std::uint32_t>(previous));
  DrainGLErrors();
  return complete ? surface : nullptr;
}

LGLOffscreenSurface::LGLOffscreenSurface(const SGLFramebufferFunctions& functions, std::int32_t width,
                                         std::int32_t height)
    : mFunctions(functions), mWidth(width), mHeight(height) {
  mFunctions.mGen(1, &mFramebuffer);
  mColorTexture = MakeColorTexture();
}

LGLOffscreenSurface::~LGLOffscreenSurface() {
  if (mFramebuffer != 0)
    mFunctions.mDelete(1, &mFramebuffer);
  for (const GLuint texture : {mColorTexture, mSpareTexture}) {
    if (texture != 0)
      glDeleteTextures(1, &texture);
  }
  DrainGLErrors();
}

std::uint32_t LGLOffscreenSurface::MakeColorTexture() const {
  GLint previous = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  // One level and no filtering between texels: the surface is drawn back
  // pixel for pixel, and a texture that asks for mipmaps it lacks is
  // incomplete.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, kClampToEdge);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, kClampToEdge);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, mWidth, mHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  const GLenum error = TakeGLError();
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
  if (error != GL_NO_ERROR) {
    glDeleteTextures(1, &texture);
    return 0;
  }
  return texture;
}

void LGLOffscreenSurface::Bind() const { mFunctions.mBind(kFramebuffer, mFramebuffer); }

void LGLOffscreenSurface::Resize(std::int32_t width, std::int32_t height) {
  if (width < 1 || height < 1 || (width == mWidth && height == mHeight))
    return;
  mWidth = width;
  mHeight = height;
  if (mSpareTexture != 0)
    glDeleteTextures(1, &mSpareTexture);
  mSpareTexture = 0;
  const GLuint old = mColorTexture;
  mColorTexture = MakeColorTexture();
  mFunctions.mAttachTexture(kFramebuffer, kColorAttachment0, GL_TEXTURE_2D, mColorTexture, 0);
  if (old != 0)
    glDeleteTextures(1, &old);
  DrainGLErrors();
}

std::uint32_t LGLOffscreenSurface::ExchangeColorTexture() {
  if (mSpareTexture == 0)
    mSpareTexture = MakeColorTexture();
  if (mSpareTexture == 0)
    return 0;
  const std::uint32_t old = mColorTexture;
  mColorTexture = mSpareTexture;
  mSpareTexture = old;
  mFunctions.mAttachTexture(kFramebuffer, kColorAttachment0, GL_TEXTURE_2D, mColorTexture, 0);
  DrainGLErrors();
  return old;
}

} // namespace QZ
