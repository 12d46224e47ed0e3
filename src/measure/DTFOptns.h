#pragma once
// The cable list file and the rules of the distance-to-fault parameters
// dialog. The dialog widget only binds its controls to TDtfParameterEditor:
// every clamp, every label text and the Previous/Next/Finish logic live here.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/MOXDoc.h"
#include "core/ShortString.h"
#include "measure/ChirpZ.h"

namespace korv {

// One cable of the cable list, in drop-down order.
struct TCableEntry {
  TShortString<20> Name;
  TShortString<10> DielectricText; // relative dielectric constant, as written
  TShortString<10> LossText;       // dB per metre, as written
  double Loss = 0.0;               // LossText as a number
  friend bool operator==(const TCableEntry &, const TCableEntry &) = default;
};

// Message texts of the cable list. Error boxes show the text followed by the path.
inline constexpr const char *kMsgCableListMissing =
    "The Cable List file could not be found. \rThis file is used in Distance to Fault calculations.\r\r"
    "Would you like to locate the file now?";
inline constexpr const char *kMsgInvalidCableList = "Invalid Cable List File.\r";
inline constexpr const char *kCableListFilter = "Cable List (*.LST)|*.LST";

// Parses cable list text: groups of four lines (quoted name; 19-character
// label + dielectric constant; 14-character label + loss in dB/m; separator).
// A missing line at the end of the file counts as empty; blank lines after
// the last group are ignored. Throws EmoxInvalidFileError
// "Invalid Cable List File.\r" when a loss text is not a number or a
// dielectric text is not a number above 0.
std::vector<TCableEntry> ParseCableList(std::string_view text);

struct TCableListLoad {
  std::vector<TCableEntry> Cables; // empty on any error
  std::string Error;               // text of the error box (with the path); empty when fine
  bool ClearPath = false;          // the file is not a cable list: forget its path
};
// Reads and parses a cable list file; never throws. File errors give
// "File not found:\r", "Invalid file name:\r", "Too many open files:\r",
// "Access denied:\r", "EOF:\r", "Disk full:\r" or "Invalid input:\r" + path.
TCableListLoad LoadCableList(const std::string &path);
// The text of a cable list file for these cables (the layout ParseCableList reads).
std::string CableListText(const std::vector<TCableEntry> &cables);

// Most characters the dialog's fields take: cable fields and distances.
inline constexpr int kDtfCableFieldLength = 6;
inline constexpr int kDtfDistanceFieldLength = 7;

// Edit fields of the dialog (the focus codes of the dialog state).
enum class TDtfField : int { None = 0, Dielectric = 1, Loss = 2, StartDist = 3, StopDist = 4 };

class TDtfParameterEditor {
public:
  // The dialog's creation: the cable list and the "DielectricFormat" setting
  // (true: the dielectric field shows the velocity of propagation Vp).
  explicit TDtfParameterEditor(std::vector<TCableEntry> cables = {}, bool velocityFormat = true);

  // Replaces the list (after "locate the file") and shows the "Custom" defaults.
  void SetCableList(std::vector<TCableEntry> cables);
  void SetVelocityFormat(bool velocityFormat) { m_velocity = velocityFormat; }
  bool VelocityFormat() const { return m_velocity; }

  // Opening the dialog. traceIndex: 1-based trace of traces, or 0 for every
  // trace; distUnit: the document's DistUnit. Copies the parameter blocks and
  // shows the first entry. Throws Exception for an index beyond the traces.
  void Open(const TTraceArray &traces, int traceIndex, int distUnit);

  // Label and caption texts.
  std::string Caption() const; // "Specify Distance Parameters for Trace #n"
  std::string DielectricLabel() const;
  std::string LossLabel() const;
  std::string MaxDistLabel() const;
  std::string StartDistLabel() const;
  std::string StopDistLabel() const;
  // lblMaxDist1: the entry's maximum distance, "%.3f".
  const std::string &MaxDistText() const { return m_maxDistText; }

  // The cable drop-down.
  const std::vector<TCableEntry> &Cables() const { return m_cables; }
  int SelectedCable() const { return m_selected; } // -1: none ("Custom" or typed)
  const std::string &CableText() const { return m_cableText; }
  // A list item chosen (cmboCableClick).
  void PickCable(int index);
  // Text typed into the drop-down; checked when it is left.
  void SetCableText(std::string_view text) { m_cableText = text; }
  // Leaving the drop-down (cmboCableExit).
  void LeaveCable();

  // The four number fields. Values are kept at full precision; FieldText is
  // the "0.000" display.
  double FieldValue(TDtfField field) const;
  std::string FieldText(TDtfField field) const;
  // A field gets the focus (remembers it, its text is unchanged so far).
  void EnterField(TDtfField field);
  // The user's text of a field: a number replaces the value and marks the
  // focused field changed; any other text is ignored (the value stays).
  void SetFieldText(TDtfField field, std::string_view text);
  void SetFieldValue(TDtfField field, double value);
  // The focused field loses the focus: runs its check when its text changed.
  void LeaveField();
  TDtfField FocusedField() const { return m_focus; }

  // Double-click on the maximum distance: it becomes the stop distance.
  void TakeMaxDistAsStop();

  int WindowType() const;
  void SetWindowType(int type); // grpWindowClick, 0..3

  bool ApplyToAll() const { return m_applyToAll; }
  void SetApplyToAll(bool on);
  bool PrevEnabled() const { return m_prevEnabled; }
  bool NextEnabled() const { return m_nextEnabled; }
  bool FinishEnabled() const { return m_finishEnabled; }
  void Next();
  void Prev();

  int TraceIndex() const { return m_traceIndex; }
  int ShownTraceNumber() const { return m_shownTrace; }
  int EntryIndex() const { return m_entry; }
  int EntryCount() const { return static_cast<int>(m_entries.size()); }
  const TDistanceParams &Entry(int index) const;

  // Finish: runs the focused field's check, copies the shown entry over all
  // others when "Apply to all traces" is on, and copies the entries into the
  // traces. Returns the trace index to recompute (0: every trace); the
  // editor's own trace index is reset to 0.
  int Finish(TTraceArray &traces);
  // Cancel: nothing is copied; the trace index is reset to 0.
  void Cancel();

private:
  TDistanceParams &Current();
  void ShowEntry();
  void ApplyButtonRule();
  void ShowCustomDefaults();
  void TakeOverFields();
  void ComputeMaxDist();
  void ApplyDistanceLimits();
  void CheckDielectric();
  void CheckLoss();
  void CheckDistances();
  int FindCable(std::string_view name) const;
  int InsertCable(const TDistanceParams &entry);
  double DielectricFromField() const;
  double FieldFromDielectric(double dielectric) const;

  std::vector<TCableEntry> m_cables;
  bool m_velocity = true;
  int m_distUnit = duMeters;
  int m_traceIndex = 0;
  int m_shownTrace = 0;
  int m_entry = 0;
  std::vector<TDistanceParams> m_entries;
  std::vector<int> m_numPoints; // NumPoints of each entry's trace
  std::string m_cableText = "Custom";
  int m_selected = -1;
  double m_dielectric = 0.88;
  double m_loss = 0.035;
  double m_start = 0.0;
  double m_stop = 0.0;
  std::string m_maxDistText;
  TDtfField m_focus = TDtfField::None;
  bool m_changed = false;
  bool m_applyToAll = false;
  bool m_prevEnabled = false;
  bool m_nextEnabled = false;
  bool m_finishEnabled = true;
};

} // namespace korv
