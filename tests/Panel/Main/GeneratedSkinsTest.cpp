// The generated skins and string tables the editor embeds (tools/qz_resource_generator), read by the
// framework's own reader and checked at the descriptor level for the skin each screen resolution picks: every
// child the editor looks up with its class and looks, the controls on screen without scrolling and apart from
// their siblings, and every caption readable (size, contrast, not cut off, measured with pinned fonts).

#include "Panel/Main/Application.h"
#include "Panel/Main/SkinChoice.h"

#include "QZFramework/Application/SkinWindowFixture.h"

#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/ControlBase/FontText.h"
#include "QZFramework/ControlBase/Look.h"
#include "QZFramework/ControlBase/LayoutDescriptor.h"
#include "QZFramework/ControlBase/LookDescriptor.h"
#include "QZFramework/ControlBase/MenuDescriptor.h"
#include "QZFramework/ControlBase/StringTable.h"
#include "QZFramework/Controls/ComboMenu.h"
#include "QZFramework/Controls/MainMenu.h"
#include "QZFramework/Controls/PopupMenu.h"

#include "Platform/Graphics2D/Canvas.h"
#include "Platform/Graphics2D/Font.h"
#include "Platform/Graphics2D/Surface.h"

#include "Support/PinnedFonts.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace QZ {
namespace {

const bool kFontsPinned = test::PinFonts();

const std::filesystem::path kGenerated(QZ_GENERATED_RESOURCES);

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

struct Rect {
  double x = 0;
  double y = 0;
  double w = 0;
  double h = 0;
  bool Inside(const Rect& o) const { return x >= o.x && y >= o.y && x + w <= o.x + o.w && y + h <= o.y + o.h; }
  bool Overlaps(const Rect& o) const { return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h; }
};

std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << "{" << r.x << "," << r.y << " " << r.w << "x" << r.h << "}";
}

// The descriptor's own box in its parent's client area (every generated control is placed by absolute numbers).
Rect Box(const LControlDescriptor& d) {
  const LLayoutDescriptor& layout = *d.GetLayout();
  return {layout.mPlacement[0].mAbsolute, layout.mPlacement[1].mAbsolute, layout.mSize[0].mAbsolute,
          layout.mSize[1].mAbsolute};
}

// The main control's largest size: the window at its full layout.
Rect Largest(const LControlDescriptor& main) {
  const LLayoutDescriptor& layout = *main.GetLayout();
  return {0, 0, layout.mMaxSize[0].mAbsolute, layout.mMaxSize[1].mAbsolute};
}

// A size that follows the parent's (or, for a top-level control, the window's) on that axis.
bool FollowsParent(const LControlDescriptor& d, int axis, std::int32_t reference = kSizeParent) {
  const SizeSpec& size = d.GetLayout()->mSize[axis];
  return size.mReference == reference && size.mRelative == 1.0f && size.mAbsolute == 0;
}

// The box in the top-level control's coordinates.
Rect WindowBox(const LControlDescriptor& d) {
  Rect box = Box(d);
  for (const LControlDescriptor* p = d.GetParent(); p && !p->IsRoot() && !p->GetParent()->IsRoot();
       p = p->GetParent()) {
    box.x += Box(*p).x;
    box.y += Box(*p).y;
  }
  return box;
}

const LControlDescriptor* Child(const LControlDescriptor& parent, const std::string& name) {
  const RCPtrArray<LControlDescriptor>& children = parent.GetChildren();
  for (std::uint32_t i = 0; i < children.GetCount(); ++i) {
    if (Narrow(children.GetAt(i)->GetName()) == name)
      return children.GetAt(i).Get();
  }
  return nullptr;
}

// A path of names ("mainControl/viewDevice/keybedPanel") from the skin's root.
const LControlDescriptor* Find(const LControlDescriptor& root, const std::string& path) {
  const LControlDescriptor* d = &root;
  std::size_t at = 0;
  while (d && at <= path.size()) {
    const std::size_t slash = std::min(path.find('/', at), path.size());
    d = Child(*d, path.substr(at, slash - at));
    at = slash + 1;
  }
  return d;
}

double Luminance(const Color& c) {
  auto channel = [](float v) {
    const double s = v;
    return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b);
}

