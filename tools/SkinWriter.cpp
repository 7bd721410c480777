// The two screen skins. Every size is given at the standard skin's scale and doubled for "HighDPI", so both
// skins share one layout: the menu bar on top, the controller picture and the product logo beside the program
// bank, the keybed and arpeggiator panels below. Everything fits the window at its largest size; a smaller
// window (down to its minimum, or what the desktop leaves) scrolls the device view. Every control that takes
// the keyboard focus shows it with a ring along its edges.
#include "ResourceGenerator.h"
#include "SkinLayout.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace QZ::Tools {

namespace {

using Layout::Box;

std::string Num(std::int32_t v) { return std::to_string(v); }

std::string Hex(std::uint32_t argb) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", argb);
  return text;
}

// A client part's right offset beyond any control's width: the client area it leaves is empty.
constexpr std::int32_t kEmptyClient = 1 << 20;

std::string ColourName(std::uint32_t argb) { return "C" + Hex(argb); }

// A flat look: a face colour with its text colour and alignment; focused, it has the focus ring; with the
// drop arrow, the combo box's arrow picture stands at its right end (part of the look, so a press on it is a
// press on the box) and the text ends before it.
struct FlatLook {
  std::uint32_t face;
  std::uint32_t text;
  bool centred;
  bool focused = false;
  bool arrow = false;
};

// Relative luminance of a straight 0xAARRGGBB colour.
double Luminance(std::uint32_t argb) {
  double sum = 0;
  const double weights[3] = {0.2126, 0.7152, 0.0722};
  for (int i = 0; i < 3; ++i) {
    const double c = static_cast<double>((argb >> (16 - 8 * i)) & 0xFF) / 255.0;
    sum += weights[i] * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
  }
  return sum;
}

class SkinBuilder {
public:
  explicit SkinBuilder(std::int32_t scale) : mScale(scale), mSuffix(scale == 1 ? "" : "2x") {}

  // The registries (colourisers, parts, looks, look lists) of this scale.
  std::string Registries() const;
  // The top-level Skin element.
  std::string Skin(const char* name, const char* fontSize);

private:
  std::int32_t S(std::int32_t v) const { return v * mScale; }
  std::string LookName(const FlatLook& look);
  std::string FlatList(const std::string& name, const std::vector<FlatLook>& looks);
  std::string ImageList(const std::string& name, const std::vector<std::string>& pictures);
  // A look of its own name (made once): its definition's body between the Look tags.
  std::string NamedLook(const std::string& name, const std::string& body);
  // A list of named looks, by index.
  std::string NamedList(const std::string& name, const std::vector<std::string>& looks);
  std::string Fill(std::uint32_t argb) {
    mColours.insert(argb);
    return "Fill." + ColourName(argb);
  }
  // A colour part docked to the look's edges: the attribute text of its offsets and size.
  std::string Edge(std::uint32_t argb, const std::string& placement) {
    return "          <NonClientPart Name=\"" + Fill(argb) + "\" " + placement + "/>\n";
  }
  std::string MenuRowLooks();
  // A framed face; with a text colour (not 0) the text is drawn inside the frame with a padding.
  std::string MenuFrameLooks(const std::string& name, std::uint32_t face, std::uint32_t text = 0);

  std::string Open(const char* cls, const std::string& name, const Box& box, const std::string& lookList,
                   const std::string& extra = "");
  // A control placed by the layout attributes given (numbers already at this scale).
  static std::string OpenPlaced(const char* cls, const std::string& name, const std::string& layout,
                                const std::string& lookList);
  static std::string Close() { return "</Skin></SubControl>\n"; }
  // The layout attributes of a size along the axis ("X" or "Y") that follows the parent's.
  static std::string FollowParent(const std::string& axis) {
    return axis + "SizeToControl=\"Parent\" " + axis + "SizeRel=\"1\" " + axis + "SizeAbs=\"0\"";
  }
  std::string Leaf(const char* cls, const std::string& name, const Box& box, const std::string& lookList,
                   const std::string& extra = "") {
    return Open(cls, name, box, lookList, extra) + Close();
  }

  // The scroll view's "corner", "vBar" and "hBar", docked at the right and bottom edges; the bars take their
  // thickness from the corner, which the view sets to 0 while a bar is not needed.
  std::string ScrollViewBars();
  std::string DockedScrollBar(const std::string& name, bool vertical, const std::string& layout);
  std::string MenuRow();
  // A list's row template: as wide as the list's client area and one text line high (it grows to its text).
  std::string ListItems(const char* itemClass);
  std::string PopupMenu(const std::string& name, const Box& box, bool visible);
  std::string Button(const std::string& name, const Box& box, bool toggle = false);
  std::string Label(const std::string& name, const Box& box, bool centred = false);
  std::string ComboBox(const std::string& name, const Box& box, bool visible = true);
  std::string UpDown(const Box& box);
  std::string ParameterPanel(const Layout::Parameter& parameter, const Box& box);
  std::string ModulePanel(const char* cls, const std::string& name, const Box& box,
                          const std::vector<Layout::Parameter>& parameters, std::int32_t columns);
  std::string ProgramBank(const Box& box);
  std::string MainMenu();
  std::string DeviceView();
  std::string AboutBox();

