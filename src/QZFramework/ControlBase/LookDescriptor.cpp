#include "QZFramework/ControlBase/LookDescriptor.h"

#include "QZFramework/ControlBase/VisualPart.h"

namespace QZ {

LVisualPartDescriptor::LVisualPartDescriptor(const WideString& name, const ImageSource& image,
                                             std::int32_t resizeType, const RCPtr<LColorizer>& colorizer,
                                             std::int32_t width, std::int32_t height, float alphaModifier,
                                             const ImageSource& mask)
    : mName(name), mImage(image), mWidth(image.IsEmpty() ? width : image.mWidth),
      mHeight(image.IsEmpty() ? height : image.mHeight), mResizeType(resizeType), mColorizer(colorizer),
      mAlphaModifier(alphaModifier), mMask(mask) {}

QZRESULT LLookDescriptor::SetClientPart(const RCPtr<LDockedPart>& part) {
  mClientPart = part;
  return S_OK;
}

QZRESULT LLookDescriptor::SetTextProperties(float leftRel, std::int32_t leftAbs, float rightRel,
                                            std::int32_t rightAbs, float hAlign, float topRel, std::int32_t topAbs,
                                            float bottomRel, std::int32_t bottomAbs, float vAlign,
                                            const RCPtr<LVisualPartDescriptor>& foregroundPart) {
  mText =
      TextProperties{leftRel, leftAbs, rightRel, rightAbs, hAlign, topRel, topAbs, bottomRel, bottomAbs, vAlign};
  mTextForegroundPart = foregroundPart;
  mHasTextProperties = true;
  return S_OK;
}

} // namespace QZ
