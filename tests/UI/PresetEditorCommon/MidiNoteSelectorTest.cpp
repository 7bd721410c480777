// Note selectors from the skin in a real window under the offscreen driver,
// their labels named from their own string tables: every note shows its note
// and octave entries whether it is set on the selector or typed into the
// up-down; a table with too few entries leaves its label's text; a skin
// without the up-down leaves the labels alone.

#include "UI/PresetEditorCommon/MidiNoteSelector.h"

#include "QZFramework/Application/SkinWindowFixture.h"
#include "QZFramework/Controls/ScrollSkin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>

namespace QZ {
namespace {

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

std::string At(int x, int y, int w, int h) {
  return "XPositionAbs=\"" + std::to_string(x) + "\" YPositionAbs=\"" + std::to_string(y) + "\" XSizeAbs=\"" +
         std::to_string(w) + "\" YSizeAbs=\"" + std::to_string(h) + "\"";
}

std::string Label(const std::string& name, int x) {
  return test::ScrollPart("Framework.Label", name, At(x, 0, 40, 20), "Gray");
}

// A selector of that class at row y: an up-down (unless left out) and the two labels.
std::string Selector(const std::string& cls, const std::string& name, int y, bool withUpDown = true) {
  const std::string font = "FontName=\"DejaVu Sans\" FontSize=\"10\" FontStyle=\"0\"";
  const std::string upDown =
      test::ScrollPart("Framework.NumericUpDown", "numericUpDown", At(0, 0, 60, 20), "Gray",
                       test::ScrollPart("Framework.TextBox", "textBox", At(0, 0, 44, 20) + " " + font, "Gray") +
                           test::ScrollPart("Framework.Button", "buttonUp", At(44, 0, 16, 10), "GreenButton") +
                           test::ScrollPart("Framework.Button", "buttonDown", At(44, 10, 16, 10), "GreenButton"));
  return test::ScrollPart(cls, name, At(10, y, 160, 20), "Gray",
                          (withUpDown ? upDown : "") + Label("noteNameLabel", 70) + Label("octaveNameLabel", 115));
}

std::string SelectorWindowSkin() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Veskor_Skin_Definitions><Application Name=\"App\">" +
         test::ScrollLooks() + "<Skins><Skin Name=\"S\">" +
         test::ScrollPart("Test.Plain", "main", At(0, 0, 200, 120), "Gray",
                          Selector("PresetEditor.MidiNoteSelector", "notes", 10) +
                              Selector("Test.ShortNoteSelector", "short", 40) +
                              Selector("Test.BareNoteSelector", "bare", 70, false)) +
         "</Skin></Skins></Application></Veskor_Skin_Definitions>";
}

// A string table of count entries "<prefix><i>", listed last to first (the
// selector goes by the sorted order, not by the document's), and the label's
// own text when given.
std::string Table(const std::string& id, const std::string& prefix, int count, const std::string& label = "") {
  std::string text = "<StringTable ID=\"" + id + "\">";
  if (!label.empty())
    text += "<String ID=\"LABEL\"><Locale LCID=\"0x0009\">" + label + "</Locale></String>";
  for (int i = count; i-- > 0;) {
    const std::string key = (i < 10 ? "K0" : "K") + std::to_string(i);
    text +=
        "<String ID=\"" + key + "\"><Locale LCID=\"0x0009\">" + prefix + std::to_string(i) + "</Locale></String>";
  }
  return text + "</StringTable>";
}

class MidiNoteSelectorTest : public test::SkinWindowFixture {
protected:
  void SetUp() override {
    SkinWindowFixture::SetUp();
    mFactory->RegisterControlCreateFunction(WideString(u"Test.Plain"), &CreateControlFromDescriptor<LControl>);
    for (const char16_t* cls :
         {u"PresetEditor.MidiNoteSelector", u"Test.ShortNoteSelector", u"Test.BareNoteSelector"})
      mFactory->RegisterControlCreateFunction(WideString(cls), &LMidiNoteSelector::Create);
    const std::string tables = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<r>" +
                               Table("PresetEditor.MidiNoteSelector|noteNameLabel", "note ", 12) +
                               Table("PresetEditor.MidiNoteSelector|octaveNameLabel", "octave ", 11) +
                               Table("Test.ShortNoteSelector|noteNameLabel", "note ", 12) +
                               Table("Test.ShortNoteSelector|octaveNameLabel", "octave ", 3) +
                               Table("Test.BareNoteSelector|noteNameLabel", "note ", 12, "?") +
                               Table("Test.BareNoteSelector|octaveNameLabel", "octave ", 11, "?") + "</r>";
    const std::string document = Utf16Document(tables);
    mFactory->LoadStringTablesFromText(Bytes(document), Bytes(std::string()), 0x0409);
    OpenSkinWindow(SelectorWindowSkin(), 200, 120);
  }

