#pragma once
// Skin text for the checked lists (checked list box, tree view, checked combo
// box): the list box tests' looks plus a fourteen-look check box ("Box": off
// white, off under the pointer green, on blue, on under the pointer red, the
// rest gray), a fourteen-look box for combo boxes ("BoxStates"), and a list
// look list whose look 3 carries three 8 by 8 pictures of arp_on.png as its
// non-client parts ("IconList"; the factory's resource folder must be the
// fixture pictures' folder); row controls with a "checkBox" child.

#include "QZFramework/Controls/ListBoxSkin.h"

#include <string>

namespace QZ::test {

// The check box's width in the row controls.
inline constexpr int kCheckBoxWidth = 12;

inline std::string CheckedListLooks() {
  std::string text = ListBoxLooks();
  std::string parts;
  for (int i = 0; i < 3; ++i)
    parts += "<Part Name=\"Icon" + std::to_string(i) + "\" ImageFile=\"arp_on.png\" ImageLocX=\"" +
             std::to_string(10 * i) + "\" ImageLocY=\"0\" Width=\"8\" Height=\"8\" ResizeType=\"Stretch\"/>";
  text.insert(text.find("</Parts>"), parts);
  text.insert(text.find("</Looks>"), "<Look Name=\"IconsLook\"><ClientPart Name=\"GrayFill\" OffsetLeft=\"0\" "
                                     "OffsetTop=\"0\" OffsetRight=\"0\" OffsetBottom=\"0\"/><NonClientParts "
                                     "Name=\"icons\"><NonClientPart Name=\"Icon0\"/><NonClientPart "
                                     "Name=\"Icon1\"/><NonClientPart Name=\"Icon2\"/></NonClientParts></Look>");
  std::string lists = "<LookList Name=\"Box\" NumLooks=\"14\">";
  for (int i = 0; i < 14; ++i) {
    const char* colour = i == 0 ? "White" : i == 1 ? "Green" : i == 7 ? "Blue" : i == 8 ? "Red" : "Gray";
    lists += std::string("<Look Name=\"") + colour + "Look\" Index=\"" + std::to_string(i) + "\"/>";
  }
  lists += "</LookList><LookList Name=\"BoxStates\" NumLooks=\"14\">";
  for (int i = 0; i < 14; ++i)
    lists += "<Look Name=\"GrayLook\" Index=\"" + std::to_string(i) + "\"/>";
  lists += "</LookList><LookList Name=\"IconList\" NumLooks=\"4\"><Look Name=\"GrayLook\" Index=\"0\"/>"
           "<Look Name=\"GrayLook\" Index=\"1\"/><Look Name=\"GrayLook\" Index=\"2\"/>"
           "<Look Name=\"IconsLook\" Index=\"3\"/></LookList>";
  return text.insert(text.rfind("</LookLists>"), lists);
}

// A check box at the left of its parent, kCheckBoxWidth wide and height high.
inline std::string CheckBox(int height) {
  return ScrollPart("Framework.Button", "checkBox",
                    "XPositionAbs=\"0\" YPositionAbs=\"0\" XSizeAbs=\"" + std::to_string(kCheckBoxWidth) +
                        "\" YSizeAbs=\"" + std::to_string(height) + "\"",
                    "Box");
}

// A "templateItem" of that class, rowHeight high and as wide as the list's client area, with its check box.
inline std::string CheckedRow(const std::string& cls, int rowHeight = 18) {
  return ScrollPart(cls, "templateItem",
                    "XPositionAbs=\"0\" XSizeToControl=\"Client\" XSizeRel=\"1\" XSizeAbs=\"0\" YSizeAbs=\"" +
                        std::to_string(rowHeight) + "\"",
                    "RowLooks", CheckBox(rowHeight));
}

// A skin document of one top-level control "main" width by height holding these children.
inline std::string CheckedSkinDocument(int width, int height, const std::string& children) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Veskor_Skin_Definitions><Application Name=\"App\">" +
         CheckedListLooks() + "<Skins><Skin Name=\"S\">" +
         ScrollPart("Test.Plain", "main",
                    "XPositionAbs=\"0\" YPositionAbs=\"0\" XSizeAbs=\"" + std::to_string(width) +
                        "\" YSizeAbs=\"" + std::to_string(height) + "\"",
                    "Gray", children) +
         "</Skin></Skins></Application></Veskor_Skin_Definitions>";
}

} // namespace QZ::test