double Contrast(const Color& a, const Color& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class GeneratedSkins : public ::testing::TestWithParam<std::int32_t> {
protected:
  void SetUp() override {
    ASSERT_TRUE(kFontsPinned);
    mSkins = test::ReadAll(kGenerated / "Skins.xml");
    mStrings = test::ReadAll(kGenerated / "StringTables.xml");
    ASSERT_FALSE(mSkins.empty());
    ASSERT_FALSE(mStrings.empty());
    const std::string framework =
        test::ReadAll(std::filesystem::path(QZ_SHIPPED_RESOURCES) / "FrameworkStrings.xml");
    mFactory->LoadStringTablesFromText(Bytes(mStrings), Bytes(framework), 0x0409);
    ASSERT_EQ(mFactory->LoadSkinsFromText(Bytes(mSkins)), S_OK) << Narrow(mFactory->GetLastXMLError());

    const std::optional<SSkinChoice> choice =
        ChooseSkinForScreen(mFactory->GetTopLevelDescriptors().GetCount(), GetParam());
    ASSERT_TRUE(choice);
    mScale = choice->mHighDpi ? 2 : 1;
    mRoot = mFactory->GetTopLevelDescriptors().GetAt(static_cast<std::uint32_t>(choice->mSkinIndex)).Get();
    mMain = Find(*mRoot, "mainControl");
    ASSERT_TRUE(mMain);

    // The caption font the renderer makes from the skin's font (points at 96 pixels per inch); Arial is not
    // among the pinned fonts, so the wider DejaVu Sans measures for it.
    const LSkinDescriptor& skin = *mRoot->GetSkin();
    mFontPixels = skin.mFontSize * Platform::Canvas::kDpi / 72.0f;
    std::shared_ptr<const Platform::FontFamily> family =
        Platform::FontFamily::FromName(std::u16string(skin.mFontName.GetChars()));
    if (!family)
      family = Platform::FontFamily::GenericSansSerif();
    mFont = Platform::Font::Create(family, skin.mFontSize, Platform::kFontRegular, Platform::FontUnit::Point);
    ASSERT_TRUE(mFont);
    mSurface = Platform::Surface::Create(8, 8);
    mCanvas = Platform::Canvas::Create(*mSurface);
  }

  std::string Text(const LControlDescriptor& d, const char16_t* id) const {
    const RCPtr<LStringTable> table = mFactory->GetStringTableForParentDescriptor(d.GetParent(), d.GetName());
    WideString text;
    return table && table->GetString(id, text) ? Narrow(text) : std::string();
  }

  const LLookList* Looks(const LControlDescriptor& d) const {
    return d.GetSkin() ? d.GetSkin()->mLookList.Get() : nullptr;
  }

  // Every look of the list that draws text keeps 4.5:1 between the text and its face, and the text fits the
  // look's text box of the control's size (of `within` for a control sized by its parent; a control that
  // grows to its text's height is never too low).
  void ExpectReadable(const LControlDescriptor& d, const std::vector<std::string>& texts, double reserved = 0,
                      const Rect* within = nullptr) {
    SCOPED_TRACE(Narrow(d.GetName()));
    const LLookList* looks = Looks(d);
    ASSERT_TRUE(looks);
    const Rect box = within ? *within : Box(d);
    const bool growsToText = d.GetLayout()->mTextOverflowY == kTextOverflowExpand;
    bool drawn = false;
    for (std::uint32_t i = 0; i < looks->GetCount(); ++i) {
      const RCPtr<LLookDescriptor>& look = looks->GetAt(i);
      if (!look || !look->HasTextProperties())
        continue;
      drawn = true;
      SCOPED_TRACE(testing::Message() << "look " << i << " " << Narrow(look->GetName()));
      ASSERT_TRUE(look->GetClientPart() && look->GetClientPart()->GetPart()->GetColorizer());
      ASSERT_TRUE(look->GetTextForegroundPart() && look->GetTextForegroundPart()->GetColorizer());
      EXPECT_GE(Contrast(look->GetClientPart()->GetPart()->GetColorizer()->GetColor(),
                         look->GetTextForegroundPart()->GetColorizer()->GetColor()),
                4.5);
      const TextProperties& t = look->GetTextProperties();
      const double width = box.w * (t.mRightRel - t.mLeftRel) + t.mRightAbs - t.mLeftAbs - reserved;
      const double height = box.h * (t.mBottomRel - t.mTopRel) + t.mBottomAbs - t.mTopAbs;
      for (const std::string& text : texts) {
        const Platform::RectF measured =
            mCanvas->MeasureString(std::u16string(WideString(text.c_str()).GetChars()), *mFont);
        EXPECT_LE(measured.width, width) << "\"" << text << "\" cut off";
        if (!growsToText) {
          EXPECT_LE(measured.height, height) << "\"" << text << "\" cut off";
        }
      }
    }
    EXPECT_TRUE(drawn) << "no look draws its text";
  }

  std::unique_ptr<LControlFactory> mFactory = std::make_unique<LControlFactory>(WideString(u"PresetEditor"));
  std::string mSkins;
  std::string mStrings;
  std::int32_t mScale = 1;
  const LControlDescriptor* mRoot = nullptr;
  const LControlDescriptor* mMain = nullptr;
  float mFontPixels = 0;
  std::unique_ptr<Platform::Font> mFont;
  std::unique_ptr<Platform::Surface> mSurface;
  std::unique_ptr<Platform::Canvas> mCanvas;
};

INSTANTIATE_TEST_SUITE_P(ScreenPpi, GeneratedSkins, ::testing::Values(96, 144),
                         [](const auto& param) { return std::to_string(param.param) + "ppi"; });

const std::vector<std::string> kParameterPanels{
    "keybedPanel/midiChannel", "keybedPanel/octave",          "keybedPanel/transpose",
    "arpeggiator/arpEnabled",  "arpeggiator/arpMode",         "arpeggiator/noteRepeatTimeDivision",
    "arpeggiator/swing",       "arpeggiator/noteRepeatClock", "arpeggiator/arpLatch",
    "arpeggiator/tempoTaps",   "arpeggiator/tempo",           "arpeggiator/arpOctave"};

std::vector<std::string> ProgramButtons() {
  std::vector<std::string> names;
  for (int i = 1; i <= 8; ++i)
    names.push_back("sendProgram" + std::to_string(i));
  names.push_back("sendToRam");
  for (int i = 1; i <= 8; ++i)
    names.push_back("getProgram" + std::to_string(i));
  return names;
}

TEST_P(GeneratedSkins, EveryChildTheEditorLooksUpHasItsClassAndLooks) {
  EXPECT_EQ(Narrow(mRoot->GetName()), "PresetEditor");
  struct Expected {
    std::string path;
    const char* cls;
    std::uint32_t looks; // the look indexes the control selects
  };
  const std::string view = "mainControl/viewDevice/";
  std::vector<Expected> expected{
      {"mainControl", "PresetEditor.MainControl", 1},
      {"mainControl/mainMenu", "Framework.MainMenu", 1},
      {"mainControl/mainMenu/templateMenu", "Framework.ComboMenu", 7},
      {"mainControl/mainMenu/templateMenu/popupMenu", "Framework.PopupMenu", 1},
      {"mainControl/mainMenu/templateMenu/popupMenu/templateItem", "Framework.MenuItem", 14},
      {"mainControl/viewDevice", "PresetEditor.MainControl.DeviceView", 1},
      {view + "corner", "Framework.Label", 1},
      {view + "vBar", "Framework.ScrollBar", 1},
      {view + "vBar/channel", "Framework.ScrollChannel", 3},
      {view + "vBar/channel/thumb", "Framework.Button", 7},
      {view + "vBar/dec", "Framework.Button", 7},
      {view + "vBar/inc", "Framework.Button", 7},
      {view + "hBar", "Framework.ScrollBar", 1},
      {view + "hBar/channel", "Framework.ScrollChannel", 3},
      {view + "hBar/channel/thumb", "Framework.Button", 7},
      {view + "hBar/dec", "Framework.Button", 7},
      {view + "hBar/inc", "Framework.Button", 7},
      {view + "controllerBody", "PresetEditor.MainControl.DeviceView.ControllerBody", 1},
      {view + "productLabel", "PresetEditor.Control.ProductLogoLabels", 2},
      {view + "selectDeviceLabel", "Framework.Label", 1},
      {view + "deviceSelectionComboBox", "Framework.ComboBox", 7},
      {view + "deviceSelectionComboBox/listBox", "Framework.ListBox", 1},
      {view + "deviceSelectionComboBox/listBox/templateItem", "Framework.ListBoxItem", 14},
      {view + "programBankPanel", "PresetEditor.ProgramBankPanel", 1},
      {view + "programBankPanel/label", "Framework.Label", 1},
      {view + "keybedPanel", "PresetEditor.KeybedPanel", 1},
      {view + "keybedPanel/label", "Framework.Label", 1},
      {view + "arpeggiator", "PresetEditor.Arpeggiator", 1},
      {view + "arpeggiator/label", "Framework.Label", 1},
      {"dialogAbout", "PresetEditor.DialogAbout", 1},
      {"dialogAbout/labelProduct", "Framework.Label", 1},
      {"dialogAbout/labelCopyright", "Framework.Label", 1},
      {"dialogAbout/buttonSupport", "Framework.Button", 7},
      {"dialogAbout/companyLogo", "Framework.Label", 1},
      {"dialogAbout/productLogo", "Framework.Label", 1},
      {"dialogAbout/buttonClose", "Framework.Button", 7},
      {"toolTip", "Framework.ToolTip", 1},
      {"contextMenu", "Framework.PopupMenu", 1},
      {"contextMenu/templateItem", "Framework.MenuItem", 14},
      {"contextMenu/templateItem/checkBox", "Framework.Button", 14},
  };
  for (const std::string& name : ProgramButtons())
    expected.push_back({view + "programBankPanel/" + name, "Framework.Button", 7});
  const struct {
    const char* panel;
    const char* cls;
    const char* label;
    const char* control;
  } panels[] = {
      {"keybedPanel/midiChannel", "PresetEditor.MidiChannelPanel", "label", "comboBox"},
      {"keybedPanel/octave", "PresetEditor.OctavePanel", "octaveLabel", "parameterControl"},
      {"keybedPanel/transpose", "PresetEditor.TransposePanel", "transposeLabel", "parameterControl"},
      {"arpeggiator/arpEnabled", "PresetEditor.ArpEnabledPanel", "label", "parameterControl"},
      {"arpeggiator/arpMode", "PresetEditor.ArpModePanel", "label", "comboBox"},
      {"arpeggiator/noteRepeatTimeDivision", "PresetEditor.NoteRepeatTimeDivisionPanel", "label", "comboBox"},
      {"arpeggiator/swing", "PresetEditor.SwingPanel", "label", "parameterControl"},
      {"arpeggiator/noteRepeatClock", "PresetEditor.NoteRepeatClockPanel", "label", "comboBox"},
      {"arpeggiator/arpLatch", "PresetEditor.ArpLatchPanel", "label", "comboBox"},
      {"arpeggiator/tempoTaps", "PresetEditor.TempoTapsPanel", "label", "comboBox"},
      {"arpeggiator/tempo", "PresetEditor.TempoPanel", "label", "parameterControl"},
      {"arpeggiator/arpOctave", "PresetEditor.ArpOctavePanel", "label", "comboBox"},
  };
  ASSERT_EQ(std::size(panels), kParameterPanels.size());
  for (const auto& p : panels) {
    const std::string path = view + p.panel;
    expected.push_back({path, p.cls, 1});
    expected.push_back({path + "/" + p.label, "Framework.Label", 1});
    const std::string control = path + "/" + p.control;
    if (std::string(p.control) == "comboBox") {
      expected.push_back({control, "Framework.ComboBox", 7});
      expected.push_back({control + "/listBox/templateItem", "Framework.ListBoxItem", 14});
    } else if (std::string(p.panel) == "arpeggiator/arpEnabled") {
      expected.push_back({control, "Framework.Button", 14}); // a toggle: off and on looks
    } else {
      expected.push_back({control, "Framework.NumericUpDown", 1});
      expected.push_back({control + "/textBox", "Framework.TextBox", 12});
      expected.push_back({control + "/buttonUp", "Framework.Button", 7});
      expected.push_back({control + "/buttonDown", "Framework.Button", 7});
    }
  }
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.path);
    const LControlDescriptor* d = Find(*mRoot, e.path);
    ASSERT_TRUE(d) << "missing";
    EXPECT_EQ(Narrow(d->GetClass()), e.cls);
    const Rect box = Box(*d);
    // Every control has a size of its own, or one that follows its parent, the window or a sibling (a row
    // template spans its list's client area and grows to its text; the scroll bars take the corner's).
    EXPECT_TRUE(box.w > 0 || d->GetLayout()->mSize[0].mReference != kSizeSelf) << "no width";
    EXPECT_TRUE(box.h > 0 || d->GetLayout()->mSize[1].mReference != kSizeSelf) << "no height";
    if (e.looks == 0)
      continue;
    const LLookList* looks = Looks(*d);
    ASSERT_TRUE(looks) << "no look list";
    ASSERT_GE(looks->GetCount(), e.looks);
    for (std::uint32_t i = 0; i < e.looks; ++i)
      EXPECT_TRUE(looks->GetAt(i)) << "look " << i << " empty";
  }

  // Every control of the skin draws something: a control without looks stays invisible.
  std::vector<const LControlDescriptor*> pending{mRoot};
  std::size_t controls = 0;
  while (!pending.empty()) {
    const LControlDescriptor* d = pending.back();
    pending.pop_back();
    for (std::uint32_t i = 0; i < d->GetChildren().GetCount(); ++i) {
      const LControlDescriptor* c = d->GetChildren().GetAt(i).Get();
      pending.push_back(c);
      ++controls;
      const LLookList* looks = Looks(*c);
      EXPECT_TRUE(looks && looks->GetCount() > 0 && looks->GetAt(0)) << Narrow(c->GetName()) << " has no look";
    }
  }
  EXPECT_GT(controls, 150u);

  // The toggle starts OFF and turns to ON by its value.
  const LControlDescriptor* toggle = Find(*mRoot, view + "arpeggiator/arpEnabled/parameterControl");
  ASSERT_TRUE(toggle && toggle->GetCreateParams());
  WideString autoValue;
  EXPECT_TRUE(toggle->GetCreateParams()->GetString(u"AUTO_VALUE_SET", autoValue));
  EXPECT_EQ(Narrow(autoValue), "True");
}