  std::int32_t mScale;
  std::string mSuffix;
  // Look name to its definition, list name to its definition; filled while the skin is written.
  std::map<std::string, std::string> mLooks;
  std::map<std::string, std::string> mLists;
  std::set<std::uint32_t> mColours;
};

std::string SkinBuilder::LookName(const FlatLook& look) {
  using namespace Layout;
  const std::string name = "Flat." + Hex(look.face) + "." + Hex(look.text) + (look.centred ? ".C" : ".L") +
                           (look.focused ? ".F" : "") + (look.arrow ? ".A" : "") + mSuffix;
  if (!mLooks.count(name)) {
    mColours.insert(look.face);
    mColours.insert(look.text);
    const std::int32_t pad = S(kTextPadding);
    const std::int32_t right = look.arrow ? S(kArrowWidth) + pad : pad;
    std::string frame;
    if (look.arrow) {
      frame += "          <NonClientPart Name=\"Picture.ComboArrow" + mSuffix +
               "\" OffsetTop=\"0\" OffsetRight=\"0\" OffsetBottom=\"0\" Width=\"" + Num(S(kArrowWidth)) + "\"/>\n";
    }
    if (look.focused) {
      // The ring's colour is the one of the pair that stands out from the face it is drawn on: over the drop
      // arrow (a button face) it takes the other colour.
      const auto ringOn = [](std::uint32_t face) { return Luminance(face) > 0.4 ? kFocusOnLight : kFocusOnDark; };
      const std::uint32_t ring = ringOn(look.face);
      const std::uint32_t arrowRing = look.arrow ? ringOn(kButtonFace) : ring;
      const std::string t = Num(S(kFocusRing));
      const std::string a = Num(look.arrow ? S(kArrowWidth) : 0);
      frame += Edge(ring, "OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"-" + a + "\" Height=\"" + t + "\"") +
               Edge(ring, "OffsetLeft=\"0\" OffsetRight=\"-" + a + "\" OffsetBottom=\"0\" Height=\"" + t + "\"") +
               Edge(ring, "OffsetLeft=\"0\" OffsetTop=\"0\" OffsetBottom=\"0\" Width=\"" + t + "\"") +
               Edge(arrowRing, "OffsetTop=\"0\" OffsetRight=\"0\" OffsetBottom=\"0\" Width=\"" + t + "\"");
      if (look.arrow) {
        frame += Edge(arrowRing, "OffsetTop=\"0\" OffsetRight=\"0\" Width=\"" + a + "\" Height=\"" + t + "\"") +
                 Edge(arrowRing, "OffsetRight=\"0\" OffsetBottom=\"0\" Width=\"" + a + "\" Height=\"" + t + "\"");
      }
    }
    mLooks[name] =
        "      <Look Name=\"" + name + "\">\n        <ClientPart Name=\"Fill." + ColourName(look.face) +
        "\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"0\" OffsetBottom=\"0\"/>\n" +
        (frame.empty() ? std::string()
                       : "        <NonClientParts Name=\"Frame\">\n" + frame + "        </NonClientParts>\n") +
        "        <TextProperties TextLeftRel=\"0\" TextLeftAbs=\"" + Num(pad) +
        "\" TextRightRel=\"1\" TextRightAbs=\"" + Num(-right) + "\" TextHAlign=\"" + (look.centred ? "0.5" : "0") +
        "\" TextTopRel=\"0\" TextTopAbs=\"0\" TextBottomRel=\"1\" TextBottomAbs=\"0\" "
        "TextVAlign=\"0.5\" TextForegroundPart=\"Fill." +
        ColourName(look.text) + "\"/>\n      </Look>\n";
  }
  return name;
}

std::string SkinBuilder::FlatList(const std::string& name, const std::vector<FlatLook>& looks) {
  std::vector<std::string> names;
  for (const FlatLook& look : looks)
    names.push_back(LookName(look));
  return NamedList(name, names);
}

std::string SkinBuilder::ImageList(const std::string& name, const std::vector<std::string>& pictures) {
  std::vector<std::string> names;
  for (const std::string& picture : pictures) {
    const std::string look = "Picture." + picture + mSuffix;
    mLooks[look] = "      <Look Name=\"" + look + "\">\n        <ClientPart Name=\"" + look +
                   "\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"0\" OffsetBottom=\"0\"/>\n      </Look>\n";
    names.push_back(look);
  }
  return NamedList(name, names);
}

std::string SkinBuilder::NamedLook(const std::string& name, const std::string& body) {
  const std::string full = name + mSuffix;
  if (!mLooks.count(full)) {
    mLooks[full] = "      <Look Name=\"" + full + "\">\n" + body + "      </Look>\n";
  }
  return full;
}

std::string SkinBuilder::NamedList(const std::string& name, const std::vector<std::string>& looks) {
  const std::string full = name + mSuffix;
  if (!mLists.count(full)) {
    std::string list = "      <LookList Name=\"" + full + "\" NumLooks=\"" +
                       Num(static_cast<std::int32_t>(looks.size())) + "\">\n";
    for (std::size_t i = 0; i < looks.size(); ++i)
      list += "        <Look Name=\"" + looks[i] + "\" Index=\"" + std::to_string(i) + "\"/>\n";
    mLists[full] = list + "      </LookList>\n";
  }
  return full;
}

