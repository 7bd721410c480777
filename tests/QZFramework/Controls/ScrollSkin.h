#pragma once
// Skin text for the scroll bar and scroll view tests: solid looks in a few
// colours, a scroll bar entry of either orientation (buttons of 16 pixels at
// its ends, the channel between them, a thumb as thick as the bar) and a
// scroll view entry whose bars take their thickness from a 16 by 16 corner,
// as the application's skins arrange them.

#include <string>

namespace QZ::test {

// Colours of the looks, as the renderer reads them back.
inline constexpr std::uint32_t kScrollGray = 0xFF808080;
inline constexpr std::uint32_t kScrollWhite = 0xFFFFFFFF;
inline constexpr std::uint32_t kScrollRed = 0xFFFF0000;
inline constexpr std::uint32_t kScrollBlue = 0xFF0000FF;
inline constexpr std::uint32_t kScrollGreen = 0xFF00FF00;

// Colorizers, parts, looks and look lists: "Gray", "Green", "Channel" (Normal
// white, Clicked red, Disabled gray) and fourteen-look buttons "GreenButton"
// and "BlueButton".
inline std::string ScrollLooks() {
  std::string text = "<Colorizers>";
  const char* colours[][2] = {{"Gray", "FF808080"},
                              {"White", "FFFFFFFF"},
                              {"Red", "FFFF0000"},
                              {"Blue", "FF0000FF"},
                              {"Green", "FF00FF00"}};
  for (const auto& [name, colour] : colours)
    text += std::string("<Colorizer Name=\"") + name + "\" ColorType=\"SolidFill\" Color=\"" + colour + "\"/>";
  text += "</Colorizers><Parts>";
  for (const auto& [name, colour] : colours)
    text += std::string("<Part Name=\"") + name + "Fill\" ColorizerName=\"" + name +
            "\" Width=\"10\" Height=\"10\" ResizeType=\"Stretch\"/>";
  text += "</Parts><Looks>";
  for (const auto& [name, colour] : colours)
    text += std::string("<Look Name=\"") + name + "Look\"><ClientPart Name=\"" + name +
            "Fill\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"0\" OffsetBottom=\"0\"/></Look>";
  text += "</Looks><LookLists>"
          "<LookList Name=\"Gray\" NumLooks=\"1\"><Look Name=\"GrayLook\" Index=\"0\"/></LookList>"
          "<LookList Name=\"Green\" NumLooks=\"1\"><Look Name=\"GreenLook\" Index=\"0\"/></LookList>"
          "<LookList Name=\"Channel\" NumLooks=\"3\"><Look Name=\"WhiteLook\" Index=\"0\"/>"
          "<Look Name=\"RedLook\" Index=\"1\"/><Look Name=\"GrayLook\" Index=\"2\"/></LookList>";
  for (const char* colour : {"Green", "Blue"}) {
    text += std::string("<LookList Name=\"") + colour + "Button\" NumLooks=\"14\">";
    for (int i = 0; i < 14; ++i)
      text += std::string("<Look Name=\"") + colour + "Look\" Index=\"" + std::to_string(i) + "\"/>";
    text += "</LookList>";
  }
  return text + "</LookLists>";
}

// A SubControl with a skin of that look list and these children.
inline std::string ScrollPart(const std::string& cls, const std::string& name, const std::string& layout,
                              const std::string& lookList, const std::string& children = "") {
  return "<SubControl Class=\"" + cls + "\" Name=\"" + name + "\" " + layout + "><Skin Name=\"" + name +
         "Skin\" LookList=\"" + lookList + "\">" + children + "</Skin></SubControl>";
}

// A scroll bar: "dec" and "inc" of 16 pixels at its ends, "channel" between
// them, its "thumb" as thick as the bar and 16 pixels long to begin with.
inline std::string ScrollBarEntry(const std::string& name, bool vertical, const std::string& layout) {
  // Lengths along the bar's axis (A) and across it (C).
  const std::string a = vertical ? "Y" : "X";
  const std::string c = vertical ? "X" : "Y";
  const std::string across =
      c + "PositionAbs=\"0\" " + c + "SizeToControl=\"Parent\" " + c + "SizeRel=\"1\" " + c + "SizeAbs=\"0\" ";
  const std::string dec = ScrollPart("Framework.Button", "dec",
                                     across + a + "PositionAbs=\"0\" " + a + "SizeAbs=\"16\"", "GreenButton");
  const std::string inc = ScrollPart(
      "Framework.Button", "inc",
      across + a + "PositionRel=\"1\" " + a + "PlacementAnchor=\"1\" " + a + "SizeAbs=\"16\"", "GreenButton");
  const std::string thumb = ScrollPart("Framework.Button", "thumb",
                                       across + a + "PositionAbs=\"0\" " + a + "SizeAbs=\"16\"", "BlueButton");
  const std::string channel = ScrollPart(
      "Framework.ScrollChannel", "channel",
      across + a + "PositionAbs=\"16\" " + a + "SizeToControl=\"inc\" " + a + "SizeAbs=\"0\"", "Channel", thumb);
  return ScrollPart("Framework.ScrollBar", name, layout, "Gray", dec + inc + channel);
}

// The children a scroll view needs for its bars: a 16 by 16 "corner" at the
// bottom right and "vBar" and "hBar" along the right and bottom edges, all
// docked, the bars as thick as the corner.
inline std::string ScrollViewBars() {
  const std::string docked = "XIsDocked=\"True\" YIsDocked=\"True\" ";
  const std::string corner = ScrollPart("Framework.Label", "corner",
                                        docked + "XPositionRel=\"1\" XPlacementAnchor=\"1\" YPositionRel=\"1\" "
                                                 "YPlacementAnchor=\"1\" XSizeAbs=\"16\" YSizeAbs=\"16\"",
                                        "Gray");
  const std::string vBar = ScrollBarEntry("vBar", true,
                                          docked + "XPositionRel=\"1\" XPlacementAnchor=\"1\" "
                                                   "XSizeToControl=\"corner\" XSizeAbs=\"0\" YPositionAbs=\"0\" "
                                                   "YSizeToControl=\"corner\" YSizeAbs=\"0\"");
  const std::string hBar = ScrollBarEntry("hBar", false,
                                          docked + "YPositionRel=\"1\" YPlacementAnchor=\"1\" "
                                                   "YSizeToControl=\"corner\" YSizeAbs=\"0\" XPositionAbs=\"0\" "
                                                   "XSizeToControl=\"corner\" XSizeAbs=\"0\"");
  return corner + vBar + hBar;
}

} // namespace QZ::test
