#pragma once
// The skin's drawing resources as the skin reader builds them: a visual part
// descriptor says where a picture comes from or which colouriser fills it, a
// docked part places a visual part against the edges of a look, a look
// descriptor assembles a look from docked parts and text properties, and a look
// list (LookList) orders looks by a control's visual state.
//
// Passive, shared records: fixed once the reader has finished with them, except
// the visual part a visual part descriptor builds on first use. Ownership runs
// down only: a look counts its docked parts and text foreground part, a docked
// part its visual part descriptor, a visual part descriptor its colouriser and
// its cached visual part (which counts that reference as an inner one and
// points back to the descriptor without counting, so the pair does not keep
// itself alive).
//
// Used on the UI thread only; nothing locks them.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Renderer/ResizeType.h"
#include "QZFramework/Utilities/Graphics/Colorizer.h"
#include "QZFramework/Utilities/Storage/RCPtrArray.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

class LVisualPart;

// A rectangle of a picture: "::" and a file name for an image resource, else a
// file path. An empty source has an empty path and all four numbers 0.
struct ImageSource {
  WideString mPath;
  std::int32_t mX = 0;
  std::int32_t mY = 0;
  std::int32_t mWidth = 0;
  std::int32_t mHeight = 0;

  bool IsEmpty() const { return mPath.IsEmpty(); }
};

// One Part of the skin: a picture (possibly tinted) or a plain colour.
class LVisualPartDescriptor : public virtual LRefCountedObject {
public:
  // With a non-empty image path the size is the image source's width and
  // height, whatever size is given.
  LVisualPartDescriptor(const WideString& name, const ImageSource& image, std::int32_t resizeType,
                        const RCPtr<LColorizer>& colorizer, std::int32_t width, std::int32_t height,
                        float alphaModifier, const ImageSource& mask);
  // Detaches the cached part, which may outlive its descriptor in a look.
  ~LVisualPartDescriptor() override;

  WideString ToString() const override { return mName; }

  // The drawable part, built on first use and cached; null for a colour part
  // without a colouriser, and while the picture (or mask) does not load, so
  // the next call tries again. Defined with the visual parts.
  const RCPtr<LVisualPart>& GetVisualPart();

  const WideString& GetName() const { return mName; }
  const ImageSource& GetImageSource() const { return mImage; }
  std::int32_t GetWidth() const { return mWidth; }
  std::int32_t GetHeight() const { return mHeight; }
  std::int32_t GetResizeType() const { return mResizeType; }
  const RCPtr<LColorizer>& GetColorizer() const { return mColorizer; }
  float GetAlphaModifier() const { return mAlphaModifier; }
  const ImageSource& GetMaskSource() const { return mMask; }

private:
  WideString mName;
  ImageSource mImage;
  std::int32_t mWidth;
  std::int32_t mHeight;
  std::int32_t mResizeType;
  RCPtr<LColorizer> mColorizer;
  float mAlphaModifier;
  ImageSource mMask;
  RCPtr<LVisualPart> mVisualPart;

  friend class LVisualPart; // empties the cache when only the cache holds the part
};

// Which offsets of a docked part were given.
enum DockedEdge : std::int32_t {
  kDockedLeft = 1,
  kDockedTop = 2,
  kDockedRight = 4,
  kDockedBottom = 8,
  kDockedAll = 15, // a client part
};

// A visual part placed in a look.
class LDockedPart : public virtual LRefCountedObject {
public:
  LDockedPart(const RCPtr<LVisualPartDescriptor>& part, std::int32_t presenceMask, std::int32_t left,
              std::int32_t top, std::int32_t right, std::int32_t bottom, bool hasWidth, std::int32_t width,
              bool hasHeight, std::int32_t height)
      : mPart(part), mPresenceMask(presenceMask), mLeft(left), mTop(top), mRight(right), mBottom(bottom),
        mHasWidth(hasWidth), mWidth(width), mHasHeight(hasHeight), mHeight(height) {}
  ~LDockedPart() override = default;

