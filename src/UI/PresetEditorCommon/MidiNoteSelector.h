#pragma once
// LMidiNoteSelector: a panel for choosing a MIDI note number 0..127 with a
// numeric up-down ("numericUpDown") and two labels that name the note
// ("noteNameLabel") and its octave ("octaveNameLabel").
//
// The names are not in the code: each label shows an entry of its own string
// table, by position among the entries sorted by key and then text; note n
// shows note entry n % 12 and octave entry n / 12. A label whose table has
// too few entries keeps its text.
//
// Invariants: the selector's value is the up-down's (both 0..127, linear); a
// value set on the selector goes through the up-down, which may correct it. A
// skin without "numericUpDown" leaves the labels as they are: the selector
// then only keeps its own value. UI thread only, like every control.

#include "QZFramework/Controls/Label.h"
#include "QZFramework/Controls/NumericUpDown.h"
#include "QZFramework/Controls/Panel.h"

#include <cstdint>

namespace QZ {

class LMidiNoteSelector : public LPanel {
public:
  // The note numbers, and the notes of one octave.
  static constexpr double kLowestNote = 0;
  static constexpr double kHighestNote = 127;
  static constexpr std::int32_t kNotesPerOctave = 12;

  LMidiNoteSelector(const RCPtr<LControl>& parent, const WideString& name) : LPanel(parent, name) {}
  ~LMidiNoteSelector() override = default;

  // "PresetEditor.MidiNoteSelector".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The label shows the table's entry at that position among its entries
  // sorted by key and then text; an index past them changes nothing. The
  // gathering's result, or SetText's; E_INVALIDARG without table or label.
  virtual QZRESULT SetLabelFromStringTable(const RCPtr<LStringTable>& table, std::int32_t index,
                                           const RCPtr<LLabel>& label);

  // The up-down takes the value first; the selector then takes the up-down's.
  double SetValue(double normalized) override;
  // The panel's (a failure is returned at once); then the children, the
  // ranges, the display and the up-down's "NID_VALUE_CHANGE". The panel's
  // result. Throws "Failed Result" when the registration fails.
  QZRESULT Initialize() override;
  // The selector's handler first, then the panel's.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

  // The note number shown (the value, truncated).
  std::int32_t GetNoteNumber() const;
  const RCPtr<LNumericUpDown>& GetNumericUpDown() const { return mNumericUpDown; }
  const RCPtr<LLabel>& GetNoteNameLabel() const { return mNoteNameLabel; }
  const RCPtr<LLabel>& GetOctaveNameLabel() const { return mOctaveNameLabel; }

private:
  // The up-down changed: the selector takes its value and shows it. 1.
  std::int32_t OnValueChange(const RCPtr<LNotificationDistributor>& source,
                             const RCPtr<LNotification>& notification);
  // The labels show the names of the note number.
  void UpdateNoteDisplay();

  RCPtr<LNotificationHandler<LMidiNoteSelector>> mSelectorHandler;
  RCPtr<LLabel> mNoteNameLabel;
  RCPtr<LLabel> mOctaveNameLabel;
  RCPtr<LNumericUpDown> mNumericUpDown;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LMidiNoteSelector, "class QZ::LMidiNoteSelector")
