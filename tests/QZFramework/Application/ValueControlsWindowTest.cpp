// The text box, the numeric up-down and the slider in a real window under the
// offscreen driver: the label look of an empty box, typed text, the caret and
// the selection look as drawn; the up-down's Up key and the slider's thumb
// dragged by the simulated pointer.

#include "QZFramework/Application/SkinWindowFixture.h"

#include "QZFramework/Controls/NumericUpDown.h"
#include "QZFramework/Controls/Slider.h"
#include "QZFramework/Controls/TextBox.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace QZ {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kGray = 0xFF808080;
constexpr std::uint32_t kBlue = 0xFF0000FF;
constexpr std::uint32_t kBlack = 0xFF000000;

constexpr std::uint32_t kShiftKey = 0x10;

// The UTF-8 text as a UTF-16 little-endian document with a byte-order mark.
std::string Utf16Document(const std::string& utf8) {
  const WideString wide(utf8.c_str());
  std::string bytes("\xFF\xFE");
  for (const char16_t* p = wide.GetChars(); *p; ++p) {
    bytes.push_back(static_cast<char>(*p & 0xFF));
    bytes.push_back(static_cast<char>(*p >> 8));
  }
  return bytes;
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

std::string At(int x, int y, int width, int height) {
  return "XPositionAbs=\"" + std::to_string(x) + "\" YPositionAbs=\"" + std::to_string(y) + "\" XSizeAbs=\"" +
         std::to_string(width) + "\" YSizeAbs=\"" + std::to_string(height) + "\"";
}

std::string Part(const std::string& cls, const std::string& name, const std::string& layout,
                 const std::string& lookList, const std::string& children = "") {
  return "<SubControl Class=\"" + cls + "\" Name=\"" + name + "\" " + layout + "><Skin Name=\"" + name +
         "Skin\" LookList=\"" + lookList + "\">" + children + "</Skin></SubControl>";
}

// Solid looks; "WhiteText", "GrayText" and "BlueText" also carry black text inset by 4 pixels.
// The text box's list: white states, gray when disabled and for the label, blue for the selection.
std::string Looks() {
  std::string text = "<Colorizers>";
  const char* colours[][2] = {{"White", "FFFFFFFF"},
                              {"Gray", "FF808080"},
                              {"Blue", "FF0000FF"},
                              {"Black", "FF000000"},
                              {"Green", "FF00FF00"}};
  for (const auto& [name, colour] : colours)
    text += std::string("<Colorizer Name=\"") + name + "\" ColorType=\"SolidFill\" Color=\"" + colour + "\"/>";
  text += "</Colorizers><Parts>";
  for (const auto& [name, colour] : colours)
    text += std::string("<Part Name=\"") + name + "Fill\" ColorizerName=\"" + name +
            "\" Width=\"10\" Height=\"10\" ResizeType=\"Stretch\"/>";
  text += "</Parts><Looks>";
  for (const auto& [name, colour] : colours) {
    const std::string fill = std::string("<ClientPart Name=\"") + name +
                             "Fill\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"0\" OffsetBottom=\"0\"/>";
    text += std::string("<Look Name=\"") + name + "Look\">" + fill + "</Look>";
    text += std::string("<Look Name=\"") + name + "Text\">" + fill +
            "<TextProperties TextLeftRel=\"0\" TextLeftAbs=\"4\" TextRightRel=\"1\" TextRightAbs=\"-4\" "
            "TextHAlign=\"0\" TextTopRel=\"0\" TextTopAbs=\"2\" TextBottomRel=\"1\" TextBottomAbs=\"-2\" "
            "TextVAlign=\"0\" TextForegroundPart=\"BlackFill\"/></Look>";
  }
  text += "</Looks><LookLists>"
          "<LookList Name=\"Gray\" NumLooks=\"1\"><Look Name=\"GrayLook\" Index=\"0\"/></LookList>"
          "<LookList Name=\"Track\" NumLooks=\"3\"><Look Name=\"WhiteLook\" Index=\"0\"/>"
          "<Look Name=\"WhiteLook\" Index=\"1\"/><Look Name=\"GrayLook\" Index=\"2\"/></LookList>"
          "<LookList Name=\"Button\" NumLooks=\"14\">";
  for (int i = 0; i < 14; ++i)
    text += "<Look Name=\"GreenLook\" Index=\"" + std::to_string(i) + "\"/>";
  text += "</LookList><LookList Name=\"TextBox\" NumLooks=\"14\">";
  for (int i = 0; i < 14; ++i) {
    const char* look = i == 6 || i == 9 ? "GrayText" : (i == 10 || i == 11 ? "BlueText" : "WhiteText");
    text += std::string("<Look Name=\"") + look + "\" Index=\"" + std::to_string(i) + "\"/>";
  }
  return text + "</LookList></LookLists>";
}

// At (10, 10) a 200 by 24 text box; at (10, 50) an up-down; at (10, 100) a slider with its track from x 0 to 180.
std::string WindowSkin() {
  const std::string font = "FontName=\"DejaVu Sans\" FontSize=\"10\" FontStyle=\"0\"";
  const std::string box = Part("Framework.TextBox", "box", At(10, 10, 200, 24) + " " + font, "TextBox");
  const std::string upDown = Part("Framework.NumericUpDown", "updown", At(10, 50, 100, 24), "Gray",
                                  Part("Framework.TextBox", "textBox", At(0, 0, 80, 24) + " " + font, "TextBox") +
                                      Part("Framework.Button", "buttonUp", At(80, 0, 20, 12), "Button") +
                                      Part("Framework.Button", "buttonDown", At(80, 12, 20, 12), "Button"));
  const std::string slider = Part("Framework.Slider", "slider", At(10, 100, 220, 30), "Track",
                                  Part("Framework.Button", "thumbStart", At(0, 5, 20, 20), "Button") +
                                      Part("Framework.Button", "thumbEnd", At(180, 5, 20, 20), "Button"));
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Veskor_Skin_Definitions><Application Name=\"App\">" +
         Looks() + "<Skins><Skin Name=\"S\">" +
         Part("Test.Plain", "main", At(0, 0, 260, 150), "Gray", box + upDown + slider) +
         "</Skin></Skins></Application></Veskor_Skin_Definitions>";
}

class ValueControlsWindowTest : public test::SkinWindowFixture {
protected:
  void SetUp() override {
    SkinWindowFixture::SetUp();
    mFactory->RegisterControlCreateFunction(WideString(u"Test.Plain"), &CreateControlFromDescriptor<LControl>);
    mFactory->LoadStringTablesFromText(
        Bytes(Utf16Document(
            "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<r><StringTable ID=\"Test.Plain|box\">"
            "<String ID=\"LABEL\"><Locale LCID=\"0x0009\">Enter a name here</Locale></String></StringTable></r>")),
        Bytes(std::string()), 0x0409);
    OpenSkinWindow(WindowSkin(), 260, 150);
    mBox = DynamicCast<LTextBox>(mMain->FindChild(WideString(u"box")));
    ASSERT_TRUE(mBox);
  }
  // The window becomes the active one; its first control takes the focus.
  void Activate() {
    ASSERT_TRUE(mSimulator.Change(mId, Platform::SimulatedWindowChange::kFocusGained));
    Pump();
  }
  void TearDown() override {
    mBox = RCPtr<LTextBox>();
    SkinWindowFixture::TearDown();
  }
  // A point of the box's caret line, in the window.
  PointT<std::int32_t> CaretPoint() const {
    const RectT<float>& caret = mBox->GetCaretRect();
    return PointT<double>{10 + caret.x - mBox->GetScrollOffset().x, 10 + caret.y + caret.height / 2}.RoundToLong();
  }

  RCPtr<LTextBox> mBox;
};

TEST_F(ValueControlsWindowTest, TheLabelGivesWayToTypedTextWithItsCaretAndSelection) {
  EXPECT_EQ(Narrow(mBox->GetLabel()), "Enter a name here");
  EXPECT_EQ(mBox->GetLength(), 0);
  EXPECT_EQ(PaintAndRead(15, 12), kGray) << "the label's look over the label";
  EXPECT_EQ(PaintAndRead(200, 30), kWhite) << "the rest of the empty box";

  mApp->mMilliseconds = 1000;
  Activate();
  ASSERT_TRUE(mSimulator.MovePointer(mId, {100, 20}));
  ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, {100, 20}));
  ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, {100, 20}));
  Pump();
  ASSERT_TRUE(mBox->HasFocus());
  ASSERT_TRUE(mSimulator.Text(mId, "Hi there"));
  Pump();
  EXPECT_EQ(Narrow(mBox->GetText()), "Hi there");
  EXPECT_EQ(mBox->GetCaret(), 8);
  EXPECT_EQ(PaintAndRead(15, 12), kWhite) << "no label once there is text";

  // The caret: black on the white look, gone in the hidden phase.
  const PointT<std::int32_t> caret = CaretPoint();
  EXPECT_GT(caret.x, 40);
  EXPECT_EQ(PaintAndRead(caret.x, caret.y), kBlack);
  IdleAt(1500);
  EXPECT_FALSE(mBox->IsCaretVisible());
  EXPECT_EQ(PaintAndRead(caret.x, caret.y), kWhite);

  // Shift+Home selects the text: the selection look behind it, the white look after it.
  ASSERT_TRUE(mSimulator.Key(mId, kShiftKey, true));
  ASSERT_TRUE(mSimulator.Key(mId, 0x24, true));
  ASSERT_TRUE(mSimulator.Key(mId, 0x24, false));
  ASSERT_TRUE(mSimulator.Key(mId, kShiftKey, false));
  Pump();
  EXPECT_EQ(mBox->GetSelectionLength(), 8);
  EXPECT_EQ(PaintAndRead(15, 12), kBlue);
  EXPECT_EQ(PaintAndRead(caret.x + 20, 12), kWhite);
}