  // Its part's visual part (defined with the visual parts).
  RCPtr<LVisualPart> GetVisualPart() const;

  const RCPtr<LVisualPartDescriptor>& GetPart() const { return mPart; }
  std::int32_t GetPresenceMask() const { return mPresenceMask; }
  std::int32_t GetLeft() const { return mLeft; }
  std::int32_t GetTop() const { return mTop; }
  std::int32_t GetRight() const { return mRight; }
  std::int32_t GetBottom() const { return mBottom; }
  bool HasWidth() const { return mHasWidth; }
  // Meaningful only when HasWidth.
  std::int32_t GetWidth() const { return mWidth; }
  bool HasHeight() const { return mHasHeight; }
  // Meaningful only when HasHeight.
  std::int32_t GetHeight() const { return mHeight; }

private:
  RCPtr<LVisualPartDescriptor> mPart;
  std::int32_t mPresenceMask;
  std::int32_t mLeft;
  std::int32_t mTop;
  std::int32_t mRight;
  std::int32_t mBottom;
  bool mHasWidth;
  std::int32_t mWidth;
  bool mHasHeight;
  std::int32_t mHeight;
};

// Where a look places its text, as fractions of the look's rectangle plus
// pixels, with the alignments inside that rectangle.
struct TextProperties {
  float mLeftRel = 0;
  std::int32_t mLeftAbs = 0;
  float mRightRel = 0;
  std::int32_t mRightAbs = 0;
  float mHAlign = 0;
  float mTopRel = 0;
  std::int32_t mTopAbs = 0;
  float mBottomRel = 0;
  std::int32_t mBottomAbs = 0;
  float mVAlign = 0;
};

// One Look of the skin.
class LLookDescriptor : public virtual LRefCountedObject {
public:
  explicit LLookDescriptor(const WideString& name) : mName(name) {}
  ~LLookDescriptor() override = default;

  WideString ToString() const override { return mName; }

  // Replaces the client part. 0.
  QZRESULT SetClientPart(const RCPtr<LDockedPart>& part);
  // Stores the text placement and foreground part and marks them present. 0.
  QZRESULT SetTextProperties(float leftRel, std::int32_t leftAbs, float rightRel, std::int32_t rightAbs,
                             float hAlign, float topRel, std::int32_t topAbs, float bottomRel,
                             std::int32_t bottomAbs, float vAlign,
                             const RCPtr<LVisualPartDescriptor>& foregroundPart);
  // Appends a part docked to the edges, in skin order.
  std::int32_t AddNonClientPart(const RCPtr<LDockedPart>& part) { return mNonClientParts.AddItem(part); }

  const WideString& GetName() const { return mName; }
  const RCPtr<LDockedPart>& GetClientPart() const { return mClientPart; }
  const RCPtrArray<LDockedPart>& GetNonClientParts() const { return mNonClientParts; }
  // The text values are meaningful only when present.
  bool HasTextProperties() const { return mHasTextProperties; }
  const TextProperties& GetTextProperties() const { return mText; }
  const RCPtr<LVisualPartDescriptor>& GetTextForegroundPart() const { return mTextForegroundPart; }

private:
  WideString mName;
  RCPtr<LDockedPart> mClientPart;
  RCPtrArray<LDockedPart> mNonClientParts;
  bool mHasTextProperties = false;
  TextProperties mText;
  RCPtr<LVisualPartDescriptor> mTextForegroundPart;
};

// Looks by visual state: slot i holds the look drawn in state i, or null.
using LLookList = LRCPtrArray<LLookDescriptor, 1, 0>;

} // namespace QZ

QZ_TYPE_NAME(QZ::LVisualPartDescriptor, "class QZ::LVisualPartDescriptor")
QZ_TYPE_NAME(QZ::LDockedPart, "class QZ::LDockedPart")
QZ_TYPE_NAME(QZ::LLookDescriptor, "class QZ::LLookDescriptor")