TEST_P(GeneratedSkins, WindowSizesAndHiddenParts) {
  // The main control is the window's client area: it follows the window, from a minimum well below the whole
  // layout up to the whole layout, so the window gets a sizing border and no maximise box.
  const Rect window = Largest(*mMain);
  EXPECT_EQ(window.w, 1200.0 * mScale);
  EXPECT_EQ(window.h, 640.0 * mScale);
  const LLayoutDescriptor& main = *mMain->GetLayout();
  EXPECT_EQ(main.mMinSize[0].mAbsolute, 640.0 * mScale);
  EXPECT_EQ(main.mMinSize[1].mAbsolute, 400.0 * mScale);
  EXPECT_EQ(MainWindowStyle(main), kStyleResizableMainWindow);
  for (int axis = 0; axis < 2; ++axis) {
    SCOPED_TRACE(axis);
    EXPECT_TRUE(FollowsParent(*mMain, axis, kSizeClient)) << "the main control follows the window";
    EXPECT_TRUE(FollowsParent(*Find(*mRoot, "mainControl/viewDevice"), axis)) << "the view fills the window";
  }
  EXPECT_EQ(Narrow(mRoot->GetSkin()->mFontName), "Arial");
  EXPECT_EQ(mRoot->GetSkin()->mFontSize, 9.0f * static_cast<float>(mScale));
  EXPECT_GE(mFontPixels, 12.0f * static_cast<float>(mScale)) << "captions too small";

  const LControlDescriptor* menu = Find(*mRoot, "mainControl/mainMenu");
  const LControlDescriptor* title = Find(*mRoot, "mainControl/mainMenu/templateMenu");
  const LControlDescriptor* popup = Find(*mRoot, "mainControl/mainMenu/templateMenu/popupMenu");
  ASSERT_TRUE(menu && title && popup);
  EXPECT_EQ(menu->GetChildren().GetCount(), 1u) << "the bar's one child is its title template";
  EXPECT_TRUE(FollowsParent(*menu, 0)) << "full width";
  EXPECT_FALSE(popup->GetLayout()->mVisible);
  EXPECT_EQ(Box(*popup).y, Box(*title).h) << "the menu opens at the title's bottom edge";

  for (const char* hidden :
       {"mainControl/viewDevice/deviceSelectionComboBox", "mainControl/viewDevice/selectDeviceLabel"}) {
    SCOPED_TRACE(hidden);
    const LControlDescriptor* d = Find(*mRoot, hidden);
    ASSERT_TRUE(d);
    EXPECT_FALSE(d->GetLayout()->mVisible);
  }

  // The product logo at the width the editor gives it at start-up (model 0), with the second model's look.
  const LControlDescriptor* logo = Find(*mRoot, "mainControl/viewDevice/productLabel");
  ASSERT_TRUE(logo);
  EXPECT_EQ(Box(*logo).w, mScale == 2 ? 255.0 : 128.0);

  const LControlDescriptor* about = Find(*mRoot, "dialogAbout");
  ASSERT_TRUE(about);
  const LLayoutDescriptor& layout = *about->GetLayout();
  for (int axis = 0; axis < 2; ++axis) {
    SCOPED_TRACE(axis);
    EXPECT_EQ(layout.mMinSize[axis].mAbsolute, layout.mSize[axis].mAbsolute) << "fixed size";
    EXPECT_EQ(layout.mMaxSize[axis].mAbsolute, layout.mSize[axis].mAbsolute) << "fixed size";
  }
}

