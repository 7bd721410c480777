#pragma once
// LLook: how a control draws in one visual state. A look arranges the visual
// parts of its look descriptor in the control's rectangle: a client part that
// fills the client rectangle, non-client parts docked to the edges and
// corners, an optional image part set at run time over the client area, and a
// text block placed in the text rectangle and coloured by the text foreground
// part. A non-empty region limits drawing to it (control coordinates).
//
// The rectangles are recomputed whenever the size or the descriptor is set;
// between those they are fixed. Parts from the skin are shared with other looks
// through their descriptors' caches; the image part and the text block belong
// to this look.
//
// UI thread only; nothing locks.

#include "QZFramework/ControlBase/FontText.h"
#include "QZFramework/ControlBase/LookDescriptor.h"
#include "QZFramework/ControlBase/VisualPart.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Graphics/Bitmap.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Graphics/Region.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <vector>

namespace QZ {

class LRenderer;

class LLook : public virtual LRefCountedObject {
public:
  LLook() = default;
  ~LLook() override = default;

  // A new look set up from the descriptor with the text block's wrap flag.
  [[nodiscard]] static RCPtr<LLook> Create(const RCPtr<LLookDescriptor>& descriptor, bool wrap);

  // Takes the descriptor's parts and text properties and lays the look out
  // again at its present size. 0.
  QZRESULT SetDescriptor(const RCPtr<LLookDescriptor>& descriptor, bool wrap);
  // Lays the look out for the control's size (nothing when unchanged). True.
  bool SetSize(const SizeT<std::int32_t>& size);
  // Passed to the text block: its result, or 1 without a text block.
  QZRESULT SetText(const WideString& text);
  QZRESULT SetFont(const RCPtr<LFont>& font);
  // A non-null image becomes the image part (0); a null image removes one (0)
  // or changes nothing (1).
  QZRESULT SetImage(const RCPtr<LBitmap>& image, std::int32_t resizeType, bool replacesClient);
  // E_INVALIDARG for null, else 0.
  QZRESULT SetTextForegroundPart(const RCPtr<LVisualPart>& part);
  // The part drawn as the look's client area (null: none). 0.
  QZRESULT SetClientPart(const RCPtr<LVisualPart>& part);

  // Drawing in the control's coordinates at the renderer's current origin,
  // limited to the damaged region (root coordinates) and the look's region.
  // The parts: 1 when a part's Draw returned non-zero, else 0.
  virtual QZRESULT DrawNonClientParts(const RCPtr<LRenderer>& renderer, const Region& damaged);
  virtual QZRESULT DrawClientParts(const RCPtr<LRenderer>& renderer, const Region& damaged);
  // The text block's lines moved back by the offset; 1 without a text block,
  // else 0. A foreground part with a picture or a gradient raises its domain
  // error; one with neither picture nor colouriser draws nothing.
  virtual QZRESULT DrawLabelText(const RCPtr<LRenderer>& renderer, const Region& damaged,
                                 const PointT<double>& textOffset);

  // The packed colour at a point (control coordinates): the non-client parts
  // first, then the image part, then the client part; the first that is not
  // fully transparent answers.
  std::uint32_t GetColorAtPoint(const PointT<std::int32_t>& point) const;

  const RCPtr<LLookDescriptor>& GetDescriptor() const { return mDescriptor; }
  const RCPtr<LVisualPart>& GetTextForegroundPart() const { return mTextForegroundPart; }
  SizeT<std::int32_t> GetSize() const { return {mWidth, mHeight}; }
  const RectT<std::int32_t>& GetClientRect() const { return mClientRect; }
  std::uint32_t GetNonClientCount() const { return static_cast<std::uint32_t>(mNonClientRects.size()); }
  const RectT<std::int32_t>& GetNonClientRect(std::uint32_t index) const { return mNonClientRects.at(index); }
  const RCPtr<LVisualPart>& GetNonClientPart(std::uint32_t index) const { return mNonClientParts.at(index); }
  const RCPtr<LVisualPart>& GetClientPart() const { return mClientPart; }
  const RCPtr<LVisualPart>& GetImagePart() const { return mImagePart; }
  bool GetImageReplacesClient() const { return mImageReplacesClient; }
  const RectT<std::int32_t>& GetChildrenClipRect() const { return mChildrenClipRect; }
  const RCPtr<LFontText>& GetTextBlock() const { return mTextBlock; }
  // Made private to the look first when another look shares it.
  RCPtr<LFontText>& GetTextBlockForChange();
  const PointT<std::int32_t>& GetTextOrigin() const { return mTextOrigin; }
  // The text rectangle: the text origin and the text block's box size.
  RectT<std::int32_t> GetTextRect() const;
  // The text rectangle the look would have at another size (layout asks).
  RectT<std::int32_t> ComputeTextRect(const SizeT<std::int32_t>& size) const;
  const Region& GetRegion() const { return mRegion; }
  Region& GetRegion() { return mRegion; }

private:
  void Layout();
  // The working rectangles of a draw: the damaged region, or the look's region
  // at the current origin within it, in current coordinates.
  void WorkingRects(const RCPtr<LRenderer>& renderer, const Region& damaged,
                    std::vector<RectT<double>>& rects) const;
  // The target's part of a working rectangle, when it is worth drawing.
  static bool DrawArea(const RCPtr<LRenderer>& renderer, const RectT<double>& target, const RectT<double>& working,
                       RectT<double>& area);

  RCPtr<LLookDescriptor> mDescriptor;
  RCPtr<LVisualPart> mTextForegroundPart;
  std::int32_t mWidth = 0;
  std::int32_t mHeight = 0;
  RectT<std::int32_t> mClientRect{};
  std::vector<RectT<std::int32_t>> mNonClientRects;
  std::vector<RCPtr<LVisualPart>> mNonClientParts;
  RCPtr<LVisualPart> mClientPart;
  RCPtr<LVisualPart> mImagePart;
  bool mImageReplacesClient = false;
  RectT<std::int32_t> mChildrenClipRect{};
  RCPtr<LFontText> mTextBlock;
  PointT<std::int32_t> mTextOrigin{};
  Region mRegion;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LLook, "class QZ::LLook")
