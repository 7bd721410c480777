#include "QZFramework/Renderer/OpenGL/GLTexture.h"

#include "QZFramework/Renderer/OpenGL/GLErrors.h"

#include <GL/gl.h>

#include <algorithm>

namespace QZ {

namespace {

constexpr std::int32_t kMaxTextureSize = 0x4000;

bool IsTextureName(std::int32_t name) { return glIsTexture(static_cast<GLuint>(name)) == GL_TRUE; }

QZRESULT ResultOf(GLenum error) {
  if (error == GL_NO_ERROR)
    return S_OK;
  return error == GL_OUT_OF_MEMORY ? E_OUTOFMEMORY : E_FAIL;
}

} // namespace

std::int32_t NextTextureSize(std::int32_t n) {
  std::int32_t size = 1;
  while (size < n && size < kMaxTextureSize)
    size *= 2;
  return n < size - size / 2 ? size / 2 : size;
}

LGLTexture::~LGLTexture() {
  if (IsTextureName(mName)) {
    const GLuint name = static_cast<GLuint>(mName);
    glDeleteTextures(1, &name);
    DrainGLErrors();
  }
  mName = -1;
  mTextureWidth = mTextureHeight = 0.0f;
  mImageWidth = mImageHeight = 0.0f;
  mBitmap = nullptr;
}

void LGLTexture::Bind() {
  if (!IsTextureName(mName)) {
    GLuint name = 0;
    glGenTextures(1, &name);
    mName = static_cast<std::int32_t>(name);
  }
  glBindTexture(mTarget, static_cast<GLuint>(mName));
}

QZRESULT LGLTexture::Upload(SGLImage& image, std::uint32_t internalFormat, std::uint32_t flags, float) {
  Bind();

  const bool alphaUpload = internalFormat == kGLInternalAlpha8 || internalFormat == kGLInternalAlpha4;
  const std::uint32_t format = alphaUpload ? kGLFormatAlpha : image.mFormat;
  const std::uint32_t type = alphaUpload ? kGLTypeUnsignedByte : image.mType;

  mImageWidth = static_cast<float>(image.mWidth);
  mImageHeight = static_cast<float>(image.mHeight);
  mSourceWidth = mImageWidth;
  mSourceHeight = mImageHeight;
  mTextureWidth = static_cast<float>(NextTextureSize(image.mWidth));
  mTextureHeight = static_cast<float>(NextTextureSize(image.mHeight));

  const bool nearest = (flags & kGLTextureNearest) != 0;
  const bool repeat = (flags & kGLTextureRepeat) != 0;
  const bool mipmaps = (flags & kGLTextureMipmaps) != 0;
  const GLint minFilter = nearest ? (mipmaps ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST)
                                  : (mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
  glTexParameteri(mTarget, GL_TEXTURE_MIN_FILTER, minFilter);
  glTexParameteri(mTarget, GL_TEXTURE_MAG_FILTER, nearest ? GL_NEAREST : GL_LINEAR);
  glTexParameteri(mTarget, GL_TEXTURE_WRAP_S, repeat ? GL_REPEAT : GL_CLAMP);
  glTexParameteri(mTarget, GL_TEXTURE_WRAP_T, repeat ? GL_REPEAT : GL_CLAMP);
  DrainGLErrors();

  const std::int32_t factor = FitTextureSize(mTextureWidth, mTextureHeight, internalFormat, format, type);

  const GLsizei textureWidth = static_cast<GLsizei>(mTextureWidth);
  const GLsizei textureHeight = static_cast<GLsizei>(mTextureHeight);
  glTexImage2D(mTarget, 0, static_cast<GLint>(internalFormat), textureWidth, textureHeight, 0, format, type,
               nullptr);
  if (const GLenum error = TakeGLError(); error != GL_NO_ERROR)
    return mUploadResult = ResultOf(error);

  if ((factor > 1 || repeat) && (mImageWidth != mTextureWidth || mImageHeight != mTextureHeight)) {
    image.ScaleTo(textureWidth, textureHeight);
    mImageWidth = mTextureWidth;
    mImageHeight = mTextureHeight;
  } else if (image.mWidth > textureWidth || image.mHeight > textureHeight) {
    // Larger than the largest storage (a film strip, a sprite sheet): the
    // sides that overflow are scaled down to it, the others kept.
    image.ScaleTo(std::min<std::int32_t>(image.mWidth, textureWidth),
                  std::min<std::int32_t>(image.mHeight, textureHeight));
    mImageWidth = static_cast<float>(image.mWidth);
    mImageHeight = static_cast<float>(image.mHeight);
  }
  if (alphaUpload)
    image.ConvertToAlpha();
  if (image.mData == nullptr && image.mWidth > 0 && image.mHeight > 0)
    return mUploadResult = E_OUTOFMEMORY; // the scaled or converted copy could not be had
  return mUploadResult = ResultOf(image.UploadTo(mTarget, internalFormat, mipmaps));
}

QZRESULT LGLTexture::UploadBitmap(const RCPtr<LBitmap>& bitmap) {
  mBitmap = bitmap;
  if (!bitmap)
    return S_OK;
  RCPtr<LBitmapData> pixels = bitmap->Lock();
  const std::uint32_t* first = pixels ? pixels->GetPixelAddressConst(0, 0) : nullptr;
  // No pixels: storage of 0 x 0 would make an incomplete texture, which
  // OpenGL draws as plain white.
  if (first == nullptr || pixels->GetWidth() < 1 || pixels->GetHeight() < 1)
    return mUploadResult = E_FAIL;
  SGLImage image;
  image.SetExternal(first, pixels->GetStride(), 4, pixels->GetWidth(), pixels->GetHeight(), kGLFormatBGRA,
                    kGLTypeUnsignedByte);
  const QZRESULT result = Upload(image, kGLInternalRGBA8, 0, 1.0f);
  image.Reset();
  pixels = nullptr;
  return result;
}

std::int32_t LGLTexture::FitTextureSize(float& width, float& height, std::uint32_t internalFormat,
                                        std::uint32_t format, std::uint32_t type) {
  Bind();
  std::int32_t factor = 1;
  DrainGLErrors();
  if (width > 1.0f) {
    GLint internal = static_cast<GLint>(internalFormat);
    while (height > 1.0f) {
      const GLsizei tryWidth = static_cast<GLsizei>(width);
      const GLsizei tryHeight = static_cast<GLsizei>(height);
      glTexImage2D(GL_PROXY_TEXTURE_2D, 0, internal, tryWidth, tryHeight, 0, format, type, nullptr);
      const bool error = glGetError() != GL_NO_ERROR;
      GLint proxyWidth = 0;
      GLint proxyHeight = 0;
      GLint components = 0;
      glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &proxyWidth);
      glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &proxyHeight);
      glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_COMPONENTS, &components);
      // A proxy that cannot be had raises no error: OpenGL empties it instead,
      // so the size fits only when the proxy took it.
      const bool taken = proxyWidth == tryWidth && proxyHeight == tryHeight;
      if (!error && taken)
        break;
      // The format the driver chose replaces the one asked for; an emptied
      // proxy has none.
      if (components != 0 && components != internal)
        internal = components;
      if (taken)
        break;
      width /= 2.0f;
      height /= 2.0f;
      factor *= 2;
      if (!(width > 1.0f))
        break;
    }
  }
  DrainGLErrors();
  return factor;
}

void LGLTexture::Draw(const SGLRect& source, const SGLRect& target) const {
  glEnable(mTarget);
  glBindTexture(mTarget, static_cast<GLuint>(mName));
  // Source pixels of the image as given; after a rescale the image fills the
  // storage, before it only its top-left part.
  auto s = [this](float x) { return (x / mSourceWidth) * (mImageWidth / mTextureWidth); };
  auto t = [this](float y) { return (y / mSourceHeight) * (mImageHeight / mTextureHeight); };
  glBegin(GL_QUADS);
  glTexCoord2f(s(source.mX0), t(source.mY0));
  glVertex2f(target.mX0, target.mY0);
  glTexCoord2f(s(source.mX0), t(source.mY1));
  glVertex2f(target.mX0, target.mY1);
  glTexCoord2f(s(source.mX1), t(source.mY1));
  glVertex2f(target.mX1, target.mY1);
  glTexCoord2f(s(source.mX1), t(source.mY0));
  glVertex2f(target.mX1, target.mY0);
  glEnd();
  glDisable(mTarget);
}

} // namespace QZ