TEST_P(GeneratedSkins, ControlsShowWithoutScrollingAndOverlapNoSibling) {
  const Rect window = Largest(*mMain);
  const LControlDescriptor* menu = Find(*mRoot, "mainControl/mainMenu");
  const LControlDescriptor* view = Find(*mRoot, "mainControl/viewDevice");
  ASSERT_TRUE(menu && view);
  Rect menuBox = WindowBox(*menu);
  menuBox.w = window.w;
  // The view's scroll bars and their corner keep to its right and bottom edges, over the content.
  for (const char* bar : {"vBar", "hBar", "corner"}) {
    const LControlDescriptor* d = Child(*view, bar);
    ASSERT_TRUE(d) << bar;
    EXPECT_TRUE(d->GetLayout()->mPlacement[0].mDocked && d->GetLayout()->mPlacement[1].mDocked) << bar;
  }

  std::vector<const LControlDescriptor*> shown;
  for (const std::string& panel : kParameterPanels) {
    const LControlDescriptor* p = Find(*view, panel);
    ASSERT_TRUE(p) << panel;
    const LControlDescriptor* control =
        Child(*p, "comboBox") ? Child(*p, "comboBox") : Child(*p, "parameterControl");
    ASSERT_TRUE(control) << panel;
    shown.push_back(control);
  }
  for (const std::string& name : ProgramButtons()) {
    shown.push_back(Find(*view, "programBankPanel/" + name));
    ASSERT_TRUE(shown.back()) << name;
  }
  shown.push_back(Find(*view, "productLabel"));
  shown.push_back(Find(*view, "controllerBody"));
  ASSERT_EQ(shown.size(), 12u + 17u + 2u);

  for (const LControlDescriptor* d : shown) {
    SCOPED_TRACE(Narrow(d->GetName()));
    const Rect box = WindowBox(*d);
    EXPECT_TRUE(box.Inside(window)) << box << " outside the window " << window;
    EXPECT_FALSE(box.Overlaps(menuBox)) << box << " under the menu bar";
    // The control and each panel it lies in stay clear of their visible siblings and inside their parent.
    for (const LControlDescriptor* c = d; c->GetParent() != view->GetParent(); c = c->GetParent()) {
      const LControlDescriptor& parent = *c->GetParent();
      if (&parent != view) {
        EXPECT_TRUE(Box(*c).Inside(Rect{0, 0, Box(parent).w, Box(parent).h})) << Narrow(c->GetName());
      }
      const RCPtrArray<LControlDescriptor>& siblings = parent.GetChildren();
      for (std::uint32_t i = 0; i < siblings.GetCount(); ++i) {
        const LControlDescriptor& s = *siblings.GetAt(i);
        if (&s == c || !s.GetLayout()->mVisible || s.GetLayout()->mPlacement[0].mDocked)
          continue;
        EXPECT_FALSE(Box(*c).Overlaps(Box(s)))
            << Narrow(c->GetName()) << " " << Box(*c) << " overlaps " << Narrow(s.GetName()) << " " << Box(s);
      }
    }
  }

  // The product logo of the second model (343 px, 686 on the high-DPI skin) still fits beside its siblings.
  Rect wide = Box(*Find(*view, "productLabel"));
  wide.w = mScale == 2 ? 686 : 343;
  for (const char* sibling : {"controllerBody", "programBankPanel", "keybedPanel", "arpeggiator"})
    EXPECT_FALSE(wide.Overlaps(Box(*Find(*view, sibling)))) << sibling;

  // The menu titles: File and Help side by side in the bar, even in the smallest window.
  const Rect title = Box(*Find(*menu, "templateMenu"));
  const Rect smallest{0, 0, mMain->GetLayout()->mMinSize[0].mAbsolute, Box(*menu).h};
  EXPECT_LE(2 * title.w, smallest.w);
  EXPECT_TRUE(title.Inside(smallest));
}

// Every control that takes the keyboard focus shows it by a ring along its edges: each focused look (a
// button's 3-5 and 10-12, the closed combo box's 1 and 3, the number field's 3-5) is its unfocused twin with
// the ring drawn over it, in a colour that keeps 3:1 or more against what it covers: the face, and on a combo
// box the drop arrow (a button face) at its right end.
TEST_P(GeneratedSkins, FocusedLooksAddARingToTheirUnfocusedTwins) {
  const LControlDescriptor* view = Find(*mRoot, "mainControl/viewDevice");
  ASSERT_TRUE(view);
  using Twins = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
  const Twins button{{3, 0}, {4, 1}, {5, 2}};
  Twins toggle = button;
  toggle.insert(toggle.end(), {{10, 7}, {11, 8}, {12, 9}});
  std::vector<std::pair<const LControlDescriptor*, Twins>> focusable;
  for (const std::string& name : ProgramButtons())
    focusable.push_back({Find(*view, "programBankPanel/" + name), button});
  for (const char* name : {"dialogAbout/buttonSupport", "dialogAbout/buttonClose"})
    focusable.push_back({Find(*mRoot, name), button});
  focusable.push_back({Find(*view, "deviceSelectionComboBox"), {{1, 0}, {3, 2}}});
  for (const std::string& panel : kParameterPanels) {
    const LControlDescriptor* p = Find(*view, panel);
    ASSERT_TRUE(p);
    if (const LControlDescriptor* combo = Child(*p, "comboBox"))
      focusable.push_back({combo, {{1, 0}, {3, 2}}});
    else if (panel == "arpeggiator/arpEnabled")
      focusable.push_back({Child(*p, "parameterControl"), toggle});
    else
      focusable.push_back({Find(*p, "parameterControl/textBox"), button});
  }
  const auto face = [](const LLookDescriptor& look) {
    return look.GetClientPart()->GetPart()->GetColorizer()->GetColor();
  };
  // The drop arrow is drawn on the program buttons' face.
  const Color arrowFace = face(*Looks(*Find(*view, "programBankPanel/sendProgram1"))->GetAt(0));
  for (const auto& [d, twins] : focusable) {
    ASSERT_TRUE(d);
    SCOPED_TRACE(Narrow(d->GetName()));
    const LLookList* looks = Looks(*d);
    ASSERT_TRUE(looks);
    for (const auto& [focused, unfocused] : twins) {
      SCOPED_TRACE(testing::Message() << "look " << focused << " against " << unfocused);
      ASSERT_LT(focused, looks->GetCount());
      const LLookDescriptor& on = *looks->GetAt(focused);
      const LLookDescriptor& off = *looks->GetAt(unfocused);
      EXPECT_EQ(face(on), face(off)) << "the same face";
      // The twin's own parts (the combo box's arrow) come first, the ring's after them.
      const std::uint32_t plain = off.GetNonClientParts().GetCount();
      const std::uint32_t all = on.GetNonClientParts().GetCount();
      ASSERT_GE(all, plain + 4) << "four edges more";
      std::int32_t edges = 0;
      for (std::uint32_t i = plain; i < all; ++i) {
        SCOPED_TRACE(i);
        const LDockedPart& edge = *on.GetNonClientParts().GetAt(i);
        EXPECT_TRUE((edge.HasWidth() && edge.GetWidth() == 2 * mScale) ||
                    (edge.HasHeight() && edge.GetHeight() == 2 * mScale))
            << "two pixels wide (four at twice the scale)";
        const bool overArrow = plain > 0 && (edge.GetPresenceMask() & kDockedLeft) == 0;
        EXPECT_GE(Contrast(edge.GetPart()->GetColorizer()->GetColor(), overArrow ? arrowFace : face(on)), 3.0);
        edges |= kDockedAll & ~edge.GetPresenceMask();
      }
      EXPECT_EQ(edges, kDockedAll) << "one edge free on each side: all four sides";
    }
  }
}

