#include "QZFramework/Renderer/OpenGL/GLPixelFormat.h"

#include <cstring>
#include <string>

namespace QZ {

namespace {

constexpr std::int32_t kAcceptedGenericIndex = 14;
constexpr std::uint32_t kAcceptedGenericFlags = 0x8465;

bool IsDirectiveFlag(char16_t c) {
  return c == u'-' || c == u'+' || c == u' ' || c == u'#' || c == u'.' || (c >= u'0' && c <= u'9');
}

bool IsLengthModifier(char16_t c) {
  return c == u'h' || c == u'l' || c == u'L' || c == u'q' || c == u'j' || c == u'z' || c == u't' || c == u'I';
}

bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

} // namespace

std::uint32_t RequestedPixelFormatFlags(bool doubleBuffered) {
  return kPFDDrawToWindow | kPFDSupportOpenGL | kPFDSwapCopy | (doubleBuffered ? kPFDDoubleBuffer : 0u);
}

std::uint32_t GLPixelFormatFlagsOf(const Platform::GLContextObtained& obtained) {
  return kPFDDrawToWindow | kPFDSupportOpenGL | (obtained.doubleBuffered ? kPFDDoubleBuffer : 0u) |
         (obtained.swapPreserves ? kPFDSwapCopy : 0u);
}

SGLPresentMode PlainPresentMode(std::uint32_t flags) {
  return {(flags & kPFDDoubleBuffer) != 0, (flags & kPFDSwapCopy) != 0 && (flags & kPFDSupportComposition) == 0};
}

bool NeedsArbPixelFormat(const SGLPresentMode& mode) { return !mode.mDoubleBuffered || !mode.mSwapCopies; }

std::optional<std::int32_t> FirstArbPixelFormat(const std::int32_t* formats, std::uint32_t count) {
  if (formats == nullptr || count == 0)
    return std::nullopt;
  return formats[0];
}

std::optional<std::uint32_t> AcceptArbPixelFormat(std::int32_t index, std::uint32_t flags) {
  if (flags == kAcceptedGenericFlags && index == kAcceptedGenericIndex)
    flags &= ~kPFDGenericFormat;
  if ((flags & kPFDGenericFormat) != 0)
    return std::nullopt;
  return flags;
}

SGLPresentMode ArbPresentMode(std::uint32_t flags) {
  return {(flags & kPFDDoubleBuffer) != 0, (flags & kPFDSwapCopy) != 0};
}

WideString FormatExtensionMessage(const WideString& format, std::int32_t code, const WideString& text) {
  const char16_t* f = format.GetChars();
  const std::size_t length = format.GetLength();
  std::u16string out;
  std::int32_t substituted = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (f[i] != u'%') {
      out.push_back(f[i]);
      continue;
    }
    if (i + 1 < length && f[i + 1] == u'%') {
      out.push_back(u'%');
      ++i;
      continue;
    }
    std::size_t end = i + 1;
    while (end < length && IsDirectiveFlag(f[end]))
      ++end;
    while (end < length && IsLengthModifier(f[end]))
      ++end;
    if (end >= length || !IsLetter(f[end]) || substituted >= 2) {
      // Not a directive, or one past the two values: kept as written.
      out.push_back(u'%');
      continue;
    }
    if (substituted == 0) {
      for (char c : std::to_string(code))
        out.push_back(static_cast<char16_t>(c));
    } else {
      out.append(text.GetChars(), text.GetLength());
    }
    ++substituted;
    i = end;
  }
  if (out.size() > kGLExtensionMessageLimit) {
    std::size_t cut = kGLExtensionMessageLimit;
    if (out[cut - 1] >= 0xD800 && out[cut - 1] <= 0xDBFF)
      --cut;
    out.resize(cut);
  }
  WideString result;
  result.AssignChars(out.c_str(), static_cast<std::uint32_t>(out.size()));
  return result;
}

bool IsGLExtensionSupported(const char* extensions, const char* name, std::int32_t errorCode,
                            const WideString& errorText, const SGLExtensionCheckServices& services) {
  if (name == nullptr || name[0] == '\0' || std::strchr(name, ' ') != nullptr)
    return false;
  if (extensions != nullptr)
    return Platform::HasExtensionToken(extensions, name);
  const auto lookUp = [&services](const char* key) {
    return services.mStrings ? services.mStrings(key) : WideString();
  };
  const WideString format = lookUp("GL_ERROR_MESSAGE_GET_PROC_ADDRESS").Concat(lookUp("GL_ERROR_UPDATE_DRIVER"));
  if (services.mMessageBox)
    services.mMessageBox(lookUp("GL_ERROR_CAPTION"), FormatExtensionMessage(format, errorCode, errorText), 0);
  return false;
}

} // namespace QZ
