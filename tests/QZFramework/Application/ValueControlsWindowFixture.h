#pragma once
// The window fixture of the remaining standard controls (knob, sliders, tabs,
// indicators, splitters, drag tokens): a skin document of the value controls'
// looks whose controls the factory creates by class name, opened in a real
// window under the offscreen driver, with pointer drags and keys through the
// input simulator, a log of notifications, the focused control's name and the
// painted pixels read back by rectangle.

#include "QZFramework/Application/SkinWindowFixture.h"

#include "QZFramework/Controls/ValueControlsSkin.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationClient.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace QZ::test {

// Records the identifiers it receives.
class IdLog : public LNotificationClient {
public:
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override {
    mEntries.push_back(WideString(notification->GetID()).ToNarrow().GetChars());
    return 0;
  }
  int Count(const std::string& id) const {
    int count = 0;
    for (const std::string& entry : mEntries)
      count += entry == id ? 1 : 0;
    return count;
  }
  std::vector<std::string> mEntries;
};

// A look "name" of the colour's fill with blue text inset by 4 pixels, and a
// one-look list of the same name.
inline std::string TextLook(const std::string& name, const std::string& colour) {
  return "<Look Name=\"" + name + "\"><ClientPart Name=\"" + colour +
         "Fill\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"0\" OffsetBottom=\"0\"/>"
         "<TextProperties TextLeftRel=\"0\" TextLeftAbs=\"4\" TextRightRel=\"1\" TextRightAbs=\"-4\" "
         "TextHAlign=\"0\" TextTopRel=\"0\" TextTopAbs=\"2\" TextBottomRel=\"1\" TextBottomAbs=\"-2\" "
         "TextVAlign=\"0\" TextForegroundPart=\"BlueFill\"/></Look>";
}
inline std::string OneLookList(const std::string& name) {
  return "<LookList Name=\"" + name + "\" NumLooks=\"1\"><Look Name=\"" + name + "\" Index=\"0\"/></LookList>";
}
// The font attributes of a control with text.
inline constexpr const char* kTextFont = " FontName=\"DejaVu Sans\" FontSize=\"10\" FontStyle=\"0\"";

class ValueControlsWindowFixture : public SkinWindowFixture {
protected:
  void SetUp() override {
    SkinWindowFixture::SetUp();
    mFactory->RegisterControlCreateFunction(WideString(u"Test.Plain"), &CreateControlFromDescriptor<LControl>);
  }
  void TearDown() override {
    for (const auto& [source, log] : mListened)
      source->UnregisterClientFromAll(log);
    mListened.clear();
    SkinWindowFixture::TearDown();
  }

  // The entries in a top-level "main" of width by height, in a window of that
  // size, which becomes the active one.
  // extraLooks: more Look elements (TextLook gives one); followWindow: "main"
  // takes the window's size whenever it changes.
  void Open(const std::string& entries, const std::string& extraLookLists, std::int32_t width, std::int32_t height,
            const std::string& extraLooks = "", bool followWindow = false) {
    std::string document = ValueControlsDocument(entries, extraLookLists, width, height);
    document.insert(document.find("</Looks>"), extraLooks);
    if (followWindow) {
      const std::string fixed = test::At(0, 0, width, height);
      document.replace(document.find(fixed), fixed.size(),
                       "XPositionAbs=\"0\" YPositionAbs=\"0\" XSizeRel=\"1\" XSizeAbs=\"0\" YSizeRel=\"1\" "
                       "YSizeAbs=\"0\"");
    }
    OpenSkinWindow(document, width, height);
    ASSERT_TRUE(mSimulator.Change(mId, Platform::SimulatedWindowChange::kFocusGained));
    Pump();
  }