TEST_P(GeneratedSkins, CaptionsAreReadableAndWhole) {
  const LControlDescriptor* view = Find(*mRoot, "mainControl/viewDevice");
  ASSERT_TRUE(view);
  const double arrow = 20.0 * mScale; // the combo box's drop arrow at the right end of its look

  // Labels and buttons with their string-table texts.
  std::vector<const LControlDescriptor*> captions{
      Find(*view, "programBankPanel/label"),     Find(*view, "keybedPanel/label"),
      Find(*view, "arpeggiator/label"),          Find(*mRoot, "dialogAbout/labelName"),
      Find(*mRoot, "dialogAbout/labelProduct"),  Find(*mRoot, "dialogAbout/labelCopyright"),
      Find(*mRoot, "dialogAbout/buttonSupport"), Find(*mRoot, "dialogAbout/buttonClose")};
  for (const std::string& name : ProgramButtons())
    captions.push_back(Find(*view, "programBankPanel/" + name));
  for (int slot = 1; slot <= 8; ++slot)
    captions.push_back(Find(*view, "programBankPanel/slotLabel" + std::to_string(slot)));
  for (const std::string& panel : kParameterPanels) {
    const LControlDescriptor* p = Find(*view, panel);
    ASSERT_TRUE(p);
    for (const char* label : {"label", "octaveLabel", "transposeLabel"}) {
      if (const LControlDescriptor* l = Child(*p, label))
        captions.push_back(l);
    }
  }
  for (const LControlDescriptor* d : captions) {
    ASSERT_TRUE(d);
    const std::string text = Text(*d, u"LABEL");
    EXPECT_FALSE(text.empty()) << Narrow(d->GetName()) << " has no text";
    ExpectReadable(*d, {text});
  }

  // Combo boxes show every row; the toggle shows ON and OFF; the number fields their widest values.
  for (const std::string& panel : kParameterPanels) {
    SCOPED_TRACE(panel);
    const LControlDescriptor* p = Find(*view, panel);
    if (const LControlDescriptor* combo = Child(*p, "comboBox")) {
      const RCPtr<LStringTable> table = mFactory->GetStringTableForParentDescriptor(p, WideString(u"comboBox"));
      ASSERT_TRUE(table);
      LStringTable::SortedEntries rows;
      ASSERT_EQ(table->GetSortedEntriesWithPrefix(WideString(u"ITEM."), rows), S_OK);
      std::vector<std::string> texts;
      for (std::uint32_t i = 0; i < rows.GetCount(); ++i)
        texts.push_back(Narrow(rows.GetAt(i).mValue));
      EXPECT_GE(texts.size(), 2u);
      // The drop arrow is part of every look of the box (a press on it is a press on the box), at its right
      // end, and the text ends before it.
      EXPECT_TRUE(combo->GetChildren().GetCount() == 1 && Child(*combo, "listBox")) << "no control over the box";
      const LLookList* looks = Looks(*combo);
      ASSERT_TRUE(looks);
      for (std::uint32_t i = 0; i < looks->GetCount(); ++i) {
        SCOPED_TRACE(i);
        const LLookDescriptor& look = *looks->GetAt(i);
        ASSERT_GE(look.GetNonClientParts().GetCount(), 1u);
        const LDockedPart& part = *look.GetNonClientParts().GetAt(0);
        EXPECT_EQ(Narrow(part.GetPart()->GetName()), mScale == 2 ? "Picture.ComboArrow2x" : "Picture.ComboArrow");
        EXPECT_EQ(part.GetPresenceMask(), kDockedTop | kDockedRight | kDockedBottom);
        EXPECT_EQ(part.GetRight(), 0);
        EXPECT_EQ(part.GetWidth(), arrow);
        EXPECT_LE(look.GetTextProperties().mRightAbs, -arrow);
      }
      ExpectReadable(*combo, texts);
      // The rows span the list's client area, less a scroll bar.
      const Rect listRows{0, 0, Box(*Find(*combo, "listBox")).w - 16.0 * mScale, 0};
      ExpectReadable(*Find(*combo, "listBox/templateItem"), texts, 0, &listRows);
    } else if (panel == "arpeggiator/arpEnabled") {
      ExpectReadable(*Child(*p, "parameterControl"), {"ON", "OFF"});
    } else {
      ExpectReadable(*Find(*p, "parameterControl/textBox"), {"-12", "240"});
    }
  }

  // The menu titles.
  const LControlDescriptor* menu = Find(*mRoot, "mainControl/mainMenu");
  const RCPtr<LStringTable> table = mFactory->GetStringTableForParentDescriptor(mMain, WideString(u"mainMenu"));
  ASSERT_TRUE(table);
  std::vector<std::string> titles;
  for (const char16_t* id : {u"MENU_LABEL.00", u"MENU_LABEL.01"}) {
    WideString text;
    ASSERT_TRUE(table->GetString(id, text));
    titles.push_back(Narrow(text));
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"File", "Help"}));
  ExpectReadable(*Find(*menu, "templateMenu"), titles);

  // Menu rows (plain, highlighted, disabled, submenu) and hot keys keep their contrast at the menu's narrowest;
  // the tool tip grows with its text.
  const Rect popup = Box(*Find(*menu, "templateMenu/popupMenu"));
  for (const char* menuName : {"contextMenu", "mainControl/mainMenu/templateMenu/popupMenu"}) {
    SCOPED_TRACE(menuName);
    const LControlDescriptor* row = Find(*mRoot, std::string(menuName) + "/templateItem");
    ASSERT_TRUE(row);
    ExpectReadable(*row, {"Send Program", "User Guide", "Paste"}, 0, &popup);
    ExpectReadable(*Child(*row, "hotKeyLabel"), {"Ctrl+O"}, 0, &popup);
  }
  const Rect anyWidth{0, 0, 4000, 0};
  ExpectReadable(*Find(*mRoot, "toolTip"), {"Send the program to slot 1"}, 0, &anyWidth);
}