// The menu row's fourteen looks. The label starts right of the check mark and ends before the submenu
// column; a submenu row (the list's marked rows) shows a small triangle in that column, drawn as columns of
// one pixel growing shorter towards its tip; a separator (the blank row) is a thin line and has no text, so
// it keeps the row template's own height while text rows grow to one line of the row font.
std::string SkinBuilder::MenuRowLooks() {
  using namespace Layout;
  const auto client = [this](std::uint32_t face) {
    return "        <ClientPart Name=\"" + Fill(face) +
           "\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"0\" OffsetBottom=\"0\"/>\n";
  };
  const auto text = [this](std::uint32_t colour) {
    return "        <TextProperties TextLeftRel=\"0\" TextLeftAbs=\"" + Num(S(kMenuTextLeft)) +
           "\" TextRightRel=\"1\" TextRightAbs=\"" + Num(-S(kSubmenuColumn)) +
           "\" TextHAlign=\"0\" TextTopRel=\"0\" TextTopAbs=\"0\" TextBottomRel=\"1\" TextBottomAbs=\"0\" "
           "TextVAlign=\"0.5\" TextForegroundPart=\"" +
           Fill(colour) + "\"/>\n";
  };
  std::string mark = "        <NonClientParts Name=\"SubmenuMark\">\n";
  const std::int32_t columns = S(kSubmenuMarkColumns);
  for (std::int32_t i = 0; i < columns; ++i) {
    mark += Edge(kText, "OffsetRight=\"" + Num(-(S(kSubmenuMarkRight) + columns - 1 - i)) +
                            "\" Width=\"1\" Height=\"" + Num(2 * (columns - i) - 1) + "\"");
  }
  mark += "        </NonClientParts>\n";
  const std::string normal = NamedLook("Menu.Row", client(kFieldFace) + text(kText));
  const std::string hover = NamedLook("Menu.RowHover", client(kMenuHighlight) + text(kText));
  const std::string sub = NamedLook("Menu.Submenu", client(kFieldFace) + mark + text(kText));
  const std::string subHover = NamedLook("Menu.SubmenuHover", client(kMenuHighlight) + mark + text(kText));
  const std::string disabled = NamedLook("Menu.RowDisabled", client(kFieldFace) + text(kDisabledText));
  const std::string separator = NamedLook(
      "Menu.Separator", client(kFieldFace) + "        <NonClientParts Name=\"SeparatorLine\">\n" +
                            Edge(kMenuSeparator, "OffsetLeft=\"" + Num(S(kCheckLeft)) + "\" OffsetRight=\"" +
                                                     Num(-S(kCheckLeft)) + "\" Height=\"" + Num(S(1)) + "\"") +
                            "        </NonClientParts>\n");
  return NamedList("MenuItem", {normal, hover, hover, sub, subHover, subHover, disabled, hover, hover, hover,
                                subHover, subHover, subHover, separator});
}

// A pop-up's frame: a one-pixel border and a soft shadow along the right and bottom edges, around a client
// area of the face colour.
std::string SkinBuilder::MenuFrameLooks(const std::string& name, std::uint32_t face, std::uint32_t text) {
  using namespace Layout;
  const std::string b = Num(S(kMenuFrame));
  const std::string d = Num(S(kMenuShadow));
  const std::string inner = Num(-S(kMenuShadow));
  const std::string look = NamedLook(
      name,
      "        <ClientPart Name=\"" + Fill(face) + "\" OffsetLeft=\"" + b + "\" OffsetTop=\"" + b +
          "\" OffsetRight=\"" + Num(-S(kMenuShadow) - S(kMenuFrame)) + "\" OffsetBottom=\"" +
          Num(-S(kMenuShadow) - S(kMenuFrame)) + "\"/>\n        <NonClientParts Name=\"Frame\">\n" +
          Edge(kMenuBorder,
               "OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"" + inner + "\" Height=\"" + b + "\"") +
          Edge(kMenuBorder, "OffsetLeft=\"0\" OffsetRight=\"" + inner + "\" OffsetBottom=\"" + inner +
                                "\" Height=\"" + b + "\"") +
          Edge(kMenuBorder,
               "OffsetLeft=\"0\" OffsetTop=\"0\" OffsetBottom=\"" + inner + "\" Width=\"" + b + "\"") +
          Edge(kMenuBorder, "OffsetTop=\"0\" OffsetRight=\"" + inner + "\" OffsetBottom=\"" + inner +
                                "\" Width=\"" + b + "\"") +
          Edge(kShadow, "OffsetTop=\"" + d + "\" OffsetRight=\"0\" OffsetBottom=\"0\" Width=\"" + d + "\"") +
          Edge(kShadow,
               "OffsetLeft=\"" + d + "\" OffsetRight=\"" + inner + "\" OffsetBottom=\"0\" Height=\"" + d + "\"") +
          "        </NonClientParts>\n" +
          (text == 0
               ? std::string()
               : "        <TextProperties TextLeftRel=\"0\" TextLeftAbs=\"" + Num(S(kMenuFrame + kTextPadding)) +
                     "\" TextRightRel=\"1\" TextRightAbs=\"" + Num(-S(kMenuFrame + kMenuShadow + kTextPadding)) +
                     "\" TextHAlign=\"0\" TextTopRel=\"0\" TextTopAbs=\"" + Num(S(kMenuFrame + 1)) +
                     "\" TextBottomRel=\"1\" TextBottomAbs=\"" + Num(-S(kMenuFrame + kMenuShadow + 1)) +
                     "\" TextVAlign=\"0.5\" TextForegroundPart=\"" + Fill(text) + "\"/>\n"));
  return NamedList(name, {look});
}