  // The framework string table with these entries (id, English text).
  void LoadFrameworkStrings(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string document = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<r><StringTable ID=\"Framework\">";
    for (const auto& [id, text] : entries)
      document += "<String ID=\"" + id + "\"><Locale LCID=\"0x0009\">" + text + "</Locale></String>";
    // As a UTF-16 little-endian document with a byte-order mark.
    const WideString wide((document + "</StringTable></r>").c_str());
    std::string bytes("\xFF\xFE");
    for (const char16_t* p = wide.GetChars(); *p; ++p) {
      bytes.push_back(static_cast<char>(*p & 0xFF));
      bytes.push_back(static_cast<char>(*p >> 8));
    }
    mFactory->LoadStringTablesFromText(
        {}, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
        0x0409);
  }

  template <class T = LControl>
  RCPtr<T> Find(const char16_t* name) const {
    return DynamicCast<T>(mMain->FindChild(WideString(name)));
  }

  RCPtr<IdLog> Listen(const RCPtr<LControl>& source, std::initializer_list<const char16_t*> ids) {
    const RCPtr<IdLog> log = MakeRCPtr<IdLog>();
    for (const char16_t* id : ids)
      source->RegisterClient(log, id);
    mListened.emplace_back(source, log);
    return log;
  }

  std::string Focused() const {
    const RCPtr<LControl> focus = mWindow->GetRootWindow()->GetFocusedControl();
    return focus ? focus->GetName().ToNarrow().GetChars() : "none";
  }

  // Presses the left button at the first point and moves through the others;
  // releases at the last when release.
  void Drag(std::initializer_list<Platform::WindowPoint> points, bool release = true) {
    const Platform::WindowPoint first = *points.begin();
    ASSERT_TRUE(mSimulator.MovePointer(mId, first));
    ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, first));
    Pump();
    for (const Platform::WindowPoint& p : points) {
      ASSERT_TRUE(mSimulator.MovePointer(mId, p));
      Pump();
    }
    if (release)
      Release(*(points.end() - 1));
  }
  void Release(const Platform::WindowPoint& at) {
    ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, at));
    Pump();
  }
  void Click(const Platform::WindowPoint& at) { Drag({at}); }
  void Key(std::uint32_t virtualKey) {
    ASSERT_TRUE(mSimulator.Key(mId, virtualKey, true));
    ASSERT_TRUE(mSimulator.Key(mId, virtualKey, false));
    Pump();
  }

  // Paints the window and reads it whole (empty when unreadable).
  std::vector<std::uint32_t> Paint() {
    Pump();
    EXPECT_EQ(mWindow->GetRootWindow()->RedrawNow(), S_OK);
    return Screen();
  }
  // The window's pixels as they are now, without painting.
  std::vector<std::uint32_t> Screen() {
    std::vector<std::uint32_t> pixels;
    EXPECT_TRUE(mWindow->GetPlatformWindow().ReadPixels({0, 0, mWidth, mHeight}, pixels));
    return pixels.size() == static_cast<std::size_t>(mWidth * mHeight) ? pixels : std::vector<std::uint32_t>();
  }
  std::uint32_t PixelAt(const std::vector<std::uint32_t>& pixels, int x, int y) const {
    return pixels.empty() ? 0 : pixels[static_cast<std::size_t>(y * mWidth + x)];
  }
  // The length of the run of colour on row y from x to the right (or on column x from y down).
  int RunFrom(const std::vector<std::uint32_t>& pixels, int x, int y, std::uint32_t colour,
              bool down = false) const {
    int length = 0;
    while (x < mWidth && y < mHeight && PixelAt(pixels, x, y) == colour) {
      ++length;
      (down ? y : x) += 1;
    }
    return length;
  }
  // How many pixels of the rectangle differ from colour.
  int CountOther(const std::vector<std::uint32_t>& pixels, const RectT<std::int32_t>& rect,
                 std::uint32_t colour) const {
    int count = 0;
    for (int y = rect.y; y < rect.y + rect.height; ++y)
      for (int x = rect.x; x < rect.x + rect.width; ++x)
        count += PixelAt(pixels, x, y) != colour ? 1 : 0;
    return count;
  }

  std::vector<std::pair<RCPtr<LControl>, RCPtr<IdLog>>> mListened;
};

} // namespace QZ::test