// The main menu's string-table entries, built by the menu grammar: File (send submenu of nine with "Ram" first,
// get submenu of eight, load and save between separators, exit) and Help (user guide, about).
TEST(GeneratedStringTables, MainMenuAndTexts) {
  const std::string strings = test::ReadAll(kGenerated / "StringTables.xml");
  ASSERT_GT(strings.size(), 2u);
  EXPECT_EQ(strings.substr(0, 2), "\xFF\xFE") << "UTF-16 with its byte-order mark";
  LControlFactory factory(WideString(u"PresetEditor"));
  const std::string frameworkStrings =
      test::ReadAll(std::filesystem::path(QZ_SHIPPED_RESOURCES) / "FrameworkStrings.xml");
  factory.LoadStringTablesFromText(Bytes(strings), Bytes(frameworkStrings), 0x0409);
  const std::string skins = test::ReadAll(kGenerated / "Skins.xml");
  ASSERT_EQ(factory.LoadSkinsFromText(Bytes(skins)), S_OK);
  const LControlDescriptor* main = Find(*factory.GetTopLevelDescriptors().GetAt(1), "mainControl");
  ASSERT_TRUE(main);
  const RCPtr<LStringTable> menu = factory.GetStringTableForParentDescriptor(main, WideString(u"mainMenu"));
  ASSERT_TRUE(menu);

  auto build = [&menu](const char16_t* prefix) {
    LStringTable::SortedEntries entries;
    EXPECT_EQ(menu->GetSortedEntriesWithPrefix(WideString(prefix), entries), S_OK);
    LMenuDescriptor::Entries stripped;
    const std::uint32_t length = WideString(prefix).GetLength();
    for (std::uint32_t i = 0; i < entries.GetCount(); ++i) {
      const Pair<WideString, WideString>& e = entries.GetAt(i);
      stripped.AddItem({e.mKey.MidToEnd(length), e.mValue});
    }
    return LMenuDescriptor::CreateFromStringTable(stripped);
  };
  auto labels = [](const LMenuDescriptor* m) {
    std::vector<std::string> out;
    for (std::uint32_t i = 0; m && i < m->GetItemCount(); ++i) {
      const RCPtr<LMenuItemDescriptor> item = m->GetItem(i);
      out.push_back(item->mSeparator
                        ? "-"
                        : Narrow(item->mLabel) + (item->mCommand.IsEmpty() ? "" : "=" + Narrow(item->mCommand)));
    }
    return out;
  };
  const RCPtr<LMenuDescriptor> file = build(u"CONTEXT_MENU0.");
  ASSERT_TRUE(file);
  EXPECT_EQ(labels(file.Get()), (std::vector<std::string>{"Send Program", "Get Program", "-",
                                                          "Open Program...=NID_MENU_FILE_LOAD_PRESET_FROM_FILE",
                                                          "Save Program...=NID_MENU_FILE_SAVE_PRESET_TO_FILE", "-",
                                                          "Exit=NID_MENU_FILE_EXIT_REQ"}));
  std::vector<std::string> send{"Ram=NID_MENU_FILE_SEND_PRESET0_TO_DEVICE"};
  std::vector<std::string> get;
  for (int i = 1; i <= 8; ++i) {
    send.push_back("Program " + std::to_string(i) + "=NID_MENU_FILE_SEND_PRESET" + std::to_string(i) +
                   "_TO_DEVICE");
    get.push_back("Program " + std::to_string(i) + "=NID_MENU_FILE_GET_PRESET" + std::to_string(i) + "_TO_DEVICE");
  }
  EXPECT_EQ(labels(file->GetItem(0).Get()), send);
  EXPECT_EQ(labels(file->GetItem(1).Get()), get);
  EXPECT_EQ(
      labels(build(u"CONTEXT_MENU1.").Get()),
      (std::vector<std::string>{"User Guide=NID_MENU_HELP_OPEN_USERGUIDE_REQ", "About=NID_MENU_HELP_ABOUT_REQ"}));

  // Texts the editor's code and skins look up, with the exact wording where it matters.
  const RCPtr<LStringTable> app = factory.GetApplicationStringTable();
  ASSERT_TRUE(app);
  const struct {
    const char16_t* id;
    const char* text;
  } texts[] = {
      {u"GHK_WIN.NID_MENU_FILE_LOAD_PRESET_FROM_FILE", "Ctrl+VKEY_O"},
      {u"GHK_WIN.NID_MENU_FILE_SAVE_PRESET_TO_FILE", "Ctrl+VKEY_S"},
      {u"GHK_WIN.NID_EDIT_COPY_REQ", "Ctrl+VKEY_C"},
      {u"GHK_WIN.NID_EDIT_CUT_REQ", "Ctrl+VKEY_X"},
      {u"GHK_WIN.NID_EDIT_PASTE_REQ", "Ctrl+VKEY_V"},
      {u"CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_1", "Pellan Vorn Program Editor (*."},
      {u"CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_2", "|All Files (*.*)|*.*"},
      {u"LOAD_PRESET_DIALOG_TITLE", "Select Program File"},
      {u"SAVE_PRESET_DIALOG_TITLE", "Select Save Location"},
      {u"LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_CAPTION", "Open User Guide Failed"},
      {u"LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_TEXT", "The user guide failed to open."},
      {u"SETTINGS_FILE_LOAD_CAPTION", "Program File Load"},
      {u"SETTINGS_FILE_LOAD_NEWER_MESSAGE",
       "Program file is not compatible with this version of the program editor"},
      {u"SETTINGS_FILE_LOAD_CORRUPT_MESSAGE",
       "Program file is not compatible with this version of the program editor"},
      {u"SETTINGS_FILE_LOAD_OLDER_MESSAGE",
       "Program file is not compatible with this version of the program editor"},
      {u"SETTINGS_FILE_LOAD_WRONG_DEVICE_MESSAGE",
       "Program file is not compatible with this version of the program editor"},
      {u"SETTINGS_FILE_TRANSLATION_FAILURE_MESSAGE",
       "Program file is not compatible with this version of the program editor"},
      {u"LABEL_SAVE_PRESET_FILE_FAILED_MSGBOX_TEXT", "Saving the program file failed."},
      {u"LABEL_SAVE_PRESET_FILE_FAILED_MSGBOX_CAPTION", "Save Program Error"},
      {u"LABEL_GET_PRESET_FAILED_MSGBOX_CAPTION", "Retrieve Program Error"},
      {u"LABEL_GET_PRESET_SUCEESS_MSGBOX_CAPTION", "Retrieve Successful"},
      {u"LABEL_SEND_PRESET_FAILED_MSGBOX_CAPTION", "Send Program Error"},
      {u"LABEL_SEND_PRESET_SUCEESS_MSGBOX_CAPTION", "Send Success"},
  };
  for (const auto& t : texts) {
    SCOPED_TRACE(Narrow(WideString(t.id)));
    WideString text;
    ASSERT_TRUE(app->GetString(t.id, text));
    EXPECT_EQ(Narrow(text), t.text);
  }
  WideString url;
  ASSERT_TRUE(app->GetString(u"URL_SUPPORT", url));
  EXPECT_EQ(Narrow(url).rfind("https://support.example.com/", 0), 0u) << "a reserved example domain";

  // The text box's edit menu reads its labels from the framework's table.
  const RCPtr<LStringTable> framework = factory.GetFrameworkStringTable();
  ASSERT_TRUE(framework);
  for (const auto& [id, label] : {std::pair{u"EDIT_CUT", "Cut"}, std::pair{u"EDIT_COPY", "Copy"},
                                  std::pair{u"EDIT_PASTE", "Paste"}, std::pair{u"EDIT_DELETE", "Delete"}}) {
    WideString text;
    EXPECT_TRUE(framework->GetString(id, text)) << label;
    EXPECT_EQ(Narrow(text), label);
  }

  const RCPtr<LStringTable> title = factory.GetStringTableForParentDescriptor(nullptr, WideString(u"dialogAbout"));
  WideString about;
  ASSERT_TRUE(title && title->GetString(u"LABEL", about));
  EXPECT_EQ(Narrow(about), "About Tolvane Pellan Vorn Program Editor");
  const RCPtr<LStringTable> window =
      factory.GetStringTableForParentDescriptor(nullptr, WideString(u"mainControl"));
  WideString windowTitle;
  ASSERT_TRUE(window && window->GetString(u"LABEL", windowTitle));
  EXPECT_FALSE(windowTitle.IsEmpty());
}