std::string SkinBuilder::OpenPlaced(const char* cls, const std::string& name, const std::string& layout,
                                    const std::string& lookList) {
  return "<SubControl Class=\"" + std::string(cls) + "\" Name=\"" + name + "\" " + layout + "><Skin Name=\"" +
         name + "Skin\" LookList=\"" + lookList + "\">\n";
}

std::string SkinBuilder::DockedScrollBar(const std::string& name, bool vertical, const std::string& layout) {
  using namespace Layout;
  const std::string a = vertical ? "Y" : "X";
  const std::string c = vertical ? "X" : "Y";
  const std::string t = Num(S(kScrollBarThickness));
  const std::string across =
      c + "PositionAbs=\"0\" " + c + "SizeToControl=\"Parent\" " + c + "SizeRel=\"1\" " + c + "SizeAbs=\"0\" ";
  const std::string arrows = FlatList("ScrollArrow", {{kButtonFace, kButtonText, true},
                                                      {kButtonHover, kButtonText, true},
                                                      {kButtonPressed, kButtonText, true},
                                                      {kButtonFace, kButtonText, true},
                                                      {kButtonHover, kButtonText, true},
                                                      {kButtonPressed, kButtonText, true},
                                                      {kDisabledFace, kDisabledText, true}});
  const std::string channelList =
      FlatList("ScrollChannel",
               {{kChannelFace, kText, true}, {kChannelPressed, kText, true}, {kDisabledFace, kText, true}});
  return OpenPlaced("Framework.ScrollBar", name, layout, FlatList("ScrollBar", {{kChannelFace, kText, true}})) +
         OpenPlaced("Framework.Button", "dec", across + a + "PositionAbs=\"0\" " + a + "SizeAbs=\"" + t + "\"",
                    arrows) +
         Close() +
         OpenPlaced("Framework.Button", "inc",
                    across + a + "PositionRel=\"1\" " + a + "PlacementAnchor=\"1\" " + a + "SizeAbs=\"" + t + "\"",
                    arrows) +
         Close() +
         OpenPlaced("Framework.ScrollChannel", "channel",
                    across + a + "PositionAbs=\"" + t + "\" " + a + "SizeToControl=\"inc\" " + a + "SizeAbs=\"0\"",
                    channelList) +
         OpenPlaced("Framework.Button", "thumb", across + a + "PositionAbs=\"0\" " + a + "SizeAbs=\"" + t + "\"",
                    arrows) +
         Close() + Close() + Close();
}

std::string SkinBuilder::ScrollViewBars() {
  using namespace Layout;
  const std::string t = Num(S(kScrollBarThickness));
  const std::string docked = "XIsDocked=\"True\" YIsDocked=\"True\" ";
  return OpenPlaced("Framework.Label", "corner",
                    docked +
                        "XPositionRel=\"1\" XPlacementAnchor=\"1\" YPositionRel=\"1\" YPlacementAnchor=\"1\" "
                        "XSizeAbs=\"" +
                        t + "\" YSizeAbs=\"" + t + "\"",
                    FlatList("Corner", {{kChannelFace, kText, true}})) +
         Close() +
         DockedScrollBar("vBar", true,
                         docked +
                             "XPositionRel=\"1\" XPlacementAnchor=\"1\" XSizeToControl=\"corner\" XSizeAbs=\"0\" "
                             "YPositionAbs=\"0\" YSizeToControl=\"corner\" YSizeAbs=\"0\"") +
         DockedScrollBar("hBar", false,
                         docked +
                             "YPositionRel=\"1\" YPlacementAnchor=\"1\" YSizeToControl=\"corner\" YSizeAbs=\"0\" "
                             "XPositionAbs=\"0\" XSizeToControl=\"corner\" XSizeAbs=\"0\"");
}

