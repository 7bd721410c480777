#pragma once
// The OpenGL renderer's start-up decisions as plain functions over what the
// platform reports, so they are testable without a context: which pixel
// format flags to ask for, what a format's flags mean for presenting, whether
// the ARB road is taken and which of its formats is accepted, and the
// extension check with its message when the extension list cannot be had.
//
// The flag values are the pixel-format descriptor bits the renderer reasons
// in; GLPixelFormatFlagsOf translates a platform context's report into them.
// The ARB decisions are those of a platform that offers a second choice of
// format for a window; ours offers none, so the renderer's ARB road ends after
// the extension check (see LGLRenderer).
// No state; any thread.

#include "Platform/GL/GLContext.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace QZ {

inline constexpr std::uint32_t kPFDDoubleBuffer = 0x1;
inline constexpr std::uint32_t kPFDDrawToWindow = 0x4;
inline constexpr std::uint32_t kPFDSupportOpenGL = 0x20;
inline constexpr std::uint32_t kPFDGenericFormat = 0x40;
inline constexpr std::uint32_t kPFDSwapCopy = 0x400;
inline constexpr std::uint32_t kPFDSupportComposition = 0x8000;

// The ARB attribute list: draw to window, RGBA, double buffer, copying swap,
// then the terminating pair.
inline constexpr std::array<std::int32_t, 10> kGLArbPixelFormatAttributes = {
    0x2001, 1, 0x2013, 0x202B, 0x2011, 1, 0x2007, 0x2029, 0, 0};
// At most this many ARB formats are looked at.
inline constexpr std::uint32_t kGLArbMaxFormats = 64;
// The longest extension-check message, in UTF-16 units.
inline constexpr std::uint32_t kGLExtensionMessageLimit = 180;

// What a format gives the renderer.
struct SGLPresentMode {
  bool mDoubleBuffered = true;
  // A swap leaves the frame in the back buffer.
  bool mSwapCopies = true;
};

// The flags asked for: window, OpenGL, copying swap, and double buffering
// while it is wanted (0x425, else 0x424).
std::uint32_t RequestedPixelFormatFlags(bool doubleBuffered);

// The flags of the format a platform context got.
std::uint32_t GLPixelFormatFlagsOf(const Platform::GLContextObtained& obtained);

// The first format's mode: a swap counts as copying only without composition
// support.
SGLPresentMode PlainPresentMode(std::uint32_t flags);

// Whether the ARB road is tried: when either behaviour is missing.
bool NeedsArbPixelFormat(const SGLPresentMode& mode);

// The format the ARB road takes from the count formats it was given: the first
// of them (the count is limited to 64); nothing for a count of 0.
std::optional<std::int32_t> FirstArbPixelFormat(const std::int32_t* formats, std::uint32_t count);

// An ARB format's flags as accepted: 0x8465 at index 14 is taken as 0x8425;
// any other generic format is refused (nothing).
std::optional<std::uint32_t> AcceptArbPixelFormat(std::int32_t index, std::uint32_t flags);

// The mode of an accepted ARB format (no composition test on this road).
SGLPresentMode ArbPresentMode(std::uint32_t flags);

// The format text with its first directive replaced by the code in decimal and
// its second by the text, whatever their letters; "%%" is "%", any later
// directive stays as written. Cut to 180 units (never inside a surrogate pair).
WideString FormatExtensionMessage(const WideString& format, std::int32_t code, const WideString& text);

// Texts and the box the extension check shows its failure with.
struct SGLExtensionCheckServices {
  std::function<WideString(const char* key)> mStrings;
  std::function<void(const WideString& caption, const WideString& text, std::uint32_t style)> mMessageBox;
};

// True when the extension list (null: it could not be had) holds the name as
// one whole word. Without a list the check shows the message of
// "GL_ERROR_MESSAGE_GET_PROC_ADDRESS" and "GL_ERROR_UPDATE_DRIVER" with the
// error code and text, captioned "GL_ERROR_CAPTION", style OK, and is false.
// An empty name or one with a blank is false at once.
bool IsGLExtensionSupported(const char* extensions, const char* name, std::int32_t errorCode,
                            const WideString& errorText, const SGLExtensionCheckServices& services);

} // namespace QZ