// The pictures the skins name, at both sizes, and the user guide beside the program.
TEST(GeneratedPictures, EveryPictureTheSkinsNameIsThereAtItsSize) {
  const std::string skins = test::ReadAll(kGenerated / "Skins.xml");
  LControlFactory factory(WideString(u"PresetEditor"));
  ASSERT_EQ(factory.LoadSkinsFromText(Bytes(skins)), S_OK);
  std::size_t pictures = 0;
  for (std::size_t at = 0; (at = skins.find("ImageFile=\"", at)) != std::string::npos; ++at) {
    const std::size_t begin = at + 11;
    const std::string file = skins.substr(begin, skins.find('"', begin) - begin);
    const std::size_t nameAt = skins.rfind("<Part Name=\"", at) + 12;
    const std::string part = skins.substr(nameAt, skins.find('"', nameAt) - nameAt);
    SCOPED_TRACE(file);
    const RCPtr<LVisualPartDescriptor>& descriptor = factory.FindPart(WideString(part.c_str()));
    ASSERT_TRUE(descriptor);
    const std::unique_ptr<Platform::Image> image =
        Platform::Image::LoadPngFile((kGenerated / file).string().c_str());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetWidth(), descriptor->GetWidth());
    EXPECT_EQ(image->GetHeight(), descriptor->GetHeight());
    ++pictures;
  }
  EXPECT_GE(pictures, 24u);
  for (const char* cursor : {"cursor_drop_copy.png", "cursor_drop_move.png"}) {
    SCOPED_TRACE(cursor);
    const std::unique_ptr<Platform::Image> image =
        Platform::Image::LoadPngFile((kGenerated / cursor).string().c_str());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetWidth(), 32);
    EXPECT_EQ(image->GetHeight(), 32);
  }
  EXPECT_FALSE(std::filesystem::exists(kGenerated / "Splash.png"));

  const std::string pdf = test::ReadAll(QZ_USER_GUIDE_PDF);
  ASSERT_GT(pdf.size(), 1000u);
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
}

// ---------------------------------------------------------------------------
// The menus of the generated skins in a real window: the main menu bar and the context menu as the
// editor shows them, measured with the pinned fonts.

// The element that starts at `at` (a SubControl), with everything it holds.
std::string ElementAt(const std::string& text, std::size_t at) {
  int depth = 0;
  std::size_t i = at;
  for (;;) {
    const std::size_t open = text.find("<SubControl ", i);
    const std::size_t close = text.find("</SubControl>", i);
    if (close == std::string::npos)
      return {};
    if (open != std::string::npos && open < close) {
      ++depth;
      i = open + 1;
      continue;
    }
    if (--depth == 0)
      return text.substr(at, close + 13 - at);
    i = close + 1;
  }
}

// The first element of that class and name from position `from` on.
std::string Element(const std::string& text, const std::string& cls, const std::string& name, std::size_t from) {
  const std::size_t at = text.find("<SubControl Class=\"" + cls + "\" Name=\"" + name + "\"", from);
  return at == std::string::npos ? std::string() : ElementAt(text, at);
}

class GeneratedMenus : public test::SkinWindowFixture, public ::testing::WithParamInterface<std::int32_t> {
protected:
  void SetUp() override {
    ASSERT_TRUE(kFontsPinned);
    mFactory = MakeRCPtr<LControlFactory>(WideString(u"PresetEditor"));
    SkinWindowFixture::SetUp();
    mFactory->RegisterControlCreateFunction(WideString(u"PresetEditor.MainControl"),
                                            &CreateControlFromDescriptor<LControl>);
    const std::string skins = test::ReadAll(kGenerated / "Skins.xml");
    const std::string strings = test::ReadAll(kGenerated / "StringTables.xml");
    const std::string framework =
        test::ReadAll(std::filesystem::path(QZ_SHIPPED_RESOURCES) / "FrameworkStrings.xml");
    mFactory->LoadStringTablesFromText(Bytes(strings), Bytes(framework), 0x0409);
    // The application's hot keys, as the editor reads them at its start.
    for (const char16_t* prefix : {u"GHK", u"GHK_WIN"})
      ASSERT_EQ(mApp->GetGlobalHotKeyManager()->GetHotKeyMap().LoadFromStringTable(
                    mFactory->GetApplicationStringTable(), WideString(prefix)),
                S_OK);
    // The skin the screen picks, its main control holding the menu bar and one of the editor's text boxes.
    const std::size_t high = skins.find("<Skin Name=\"HighDPI\"");
    const std::size_t standard = skins.find("<Skin Name=\"Skin1\"");
    ASSERT_NE(high, std::string::npos);
    ASSERT_NE(standard, std::string::npos);
    mScale = GetParam() >= 144 ? 2 : 1;
    const std::size_t at = mScale == 2 ? high : standard;
    const std::string head = skins.substr(at, skins.find('>', at) + 1 - at);
    const std::string bar = Element(skins, "Framework.MainMenu", "mainMenu", at);
    std::string box = Element(skins, "Framework.TextBox", "textBox", at);
    const std::string context = Element(skins, "Framework.PopupMenu", "contextMenu", at);
    const std::string tip = Element(skins, "Framework.ToolTip", "toolTip", at);
    ASSERT_FALSE(bar.empty() || box.empty() || context.empty() || tip.empty());
    box.replace(box.find("YPositionAbs=\"0\""), 16, "YPositionAbs=\"" + std::to_string(300 * mScale) + "\"");
    const std::int32_t width = 1200 * mScale;
    const std::int32_t height = 640 * mScale;
    const std::string main =
        "<SubControl Class=\"PresetEditor.MainControl\" Name=\"mainControl\" XPositionAbs=\"0\" "
        "YPositionAbs=\"0\" XSizeAbs=\"" +
        std::to_string(width) + "\" YSizeAbs=\"" + std::to_string(height) +
        "\"><Skin Name=\"mainControlSkin\" LookList=\"Window" + (mScale == 2 ? "2x" : "") + "\">" + bar + box +
        "</Skin></SubControl>";
    const std::string document = test::WithSkins(skins, head + main + context + tip + "</Skin>");
    ASSERT_FALSE(document.empty());
    OpenSkinWindow(document, width, height, u"mainControl");
    // The skin's font becomes the application's, as at the editor's start.
    ASSERT_EQ(mApp->SetSkin(0), S_OK);
    ASSERT_TRUE(mSimulator.Change(mId, Platform::SimulatedWindowChange::kFocusGained));
    Pump();
    mBar = DynamicCast<LMainMenu>(mMain->FindChild(WideString(u"mainMenu")));
    ASSERT_TRUE(mBar);
  }
  void TearDown() override {
    mBar = RCPtr<LMainMenu>();
    SkinWindowFixture::TearDown();
  }

  RCPtr<LPopupMenu> Open(const char16_t* title) {
    const RCPtr<LComboMenu> combo = DynamicCast<LComboMenu>(mBar->FindChild(WideString(title)));
    EXPECT_TRUE(combo) << Narrow(WideString(title));
    if (!combo)
      return RCPtr<LPopupMenu>();
    EXPECT_EQ(combo->ShowPopupMenu(true), S_OK);
    Pump();
    return combo->GetPopup();
  }

