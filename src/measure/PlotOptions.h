#pragma once
// Rules of the options dialog's document pages (markers, limit line, units,
// scales, titles, trace labels): a working copy read from a document, the
// editing rules that tie the controls together, and MakeChanges, which
// writes the copy back. The dialog binds its controls to this class and
// shows its state after every edit; the document window carries out what
// the outcome asks of it (unit changes, scales, titles, redraw).
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/MOXDoc.h"

namespace korv {

// Delta choices of a marker: 0..5 another marker, then these.
inline constexpr int kDeltaChoiceLimit = 6;
inline constexpr int kDeltaChoiceOff = 7;
// Longest texts the controls take.
inline constexpr std::size_t kMarkerLocationChars = 9;
inline constexpr std::size_t kLimitTextChars = 9;
inline constexpr std::size_t kTraceLabelChars = 50;
inline constexpr std::size_t kTraceTitleChars = 30;

struct TMarkerEntry {
  std::string Location; // X of the marker's point, "%.3f"; empty: not placed
  bool Visible = false;
  bool LocationChanged = false;
  bool SettingsChanged = false;
  bool DeltaOn = false;
  int Delta = kDeltaChoiceOff; // 0..5, kDeltaChoiceLimit, kDeltaChoiceOff
  int Type = 0;                // 0 triangle, 1 line
};
using TMarkerEntries = std::array<TMarkerEntry, kMarkersPerTrace>;

struct TScaleEntry {
  bool Manual = false;
  double Min = 0.0;
  double Max = 0.0;
  bool Changed = false;
};

struct TTitleEntry {
  std::string Text;
  bool Checked = false; // the user's own text, kept when titles renew
  bool Changed = false;
};

// Which parts of the document pages may be edited.
enum class TOptionsAccess {
  NoDocument, // markers, units, scales and labels off
  NoTraces,   // only the two titles
  Smith,      // labels and titles; no markers, units or scales
  Full
};

// Pages of the dialog, in their order.
enum class TOptionsPage { Markers = 0, Graph, Plotting, General, Labels, Defaults };
inline constexpr int kOptionsHelpContext = 4200;
// Each page has a topic of its own: 4200 for the markers page, then 4210,
// 4220, ... in page order.
int OptionsPageHelpContext(TOptionsPage page);

// The five "Match Unit" items; the fifth (cable loss) is offered in the
// frequency view only.
inline constexpr int kMatchUnitItems = 5;

// The offending field of a failed OK.
struct TOptionsFailure {
  int Trace = -1;
  int Marker = -1; // 0..5, or kLimitField; -1 for a scale field
  static constexpr int kLimitField = kMarkersPerTrace;
  int Scale = -1;    // 0 X Min, 1 X Max, 2 Y Min, 3 Y Max; -1 for a marker page field
  std::string Field; // the field's name as the dialog labels it
  std::string Text;  // what was typed there
  // "X Axis Min: "-4O" is not a number."
  std::string Message() const;
};

// What the document window does after a successful MakeChanges (the
// markers, the limit line, the titles' texts and flags and the trace labels
// are already written into the document).
struct TOptionsOutcome {
  bool Modified = false;
  std::optional<int> DisplayUnit;  // convert the document to this unit
  std::optional<int> DistanceUnit; // convert distances to this unit
  // Axis scales to apply: nullopt leaves the axis as the unit change left it.
  std::optional<TScaleEntry> X;
  std::optional<TScaleEntry> Y;
  bool RenewMainTitle = false; // the user's title let go: generate it again
  bool RenewSubTitle = false;
  bool LabelDate = true;
  bool LabelText = true;
  bool LabelsChanged = false;
  bool ActiveMarkerHidden = false;
};

class TPlotOptions {
public:
  // The working copy of a document (nullptr: no document window). xOf(i)
  // gives the X values of trace i in the shown view; xScale/yScale the
  // graph's present manual limits and flags.
  void Activate(const TTraceDoc *doc, int activeTrace, const std::function<std::vector<double>(int)> &xOf,
                const TScaleEntry &xScale, const TScaleEntry &yScale, bool labelDate, bool labelText);