// The menu row template: as wide as the menu's client area and not focusable; one text line high (it grows
// to its text), separators kSeparatorHeight. The hot-key label sits right-aligned before the submenu column
// and grows leftwards with its text. Its client area is empty, so the row's face (which the menu hands to it)
// is never drawn over the row's label or separator line: only its text shows, on the row's highlight.
std::string SkinBuilder::MenuRow() {
  using namespace Layout;
  const std::string checkList = NamedList(
      "MenuCheck", {NamedLook("Menu.Unchecked",
                              "        <ClientPart Name=\"" + Fill(kTransparent) +
                                  "\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"0\" OffsetBottom=\"0\"/>\n"),
                    "Menu.Unchecked" + mSuffix, "Menu.Unchecked" + mSuffix, "Menu.Unchecked" + mSuffix,
                    "Menu.Unchecked" + mSuffix, "Menu.Unchecked" + mSuffix, "Menu.Unchecked" + mSuffix,
                    NamedLook("Menu.Checked",
                              "        <ClientPart Name=\"" + Fill(kText) +
                                  "\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"0\" OffsetBottom=\"0\"/>\n"),
                    "Menu.Checked" + mSuffix, "Menu.Checked" + mSuffix, "Menu.Checked" + mSuffix,
                    "Menu.Checked" + mSuffix, "Menu.Checked" + mSuffix, "Menu.Unchecked" + mSuffix});
  const std::string hotKeyList = NamedList(
      "MenuHotKey",
      {NamedLook("Menu.HotKey",
                 "        <ClientPart Name=\"" + Fill(kFieldFace) +
                     "\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"" + Num(-kEmptyClient) +
                     "\" OffsetBottom=\"0\"/>\n"
                     "        <TextProperties TextLeftRel=\"0\" TextLeftAbs=\"0\" TextRightRel=\"1\" "
                     "TextRightAbs=\"0\" TextHAlign=\"1\" TextTopRel=\"0\" TextTopAbs=\"0\" TextBottomRel=\"1\" "
                     "TextBottomAbs=\"0\" TextVAlign=\"0.5\" TextForegroundPart=\"" +
                     Fill(kHotKeyText) + "\"/>\n")});
  return OpenPlaced(
             "Framework.MenuItem", "templateItem",
             "XPositionAbs=\"0\" XSizeToControl=\"Client\" XSizeRel=\"1\" XSizeAbs=\"0\" YPositionAbs=\"0\" "
             "YSizeAbs=\"" +
                 Num(S(kSeparatorHeight)) + "\" TextOverflowYType=\"Expand\"",
             MenuRowLooks()) +
         OpenPlaced("Framework.Button", "checkBox",
                    "XPositionAbs=\"" + Num(S(kCheckLeft)) + "\" XSizeAbs=\"" + Num(S(kCheckSize)) +
                        "\" YPositionRel=\"0.5\" YPlacementAnchor=\"0.5\" YSizeAbs=\"" + Num(S(kCheckSize)) + "\"",
                    checkList) +
         "<CreateParamList><CreateParam ID=\"AUTO_VALUE_SET\" Type=\"Boolean\">True</CreateParam>"
         "</CreateParamList>\n" +
         Close() +
         OpenPlaced("Framework.Label", "hotKeyLabel",
                    "XPositionRel=\"1\" XPlacementAnchor=\"1\" XPositionAbs=\"" + Num(-S(kSubmenuColumn)) +
                        "\" XSizeAbs=\"1\" YPositionAbs=\"0\" YSizeToControl=\"Parent\" YSizeRel=\"1\" "
                        "YSizeAbs=\"0\" TextOverflowXType=\"Expand\"",
                    hotKeyList) +
         Close() +
         "<CreateParamList><CreateParam ID=\"NOT_FOCUSABLE\" Type=\"Boolean\">True</CreateParam>"
         "</CreateParamList>\n" +
         Close();
}

std::string SkinBuilder::Registries() const {
  std::string out = "    <Colorizers>\n";
  for (const std::uint32_t c : mColours)
    out += "      <Colorizer Name=\"" + ColourName(c) + "\" ColorType=\"SolidFill\" Color=\"" + Hex(c) + "\"/>\n";
  out += "    </Colorizers>\n    <Parts>\n";
  for (const std::uint32_t c : mColours)
    out += "      <Part Name=\"Fill." + ColourName(c) + "\" ColorizerName=\"" + ColourName(c) +
           "\" Width=\"1\" Height=\"1\" ResizeType=\"Stretch\"/>\n";
  for (const Layout::Picture& picture : Layout::kPictures) {
    out += "      <Part Name=\"Picture." + std::string(picture.name) + mSuffix + "\" ImageFile=\"" + picture.name +
           mSuffix + ".png\" ImageLocX=\"0\" ImageLocY=\"0\" Width=\"" + Num(picture.width * mScale) +
           "\" Height=\"" + Num(picture.height * mScale) + "\" ResizeType=\"" + picture.resize + "\"/>\n";
  }
  out += "    </Parts>\n    <Looks>\n";
  for (const auto& [name, look] : mLooks)
    out += look;
  out += "    </Looks>\n    <LookLists>\n";
  for (const auto& [name, list] : mLists)
    out += list;
  return out + "    </LookLists>\n";
}

std::string SkinBuilder::Open(const char* cls, const std::string& name, const Box& box,
                              const std::string& lookList, const std::string& extra) {
  std::string out = "<SubControl Class=\"" + std::string(cls) + "\" Name=\"" + name + "\" XPositionAbs=\"" +
                    Num(S(box.x)) + "\" YPositionAbs=\"" + Num(S(box.y)) + "\" XSizeAbs=\"" + Num(S(box.width)) +
                    "\" YSizeAbs=\"" + Num(S(box.height)) + "\"" + extra + ">";
  return out + "<Skin Name=\"" + name + "Skin\"" + (lookList.empty() ? "" : " LookList=\"" + lookList + "\"") +
         ">\n";
}