  // The menu's rows as "label[hot key]>" ("-" for a separator, ">" for a submenu row), after checking that
  // the user sees each of them whole: the menu is as high as its rows, every row lies in its client area one
  // under the other, its label fits its text box right of the check mark, the hot-key text stands
  // right-aligned clear of the label, and exactly the submenu rows carry the submenu mark.
  std::string ShownRows(const RCPtr<LPopupMenu>& menu) {
    std::string rows;
    const RCPtr<LRenderer> renderer = mApp->GetRenderer();
    EXPECT_TRUE(renderer);
    if (!menu || !renderer)
      return rows;
    const RectT<double> client = menu->GetClientRect();
    EXPECT_EQ(client.height, menu->GetContentHeight()) << "the menu is as high as its rows";
    double bottom = client.y;
    for (std::int32_t row = 0; row < menu->GetItemCount(); ++row) {
      SCOPED_TRACE(row);
      const RCPtr<LMenuItemDescriptor> item = menu->GetRowItem(row);
      const RCPtr<LListBoxItem> control = menu->GetItemControlAt(menu->GetItemControlIndex(row));
      if (!item || !control) {
        ADD_FAILURE() << "row not shown";
        continue;
      }
      const RectT<double> rect = menu->GetRowRect(row);
      EXPECT_EQ(rect.y, bottom) << "rows one under the other";
      EXPECT_EQ(rect.x, client.x);
      EXPECT_EQ(rect.width, client.width) << "as wide as the menu";
      EXPECT_EQ(rect.height, item->mSeparator ? menu->GetSeparatorHeight() : menu->GetRowHeight());
      bottom = rect.y + rect.height;
      rows += row ? " " : "";
      const RCPtr<LLook>& look = control->GetLook(-1);
      const RCPtr<LControl>& check = control->FindChild(WideString(u"checkBox"));
      const RCPtr<LControl>& hotKey = control->FindChild(WideString(u"hotKeyLabel"));
      if (!look || !check || !hotKey) {
        ADD_FAILURE() << "a row without its look, check mark or hot-key label";
        continue;
      }
      if (item->mSeparator) {
        rows += "-";
        EXPECT_EQ(look->GetNonClientCount(), 1u) << "a line";
        continue;
      }
      const RectT<std::int32_t> text = look->GetTextRect();
      const RCPtr<LFont>& font = control->GetFontRef();
      const double labelWidth = LFontText::MeasuredWidth(*renderer, item->mLabel, font);
      EXPECT_GE(text.x, check->GetBounds().x + check->GetBounds().width) << "right of the check mark";
      EXPECT_GE(text.height, font->GetLineHeight()) << "one whole line high";
      EXPECT_LE(labelWidth, text.width) << Narrow(item->mLabel) << " cut off";
      rows += Narrow(item->mLabel);
      EXPECT_EQ(Narrow(hotKey->GetText()), Narrow(item->mShortcut));
      if (!item->mShortcut.IsEmpty()) {
        rows += "[" + Narrow(item->mShortcut) + "]";
        const RectT<double>& box = hotKey->GetBounds();
        const double keyWidth = LFontText::MeasuredWidth(*renderer, item->mShortcut, hotKey->GetFontRef());
        EXPECT_LE(keyWidth, box.width) << "hot key cut off";
        EXPECT_GT(box.x, text.x + labelWidth) << "hot key over the label";
        EXPECT_LE(box.x + box.width, rect.width) << "hot key outside the row";
        const RCPtr<LLook>& keyLook = hotKey->GetLook(-1);
        EXPECT_TRUE(keyLook && keyLook->GetDescriptor() &&
                    keyLook->GetDescriptor()->GetTextProperties().mHAlign == 1.0f)
            << "right-aligned";
      }
      if (item->HasSubItems())
        rows += ">";
      EXPECT_EQ(look->GetNonClientCount() > 0, item->HasSubItems()) << "the submenu mark";
    }
    EXPECT_EQ(bottom, client.y + client.height) << "the last row ends at the menu's bottom";
    return rows;
  }

  // The menu's outer edges are drawn in the border colour, apart from the window behind it.
  void ExpectFramed(const RCPtr<LPopupMenu>& menu) {
    const PointT<double> at = menu->GetPositionInRoot();
    const RectT<double>& bounds = menu->GetBounds();
    const auto x = static_cast<int>(at.x);
    const auto y = static_cast<int>(at.y);
    EXPECT_EQ(PaintAndRead(x, y + static_cast<int>(bounds.height) / 2), kBorder) << "left edge";
    EXPECT_EQ(PaintAndRead(x + static_cast<int>(bounds.width) / 2, y), kBorder) << "top edge";
  }

  static constexpr std::uint32_t kBorder = 0xFF8A939E;

  RCPtr<LMainMenu> mBar;
  std::int32_t mScale = 1;
};

INSTANTIATE_TEST_SUITE_P(ScreenPpi, GeneratedMenus, ::testing::Values(96, 144),
                         [](const auto& param) { return std::to_string(param.param) + "ppi"; });

TEST_P(GeneratedMenus, FileAndHelpShowEveryRowWholeWithHotKeysAndSubmenuMarks) {
  const RCPtr<LPopupMenu> file = Open(u"File");
  ASSERT_TRUE(file);
  EXPECT_EQ(ShownRows(file),
            "Send Program> Get Program> - Open Program...[Ctrl+O] Save Program...[Ctrl+S] - Exit");
  ExpectFramed(file);

  // Resting on "Get Program" opens its submenu beside the menu after the hover delay.
  IdleAt(1000);
  const RectT<double> row = file->GetRowRect(1);
  const PointT<double> origin = file->GetPositionInRoot();
  const Platform::WindowPoint point{static_cast<std::int32_t>(origin.x + row.x + row.width / 2),
                                    static_cast<std::int32_t>(origin.y + row.y + row.height / 2)};
  ASSERT_TRUE(mSimulator.MovePointer(mId, point));
  Pump();
  IdleAt(1300);
  Pump();
  const RCPtr<LPopupMenu> get = file->GetSubmenu();
  ASSERT_TRUE(get);
  std::string programs;
  for (int i = 1; i <= 8; ++i)
    programs += (i > 1 ? " Program " : "Program ") + std::to_string(i);
  EXPECT_EQ(ShownRows(get), programs);
  const PointT<double> getAt = get->GetPositionInRoot();
  EXPECT_GE(getAt.x, origin.x + file->GetBounds().width - 4.0 * mScale) << "beside the menu";
  EXPECT_LE(getAt.x + get->GetBounds().width, mWidth);
  EXPECT_LE(getAt.y + get->GetBounds().height, mHeight);
  ExpectFramed(get);

  ASSERT_EQ(file->OpenSubmenu(0), S_OK);
  Pump();
  EXPECT_EQ(ShownRows(file->GetSubmenu()), "Ram " + programs);

  const RCPtr<LPopupMenu> help = Open(u"Help");
  ASSERT_TRUE(help);
  EXPECT_EQ(ShownRows(help), "User Guide About");
  ExpectFramed(help);
}

TEST_P(GeneratedMenus, TheTextBoxContextMenuShowsItsRowsWhole) {
  const RCPtr<LControl> box = mMain->FindChild(WideString(u"textBox"));
  ASSERT_TRUE(box);
  const PointT<double> at = box->GetPositionInRoot();
  const Platform::WindowPoint point{static_cast<std::int32_t>(at.x) + 10, static_cast<std::int32_t>(at.y) + 5};
  ASSERT_TRUE(mSimulator.MovePointer(mId, point));
  ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseRight, point));
  ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseRight, point));
  Pump();
  const RCPtr<LPopupMenu> menu = DynamicCast<LPopupMenu>(box->FindChild(WideString(u"contextMenu")));
  ASSERT_TRUE(menu);
  EXPECT_TRUE(menu->IsVisible(false));
  EXPECT_EQ(ShownRows(menu), "Cut[Ctrl+X] Copy[Ctrl+C] Paste[Ctrl+V] Delete[Del]");
  ExpectFramed(menu);
}

} // namespace
} // namespace QZ