  TOptionsAccess Access() const { return m_access; }
  // "Trace:" list; "Not Available" without markers to edit.
  const std::vector<std::string> &TraceNames() const { return m_traceNames; }
  int SelectedTrace() const { return m_selected; }
  void SelectTrace(int index);
  // The six entries of the selected trace.
  const TMarkerEntries &Markers() const;
  const TMarkerEntries &MarkersOf(int trace) const { return m_markers.at(static_cast<std::size_t>(trace)); }

  // ---- Editing rules (the selected trace's markers).
  void EditLocation(int marker, const std::string &text);
  void SetVisible(int marker, bool on);
  void ChooseDelta(int marker, int choice);
  void ChooseType(int marker, int type);

  const std::string &LimitText() const { return m_limitText; }
  bool LimitVisible() const { return m_limitVisible; }
  bool LimitVisibleEnabled() const { return m_limitVisibleEnabled; }
  void EditLimit(const std::string &text);
  void SetLimitVisible(bool on);

  // "Match Unit": the item index (-1 none) and whether the fifth is offered.
  int MatchUnit() const { return m_matchUnit; }
  bool OffersCableLoss() const { return m_offersCableLoss; }
  void ChooseMatchUnit(int item) { m_matchUnit = item; }
  int DistanceUnit() const { return m_distanceUnit; }
  void ChooseDistanceUnit(int unit) { m_distanceUnit = unit; }

  const TScaleEntry &XScale() const { return m_x; }
  const TScaleEntry &YScale() const { return m_y; }
  void EditScale(bool xAxis, bool manual, double min, double max);
  // The axis fields as typed: read on OK, where a text that is not wholly
  // a number refuses OK and is named (Validate).
  void EditScaleText(bool xAxis, bool manual, const std::string &minText, const std::string &maxText);

  const TTitleEntry &Title() const { return m_title; }
  const TTitleEntry &SubTitle() const { return m_subTitle; }
  // Typing checks the box.
  void EditTitle(bool sub, const std::string &text);
  void SetTitleChecked(bool sub, bool on);
  bool LabelDate() const { return m_labelDate; }
  bool LabelText() const { return m_labelText; }
  void SetLabelFields(bool date, bool text) { m_labelDate = date, m_labelText = text; }
  const std::vector<std::string> &TraceLabels() const { return m_labels; }
  // Lines beyond the document's traces are ignored; a line is cut to 50.
  void SetTraceLabels(const std::vector<std::string> &lines);

  // OK. Every number is checked before anything is written, so a refused
  // OK leaves the document as it was; the failure names the field.
  // activeMarker is cleared when its marker ends hidden.
  std::optional<TOptionsFailure> Validate() const;
  TOptionsOutcome MakeChanges(TTraceDoc &doc, int activeTrace, int &activeMarker,
                              const std::function<std::vector<double>(int)> &xOf);

private:
  TMarkerEntries &Current();

  TOptionsAccess m_access = TOptionsAccess::NoDocument;
  std::vector<std::string> m_traceNames;
  int m_selected = 0;
  std::vector<TMarkerEntries> m_markers;
  std::string m_limitText;
  bool m_limitVisible = false;
  bool m_limitVisibleEnabled = false;
  bool m_limitChanged = false;
  int m_matchUnit = -1;
  int m_startMatchUnit = -1;
  bool m_offersCableLoss = true;
  int m_distanceUnit = -1;
  int m_startDistanceUnit = -1;
  int m_docUnit = 0;
  TScaleEntry m_x;
  TScaleEntry m_y;
  // The axis fields as typed (EditScaleText): X min, X max, Y min, Y max.
  std::array<std::string, 4> m_scaleText;
  std::array<bool, 2> m_scaleTyped{};
  TTitleEntry m_title;
  TTitleEntry m_subTitle;
  bool m_titleStartChecked = false;
  bool m_subTitleStartChecked = false;
  bool m_labelDate = true;
  bool m_labelText = true;
  bool m_startLabelDate = true;
  bool m_startLabelText = true;
  std::vector<std::string> m_labels;
};

// The point a typed X lands on: between the two points around x, the
// nearer one (ties to the lower), within the trace.
int PointForX(const std::vector<double> &x, double value);

} // namespace korv