std::string SkinBuilder::Button(const std::string& name, const Box& box, bool toggle) {
  using namespace Layout;
  const auto focused = [](FlatLook look) {
    look.focused = true;
    return look;
  };
  const FlatLook normal{kButtonFace, kButtonText, true};
  const FlatLook hover{kButtonHover, kButtonText, true};
  const FlatLook pressed{kButtonPressed, kButtonText, true};
  const FlatLook disabled{kDisabledFace, kDisabledText, true};
  std::vector<FlatLook> looks{normal, hover, pressed, focused(normal), focused(hover), focused(pressed), disabled};
  if (toggle) {
    const FlatLook on{kToggleOn, kButtonText, true};
    const FlatLook onHover{kToggleOnHover, kButtonText, true};
    looks.insert(looks.end(), {on, onHover, pressed, focused(on), focused(onHover), focused(pressed), disabled});
  }
  const std::string list = FlatList(toggle ? "ToggleButton" : "Button", looks);
  if (!toggle)
    return Leaf("Framework.Button", name, box, list);
  return Open("Framework.Button", name, box, list) +
         "<CreateParamList><CreateParam ID=\"AUTO_VALUE_SET\" Type=\"Boolean\">True</CreateParam>"
         "</CreateParamList>\n" +
         Close();
}

std::string SkinBuilder::Label(const std::string& name, const Box& box, bool centred) {
  return Leaf("Framework.Label", name, box,
              FlatList(centred ? "LabelCentred" : "Label", {{Layout::kPanelFace, Layout::kText, centred}}));
}

std::string SkinBuilder::ListItems(const char* itemClass) {
  using namespace Layout;
  const FlatLook n{kFieldFace, kText, false};
  const FlatLook h{kHoverFace, kText, false};
  const FlatLook sel{kSelectedFace, kSelectedText, false};
  const FlatLook dis{kFieldFace, kDisabledText, false};
  const std::string list = FlatList("ListBoxItem", {n, h, h, n, h, h, dis, sel, sel, sel, sel, sel, sel, n});
  return OpenPlaced(
             itemClass, "templateItem",
             "XPositionAbs=\"0\" XSizeToControl=\"Client\" XSizeRel=\"1\" XSizeAbs=\"0\" YPositionAbs=\"0\" "
             "YSizeAbs=\"" +
                 Num(S(1)) + "\" TextOverflowYType=\"Expand\"",
             list) +
         Close();
}

std::string SkinBuilder::PopupMenu(const std::string& name, const Box& box, bool visible) {
  using namespace Layout;
  const std::string attributes =
      std::string(" ClipToParent=\"False\" Z_Order=\"1000\"") + (visible ? "" : " IsVisible=\"False\"");
  return Open("Framework.PopupMenu", name, box, MenuFrameLooks("PopupMenu", kFieldFace), attributes) +
         ScrollViewBars() + MenuRow() + Close();
}

std::string SkinBuilder::ComboBox(const std::string& name, const Box& box, bool visible) {
  using namespace Layout;
  // Closed, closed focused, hovered, hovered focused, open, open hovered (the list inside holds the focus),
  // disabled.
  const FlatLook closed{kFieldFace, kText, false, false, true};
  const FlatLook focused{kFieldFace, kText, false, true, true};
  const FlatLook hover{kHoverFace, kText, false, false, true};
  const FlatLook hoverFocused{kHoverFace, kText, false, true, true};
  const FlatLook dis{kDisabledFace, kDisabledText, false, false, true};
  const std::string list =
      FlatList("ComboBox", {closed, focused, hover, hoverFocused, hoverFocused, hoverFocused, dis});
  const Box drop{0, box.height, box.width, kComboRows * kListRowHeight};
  return Open("Framework.ComboBox", name, box, list, visible ? "" : " IsVisible=\"False\"") +
         Open("Framework.ListBox", "listBox", drop, FlatList("ListBox", {{kFieldFace, kText, false}}),
              " IsVisible=\"False\" ClipToParent=\"False\" Z_Order=\"100\"") +
         ScrollViewBars() + ListItems("Framework.ListBoxItem") + Close() + Close();
}

std::string SkinBuilder::UpDown(const Box& box) {
  using namespace Layout;
  const std::string field = FlatList("TextBox", {{kFieldFace, kText, true},
                                                 {kHoverFace, kText, true},
                                                 {kFieldFace, kText, true},
                                                 {kFieldFace, kText, true, true},
                                                 {kHoverFace, kText, true, true},
                                                 {kFieldFace, kText, true, true},
                                                 {kDisabledFace, kDisabledText, true},
                                                 {kFieldFace, kText, true},
                                                 {kFieldFace, kText, true},
                                                 {kFieldFace, kText, true},
                                                 {kSelectedFace, kSelectedText, true},
                                                 {kSelectedFace, kSelectedText, true}});
  const std::int32_t half = box.height / 2;
  const std::int32_t textWidth = box.width - kArrowWidth;
  return Open("Framework.NumericUpDown", "parameterControl", box,
              FlatList("UpDown", {{kFieldFace, kText, true}})) +
         Leaf("Framework.TextBox", "textBox", Box{0, 0, textWidth, box.height}, field) +
         Leaf("Framework.Button", "buttonUp", Box{textWidth, 0, kArrowWidth, half},
              ImageList("ArrowUp", {"ArrowUp", "ArrowUpHover", "ArrowUpPressed", "ArrowUp", "ArrowUpHover",
                                    "ArrowUpPressed", "ArrowUp"})) +
         Leaf("Framework.Button", "buttonDown", Box{textWidth, half, kArrowWidth, box.height - half},
              ImageList("ArrowDown", {"ArrowDown", "ArrowDownHover", "ArrowDownPressed", "ArrowDown",
                                      "ArrowDownHover", "ArrowDownPressed", "ArrowDown"})) +
         Close();
}