  RCPtr<LMidiNoteSelector> Find(const char16_t* name) const {
    return DynamicCast<LMidiNoteSelector>(mMain->FindChild(WideString(name)));
  }
  static void SetNote(const RCPtr<LMidiNoteSelector>& selector, double note) {
    static_cast<void>(selector->SetValue(selector->ValueToNormalized(note)));
  }
  static std::string Shown(const RCPtr<LMidiNoteSelector>& selector) {
    const RCPtr<LControl> note = selector->FindChild(WideString(u"noteNameLabel"));
    const RCPtr<LControl> octave = selector->FindChild(WideString(u"octaveNameLabel"));
    return Narrow(note->GetText()) + " / " + Narrow(octave->GetText());
  }
};

TEST_F(MidiNoteSelectorTest, ANoteShowsItsNoteAndOctaveEntries) {
  const RCPtr<LMidiNoteSelector> selector = Find(u"notes");
  ASSERT_TRUE(selector);
  ASSERT_TRUE(selector->GetNumericUpDown());
  EXPECT_EQ(Shown(selector), "note 0 / octave 0") << "the first note from the start";

  struct SCase {
    double note;
    const char* shown;
  };
  const SCase cases[] = {{60, "note 0 / octave 5"},
                         {127, "note 7 / octave 10"},
                         {0, "note 0 / octave 0"},
                         {61, "note 1 / octave 5"},
                         {112, "note 4 / octave 9"}};
  for (const SCase& c : cases) {
    SCOPED_TRACE(c.note);
    SetNote(selector, c.note);
    EXPECT_EQ(selector->GetValue(), c.note);
    EXPECT_EQ(selector->GetNumericUpDown()->GetValue(), c.note) << "the value goes through the up-down";
    EXPECT_EQ(Shown(selector), c.shown);

    // Typed into the up-down, the same note.
    SetNote(selector, c.note == 0 ? 1 : 0);
    static_cast<void>(selector->GetNumericUpDown()->SetText(WideString(std::to_string(int(c.note)).c_str())));
    EXPECT_EQ(selector->GetValue(), c.note);
    EXPECT_EQ(Shown(selector), c.shown);
  }

  // Every note.
  for (int note = 0; note <= 127; ++note) {
    SetNote(selector, note);
    ASSERT_EQ(selector->GetNoteNumber(), note);
    ASSERT_EQ(Shown(selector), "note " + std::to_string(note % 12) + " / octave " + std::to_string(note / 12))
        << note;
  }
  static_cast<void>(selector->SetValue(1.5));
  EXPECT_EQ(selector->GetValue(), 127) << "the up-down keeps it in range";
}

TEST_F(MidiNoteSelectorTest, ATableWithTooFewEntriesKeepsItsLabelsText) {
  const RCPtr<LMidiNoteSelector> selector = Find(u"short");
  ASSERT_TRUE(selector);
  SetNote(selector, 13);
  EXPECT_EQ(Shown(selector), "note 1 / octave 1");
  SetNote(selector, 60);
  EXPECT_EQ(Shown(selector), "note 0 / octave 1") << "no octave entry 5: the octave label keeps its text";

  // Directly: an index at or past the entries, or below them, changes nothing.
  const RCPtr<LLabel> octave = selector->GetOctaveNameLabel();
  ASSERT_TRUE(octave);
  for (const std::int32_t index : {3, 100, -1})
    EXPECT_EQ(selector->SetLabelFromStringTable(octave->GetStringTable(), index, octave), S_OK) << index;
  EXPECT_EQ(Narrow(octave->GetText()), "octave 1");
  EXPECT_EQ(selector->SetLabelFromStringTable(RCPtr<LStringTable>(), 0, octave), E_INVALIDARG);
  EXPECT_EQ(selector->SetLabelFromStringTable(octave->GetStringTable(), 0, RCPtr<LLabel>()), E_INVALIDARG);
}

TEST_F(MidiNoteSelectorTest, WithoutTheUpDownTheLabelsStayAsTheSkinMadeThem) {
  const RCPtr<LMidiNoteSelector> selector = Find(u"bare");
  ASSERT_TRUE(selector);
  EXPECT_FALSE(selector->GetNumericUpDown());
  EXPECT_EQ(Shown(selector), "? / ?");
  SetNote(selector, 60);
  EXPECT_EQ(selector->GetValue(), 60);
  EXPECT_EQ(Shown(selector), "? / ?");
}

} // namespace
} // namespace QZ