TEST_F(ValueControlsWindowTest, UpStepsTheUpDownAndTheThumbFollowsThePointer) {
  const RCPtr<LNumericUpDown> upDown = DynamicCast<LNumericUpDown>(mMain->FindChild(WideString(u"updown")));
  const RCPtr<LSlider> slider = DynamicCast<LSlider>(mMain->FindChild(WideString(u"slider")));
  ASSERT_TRUE(upDown && slider && slider->GetThumb());
  ASSERT_EQ(upDown->SetValueRange(0, 127, LControl::kValueMappingLinear), S_OK);
  upDown->SetValue(upDown->ValueToNormalized(10));
  Activate();

  mApp->mMilliseconds = 1000;
  ASSERT_EQ(upDown->GetTextBox()->SetFocus(true), S_OK);
  ASSERT_TRUE(mSimulator.Key(mId, 0x26, true));
  ASSERT_TRUE(mSimulator.Key(mId, 0x26, false));
  Pump();
  IdleAt(1200);
  EXPECT_NEAR(upDown->GetValue(), 11, 1e-9);
  EXPECT_EQ(Narrow(upDown->GetTextBox()->GetText()), "11");

  // The thumb at (10, 105) in the window; dragged by 90 pixels it is half way.
  EXPECT_EQ(PaintAndRead(20, 115), 0xFF00FF00) << "the thumb";
  ASSERT_TRUE(mSimulator.MovePointer(mId, {20, 115}));
  ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, {20, 115}));
  ASSERT_TRUE(mSimulator.MovePointer(mId, {60, 118}));
  ASSERT_TRUE(mSimulator.MovePointer(mId, {110, 140}));
  Pump();
  EXPECT_EQ(slider->GetThumb()->GetBounds().x, 90.0);
  EXPECT_DOUBLE_EQ(slider->GetNormalizedValue(), 0.5);
  ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, {110, 140}));
  Pump();
  EXPECT_EQ(PaintAndRead(110, 115), 0xFF00FF00) << "the thumb drawn at its new place";
  EXPECT_EQ(PaintAndRead(20, 115), kWhite);
}

} // namespace
} // namespace QZ