std::string SkinBuilder::ParameterPanel(const Layout::Parameter& p, const Box& box) {
  using namespace Layout;
  const Box label{0, 0, box.width, kLabelHeight};
  const Box control{0, kLabelHeight + kLabelGap, box.width, kControlHeight};
  std::string inner = Label(p.label, label);
  if (p.kind == Kind::Combo)
    inner += ComboBox("comboBox", control);
  else if (p.kind == Kind::UpDown)
    inner += UpDown(control);
  else
    inner += Button("parameterControl", control, true);
  return Open(p.cls, p.name, box, FlatList("Panel", {{kPanelFace, kText, false}})) + inner + Close();
}

std::string SkinBuilder::ModulePanel(const char* cls, const std::string& name, const Box& box,
                                     const std::vector<Layout::Parameter>& parameters, std::int32_t columns) {
  using namespace Layout;
  std::string out = Open(cls, name, box, FlatList("Panel", {{kPanelFace, kText, false}})) +
                    Label("label", Box{kMargin, kTitleTop, box.width - 2 * kMargin, kLabelHeight});
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    const auto column = static_cast<std::int32_t>(i) % columns;
    const auto row = static_cast<std::int32_t>(i) / columns;
    out += ParameterPanel(parameters[i], ParameterBox(column, row));
  }
  return out + Close();
}

std::string SkinBuilder::ProgramBank(const Box& box) {
  using namespace Layout;
  std::string out = Open("PresetEditor.ProgramBankPanel", "programBankPanel", box,
                         FlatList("Panel", {{kPanelFace, kText, false}})) +
                    Label("label", Box{kMargin, kTitleTop, box.width - 2 * kMargin, kLabelHeight});
  for (std::int32_t slot = 1; slot <= kSlots; ++slot) {
    const std::string n = std::to_string(slot);
    out += Label("slotLabel" + n, SlotBox(slot, kSlotLabelTop, kLabelHeight), true);
    out += Button("sendProgram" + n, SlotBox(slot, kSendTop, kControlHeight));
    out += Button("getProgram" + n, SlotBox(slot, kGetTop, kControlHeight));
  }
  out += Button("sendToRam", kSendToRamBox);
  return out + Close();
}

std::string SkinBuilder::MainMenu() {
  using namespace Layout;
  const FlatLook title{kMenuFace, kText, true};
  const FlatLook open{kSelectedFace, kSelectedText, true};
  return OpenPlaced("Framework.MainMenu", "mainMenu",
                    "XPositionAbs=\"0\" YPositionAbs=\"0\" " + FollowParent("X") + " YSizeAbs=\"" +
                        Num(S(kMainMenuBox.height)) + "\" Z_Order=\"10\"",
                    FlatList("MenuBar", {{kMenuFace, kText, false}})) +
         Open("Framework.ComboMenu", "templateMenu", kMenuTitleBox,
              FlatList("MenuTitle", {title, title, open, open, open, open, {kMenuFace, kDisabledText, true}})) +
         PopupMenu("popupMenu", Box{0, kMenuTitleBox.height, kPopupWidth, kPopupHeight}, false) + Close() +
         Close();
}

std::string SkinBuilder::DeviceView() {
  using namespace Layout;
  std::string out =
      OpenPlaced("PresetEditor.MainControl.DeviceView", "viewDevice",
                 "XPositionAbs=\"0\" YPositionAbs=\"0\" " + FollowParent("X") + " " + FollowParent("Y"),
                 FlatList("Window", {{kWindowFace, kText, false}}));
  out += ScrollViewBars();
  out += Leaf("PresetEditor.MainControl.DeviceView.ControllerBody", "controllerBody", kControllerBodyBox,
              ImageList("ControllerBody", {"ControllerBody"}));
  // The logo label gets the width the device view gives it for the wired model at every start: 128, and 255
  // (not twice 128) on a high-DPI screen.
  std::string logo = Leaf("PresetEditor.Control.ProductLogoLabels", "productLabel", kProductLabelBox,
                          ImageList("ProductLabel", {"ProductLabel0", "ProductLabel1"}));
  const std::string width = "XSizeAbs=\"" + Num(S(kProductLabelBox.width)) + "\"";
  logo.replace(logo.find(width), width.size(),
               "XSizeAbs=\"" + Num(mScale == 1 ? kProductLabelBox.width : kHighDpiProductLabelWidth) + "\"");
  out += logo;
  out += Open("Framework.Label", "selectDeviceLabel", kSelectDeviceLabelBox,
              FlatList("Label", {{kPanelFace, kText, false}}), " IsVisible=\"False\"") +
         Close();
  out += ComboBox("deviceSelectionComboBox", kDeviceSelectorBox, false);
  out += ProgramBank(kProgramBankBox);
  out += ModulePanel("PresetEditor.KeybedPanel", "keybedPanel", kKeybedBox, KeybedParameters(), kKeybedColumns);
  out += ModulePanel("PresetEditor.Arpeggiator", "arpeggiator", kArpeggiatorBox, ArpeggiatorParameters(),
                     kArpeggiatorColumns);
  return out + Close();
}

