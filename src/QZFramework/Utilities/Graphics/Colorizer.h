#pragma once
// A named colouriser of the skin: a solid colour, or a linear or radial
// gradient between two colours. Gradients are carried but not drawn.

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Graphics/Color.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

class LColorizer : public virtual LRefCountedObject {
public:
  enum ColorType : std::int32_t {
    kSolidFill = 0, // also any unknown ColorType of the skin
    kLinearGradient = 1,
    kRadialGradient = 2,
  };

  LColorizer() = default;
  LColorizer(const WideString& name, std::int32_t colorType, const Color& color, const Color& endColor = {},
             float gradientStartX = 0, float gradientStartY = 0, float gradientEndX = 0, float gradientEndY = 0)
      : mName(name), mColorType(colorType), mColor(color), mEndColor(endColor), mGradientStartX(gradientStartX),
        mGradientStartY(gradientStartY), mGradientEndX(gradientEndX), mGradientEndY(gradientEndY) {}

  // A colouriser is known by its name.
  WideString ToString() const override { return mName; }

  // A gradient whose two colours are equal is drawn as its solid colour.
  bool IsGradient() const { return mColorType != kSolidFill && !(mEndColor == mColor); }

  const WideString& GetName() const { return mName; }
  std::int32_t GetColorType() const { return mColorType; }
  const Color& GetColor() const { return mColor; }
  const Color& GetEndColor() const { return mEndColor; }
  float GetGradientStartX() const { return mGradientStartX; }
  float GetGradientStartY() const { return mGradientStartY; }
  float GetGradientEndX() const { return mGradientEndX; }
  float GetGradientEndY() const { return mGradientEndY; }

  void SetName(const WideString& name) { mName = name; }
  void SetColorType(std::int32_t colorType) { mColorType = colorType; }
  void SetColor(const Color& color) { mColor = color; }
  void SetEndColor(const Color& color) { mEndColor = color; }
  void SetGradientStart(float x, float y) {
    mGradientStartX = x;
    mGradientStartY = y;
  }
  void SetGradientEnd(float x, float y) {
    mGradientEndX = x;
    mGradientEndY = y;
  }

private:
  WideString mName;
  std::int32_t mColorType = kSolidFill;
  Color mColor;
  Color mEndColor;
  float mGradientStartX = 0;
  float mGradientStartY = 0;
  float mGradientEndX = 0;
  float mGradientEndY = 0;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LColorizer, "class QZ::LColorizer")
