#pragma once
// Skin text for the list box tests: the scroll tests' solid looks plus a
// fourteen-look list for rows (normal white, hover green, pressed red,
// disabled gray, selected blue, the marked and blank looks gray), and a list
// entry at (10, 10), 200 pixels wide, with its bars and either a
// "templateItem" of 18-pixel rows as wide as the list's client area or static
// "item%d" children.

#include "QZFramework/Controls/ScrollSkin.h"

#include <string>

namespace QZ::test {

inline std::string ListBoxLooks() {
  std::string text = ScrollLooks();
  const char* rowColours[14] = {"White", "Green", "Red", "Gray", "Gray", "Gray", "Gray",
                                "Blue",  "Green", "Red", "Blue", "Blue", "Blue", "Gray"};
  std::string list = "<LookList Name=\"RowLooks\" NumLooks=\"14\">";
  for (int i = 0; i < 14; ++i)
    list += std::string("<Look Name=\"") + rowColours[i] + "Look\" Index=\"" + std::to_string(i) + "\"/>";
  list += "</LookList>";
  return text.insert(text.rfind("</LookLists>"), list);
}

// A row control entry of that class and name, rowHeight pixels high, as wide as the list's client area.
inline std::string ListRow(const std::string& name, int rowHeight = 18,
                           const std::string& cls = "Framework.ListBoxItem", const std::string& extra = "") {
  return ScrollPart(cls, name,
                    "XPositionAbs=\"0\" XSizeToControl=\"Client\" XSizeRel=\"1\" XSizeAbs=\"0\" YSizeAbs=\"" +
                        std::to_string(rowHeight) + "\" " + extra,
                    "RowLooks");
}

// The list (class Framework.ListBox, name "list") height pixels high with these children, under a 640 by 480
// top-level control of that name.
inline std::string ListWindow(const std::string& windowName, int height, const std::string& children,
                              const std::string& listLooks = "Gray") {
  const std::string list = ScrollPart("Framework.ListBox", "list",
                                      "XPositionAbs=\"10\" YPositionAbs=\"10\" XSizeAbs=\"200\" YSizeAbs=\"" +
                                          std::to_string(height) + "\"",
                                      listLooks, ScrollViewBars() + children);
  return ScrollPart("Test.Plain", windowName, "XSizeAbs=\"640\" YSizeAbs=\"480\"", "Gray", list);
}

} // namespace QZ::test