std::string SkinBuilder::AboutBox() {
  using namespace Layout;
  const std::string fixed = " XMinSizeAbs=\"" + Num(S(kAboutBox.width)) + "\" XMaxSizeAbs=\"" +
                            Num(S(kAboutBox.width)) + "\" YMinSizeAbs=\"" + Num(S(kAboutBox.height)) +
                            "\" YMaxSizeAbs=\"" + Num(S(kAboutBox.height)) + "\"";
  // The dialog's own text is its window's title: its face draws none.
  const std::string face = NamedList(
      "Dialog", {NamedLook("Dialog.Face",
                           "        <ClientPart Name=\"" + Fill(kPanelFace) +
                               "\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"0\" OffsetBottom=\"0\"/>\n")});
  return Open("PresetEditor.DialogAbout", "dialogAbout", kAboutBox, face, fixed) +
         Leaf("Framework.Label", "companyLogo", kCompanyLogoBox, ImageList("CompanyLogo", {"CompanyLogo"})) +
         Leaf("Framework.Label", "productLogo", kProductLogoBox, ImageList("ProductLogo", {"ProductLogo"})) +
         Label("labelName", kLabelNameBox) + Label("labelProduct", kLabelProductBox) +
         Label("labelCopyright", kLabelCopyrightBox) + Button("buttonSupport", kSupportButtonBox) +
         Button("buttonClose", kCloseButtonBox) + Close();
}

std::string SkinBuilder::Skin(const char* name, const char* fontSize) {
  using namespace Layout;
  std::string out = std::string("      <Skin Name=\"") + name + "\" FontName=\"" + kFontName + "\" FontSize=\"" +
                    fontSize + "\" FontStyle=\"0\">\n";
  // The main control is the window's client area: it follows the window between the minimum and the whole
  // layout.
  const std::string sizes =
      "XPositionAbs=\"0\" YPositionAbs=\"0\" XSizeToControl=\"Client\" XSizeRel=\"1\" "
      "XSizeAbs=\"0\" YSizeToControl=\"Client\" YSizeRel=\"1\" YSizeAbs=\"0\" XMinSizeAbs=\"" +
      Num(S(kMinWindowWidth)) + "\" YMinSizeAbs=\"" + Num(S(kMinWindowHeight)) + "\" XMaxSizeAbs=\"" +
      Num(S(kWindowWidth)) + "\" YMaxSizeAbs=\"" + Num(S(kWindowHeight)) + "\"";
  out += OpenPlaced("PresetEditor.MainControl", "mainControl", sizes,
                    FlatList("Window", {{kWindowFace, kText, false}})) +
         MainMenu() + DeviceView() + Close();
  out += AboutBox();
  out +=
      Open("Framework.ToolTip", "toolTip", kToolTipBox, MenuFrameLooks("ToolTip", kToolTipFace, kText),
           " Z_Order=\"9999\" ClipToParent=\"False\" TextOverflowXType=\"Expand\" TextOverflowYType=\"Expand\"") +
      Close();
  out += PopupMenu("contextMenu", Box{0, 0, kPopupWidth, kPopupHeight}, true);
  return out + "      </Skin>\n";
}

} // namespace

bool WriteSkins(const std::filesystem::path& folder) {
  SkinBuilder high(2);
  SkinBuilder standard(1);
  const std::string highSkin = high.Skin("HighDPI", "18");
  const std::string standardSkin = standard.Skin("Skin1", "9");
  // One registry set: the scales' looks and pictures differ by name ("2x"), their colours are shared, so
  // the two sets are joined section by section and a line already written is not written again.
  const std::string registries = high.Registries() + standard.Registries();
  std::string merged;
  std::set<std::string> written;
  for (const char* section : {"Colorizers", "Parts", "Looks", "LookLists"}) {
    const std::string open = std::string("    <") + section + ">\n";
    const std::string close = std::string("    </") + section + ">\n";
    merged += open;
    std::size_t at = 0;
    while ((at = registries.find(open, at)) != std::string::npos) {
      const std::size_t begin = at + open.size();
      const std::size_t end = registries.find(close, begin);
      std::size_t line = begin;
      while (line < end) {
        const std::size_t next = registries.find('\n', line) + 1;
        const std::string text = registries.substr(line, next - line);
        const bool single =
            text.find("<Colorizer ") != std::string::npos || text.find("<Part ") != std::string::npos;
        if (!single || written.insert(text).second)
          merged += text;
        line = next;
      }
      at = end + close.size();
    }
    merged += close;
  }
  const std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<!-- Generated by tools/qz_resource_generator; do not edit. -->\n"
                               "<Veskor_Skin_Definitions>\n  <Application Name=\"PresetEditor\">\n" +
                               merged + "    <Skins>\n" + highSkin + standardSkin +
                               "    </Skins>\n  </Application>\n</Veskor_Skin_Definitions>\n";
  return WriteIfChanged(folder / "Skins.xml", document);
}

} // namespace QZ::Tools
