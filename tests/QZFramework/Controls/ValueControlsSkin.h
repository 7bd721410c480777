#pragma once
// Skin text for the value controls and the remaining standard controls, shared
// by their scripted tests and their window tests: layouts at absolute
// rectangles, an up-down and a slider entry, look lists of one colour, and a
// whole document with one top-level "main" over the scroll skins' looks.

#include "QZFramework/Controls/ScrollSkin.h"

#include <string>

namespace QZ::test {

inline std::string At(int x, int y, int width, int height) {
  return "XPositionAbs=\"" + std::to_string(x) + "\" YPositionAbs=\"" + std::to_string(y) + "\" XSizeAbs=\"" +
         std::to_string(width) + "\" YSizeAbs=\"" + std::to_string(height) + "\"";
}

// An up-down of 100 by 20 at (x, y): "textBox" 80 wide, "buttonUp" and "buttonDown" stacked on its right.
inline std::string UpDownEntry(const std::string& name, int x, int y) {
  return ScrollPart("Framework.NumericUpDown", name, At(x, y, 100, 20), "Gray",
                    ScrollPart("Framework.TextBox", "textBox", At(0, 0, 80, 20), "BlueButton") +
                        ScrollPart("Framework.Button", "buttonUp", At(80, 0, 20, 10), "GreenButton") +
                        ScrollPart("Framework.Button", "buttonDown", At(80, 10, 20, 10), "GreenButton"));
}

// A slider of 240 by 100 at (x, y) with 20 by 20 markers at start and end (omitted when a coordinate is negative).
inline std::string SliderEntry(const std::string& name, int x, int y, int startX, int startY, int endX, int endY) {
  std::string markers;
  if (startX >= 0)
    markers += ScrollPart("Framework.Button", "thumbStart", At(startX, startY, 20, 20), "BlueButton");
  if (endX >= 0)
    markers += ScrollPart("Framework.Button", "thumbEnd", At(endX, endY, 20, 20), "BlueButton");
  return ScrollPart("Framework.Slider", name, At(x, y, 240, 100), "Channel", markers);
}

// A look list of count looks, all green.
inline std::string GreenLookList(const std::string& name, int count) {
  std::string text = "<LookList Name=\"" + name + "\" NumLooks=\"" + std::to_string(count) + "\">";
  for (int i = 0; i < count; ++i)
    text += "<Look Name=\"GreenLook\" Index=\"" + std::to_string(i) + "\"/>";
  return text + "</LookList>";
}

// The scroll looks with more look lists (LookList elements) and one top-level
// "main" of width by height, gray, holding the entries.
inline std::string ValueControlsDocument(const std::string& entries, const std::string& extraLookLists = "",
                                         int width = 600, int height = 400) {
  std::string looks = ScrollLooks();
  looks.insert(looks.rfind("</LookLists>"), extraLookLists);
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Veskor_Skin_Definitions><Application Name=\"App\">" +
         looks + "<Skins><Skin Name=\"S\">" +
         ScrollPart("Test.Plain", "main", At(0, 0, width, height), "Gray", entries) +
         "</Skin></Skins></Application></Veskor_Skin_Definitions>";
}

} // namespace QZ::test
