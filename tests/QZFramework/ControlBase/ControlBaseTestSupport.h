#pragma once
// Skin and string-table documents for the control-base tests: bytes of a text,
// UTF-16 documents, and the fixture folder.

#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <span>
#include <string>

namespace QZ::test {

// The fixture documents, for folder mode: Skins.xml, StringTables.xml, FrameworkStrings.xml.
inline WideString FixtureFolder() { return WideString(QZ_CONTROLBASE_FIXTURES); }

inline std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The UTF-8 text as a UTF-16 little-endian document with a byte-order mark.
inline std::string Utf16Document(const std::string& utf8) {
  const WideString wide(utf8.c_str());
  std::string bytes("\xFF\xFE");
  for (const char16_t* p = wide.GetChars(); *p; ++p) {
    bytes.push_back(static_cast<char>(*p & 0xFF));
    bytes.push_back(static_cast<char>(*p >> 8));
  }
  return bytes;
}

// A skin document: the root, an Application named "App", and the body.
inline std::string SkinDocument(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Veskor_Skin_Definitions><Application Name=\"App\">" + body +
         "</Application></Veskor_Skin_Definitions>";
}

// One top-level skin "S" holding the SubControls.
inline std::string OneSkin(const std::string& subControls) {
  return SkinDocument("<Skins><Skin Name=\"S\">" + subControls + "</Skin></Skins>");
}

inline std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

} // namespace QZ::test
