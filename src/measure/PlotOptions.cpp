#include "measure/PlotOptions.h"

#include <algorithm>
#include <cmath>

#include "core/DateTime.h"
#include "core/TextUtil.h"

namespace korv {

namespace {

// A typed number: surrounding blanks allowed, nothing else.
bool ReadNumber(const std::string &text, double &value) {
  return ParseDouble(Trim(text), value) && std::isfinite(value);
}

} // namespace

int OptionsPageHelpContext(TOptionsPage page) {
  const int index = std::clamp(static_cast<int>(page), 0, static_cast<int>(TOptionsPage::Defaults));
  return kOptionsHelpContext + 10 * index;
}

int PointForX(const std::vector<double> &x, double value) {
  const int n = static_cast<int>(x.size());
  if (n < 2) return 0;
  const double step = x[1] - x[0];
  double at = step != 0.0 ? (value - x[0]) / step : 0.0;
  if (!std::isfinite(at)) at = 0.0;
  at = std::clamp(at, 0.0, static_cast<double>(n - 2));
  const int i = static_cast<int>(at);
  const auto ui = static_cast<std::size_t>(i);
  return std::abs(value - x[ui + 1]) < std::abs(value - x[ui]) ? i + 1 : i;
}

void TPlotOptions::Activate(const TTraceDoc *doc, int activeTrace, const std::function<std::vector<double>(int)> &xOf,
                            const TScaleEntry &xScale, const TScaleEntry &yScale, bool labelDate, bool labelText) {
  *this = TPlotOptions();
  m_labelDate = m_startLabelDate = labelDate;
  m_labelText = m_startLabelText = labelText;
  if (doc == nullptr) {
    m_access = TOptionsAccess::NoDocument;
    m_traceNames = {"Not Available"};
    return;
  }
  m_title = {doc->MainTitle, doc->MainTitleFixed != 0, false};
  m_subTitle = {doc->SubTitle, doc->SubTitleFixed != 0, false};
  m_titleStartChecked = m_title.Checked;
  m_subTitleStartChecked = m_subTitle.Checked;
  if (doc->TraceCount() == 0) {
    m_access = TOptionsAccess::NoTraces;
    m_traceNames = {"Not Available"};
    return;
  }
  for (int i = 0; i < doc->TraceCount(); ++i)
    m_labels.push_back(doc->Traces[i].Label.str());
  if (doc->PlotMode == pmSmith) {
    m_access = TOptionsAccess::Smith;
    m_traceNames = {"Not Available"};
    return;
  }
  m_access = TOptionsAccess::Full;
  for (int i = 0; i < doc->TraceCount(); ++i) {
    const TTraceData &t = doc->Traces[i];
    std::string name = t.Label.str();
    if (name.empty()) name = t.Title.str();
    if (name.empty()) name = DateTimeToText(t.DateTime);
    m_traceNames.push_back(name);
    const std::vector<double> x = xOf(i);
    TMarkerEntries entries;
    for (int j = 0; j < kMarkersPerTrace; ++j) {
      const TMarkerSlot &m = t.ActiveMarks[static_cast<std::size_t>(j)];
      TMarkerEntry &e = entries[static_cast<std::size_t>(j)];
      // A hidden marker at the first point without a delta is how files keep
      // a marker that was never placed: it shows no location.
      const bool neverPlaced = m.Visible == 0 && m.Point == 0 && !m.DeltaOn;
      if (m.Point >= 0 && m.Point < static_cast<int>(x.size()) && !neverPlaced)
        e.Location = Format("%.3f", x[static_cast<std::size_t>(m.Point)]);
      e.Visible = m.Visible != 0;
      e.DeltaOn = m.DeltaOn;
      e.Delta = m.DeltaOn ? m.Reference : kDeltaChoiceOff;
      if (e.Delta < 0 || e.Delta > kDeltaChoiceOff) e.Delta = kDeltaChoiceOff, e.DeltaOn = false;
      if (e.Delta == kDeltaChoiceOff) e.DeltaOn = false;
      e.Type = m.Style != 0 ? 1 : 0;
    }
    m_markers.push_back(entries);
  }
  m_selected = activeTrace >= 0 && activeTrace < doc->TraceCount() ? activeTrace : doc->TraceCount() - 1;

  const bool dist = doc->PlotMode == pmDistance;
  const double limit = dist ? doc->DistLimitValue : doc->FreqLimitValue;
  if (limit < kUnplacedLimit) {
    m_limitText = Format("%.3f", limit);
    m_limitVisibleEnabled = true;
    m_limitVisible = (dist ? doc->DistLimitMode : doc->FreqLimitMode) != 0;
  }
  m_offersCableLoss = !dist;
  m_docUnit = doc->ScaleUnit;
  m_matchUnit = dist && doc->ScaleUnit == suCableLoss ? 0 : doc->ScaleUnit;
  m_startMatchUnit = m_matchUnit;
  m_distanceUnit = m_startDistanceUnit = doc->DistUnit;
  m_x = xScale;
  m_y = yScale;
  m_scaleTyped = {};
  m_x.Changed = m_y.Changed = false;
}

void TPlotOptions::SelectTrace(int index) {
  if (index >= 0 && index < static_cast<int>(m_markers.size())) m_selected = index;
}

const TMarkerEntries &TPlotOptions::Markers() const {
  static const TMarkerEntries kNone{};
  return m_markers.empty() ? kNone : m_markers[static_cast<std::size_t>(m_selected)];
}

TMarkerEntries &TPlotOptions::Current() { return m_markers.at(static_cast<std::size_t>(m_selected)); }

void TPlotOptions::EditLocation(int marker, const std::string &text) {
  if (m_markers.empty() || marker < 0 || marker >= kMarkersPerTrace) return;
  TMarkerEntry &e = Current()[static_cast<std::size_t>(marker)];
  e.Location = text.substr(0, kMarkerLocationChars);
  e.LocationChanged = true;
  // A location shows the marker; none hides it (its other controls go off).
  e.Visible = !e.Location.empty();
  e.SettingsChanged = true;
}

void TPlotOptions::SetVisible(int marker, bool on) {
  if (m_markers.empty() || marker < 0 || marker >= kMarkersPerTrace) return;
  TMarkerEntry &e = Current()[static_cast<std::size_t>(marker)];
  e.Visible = on;
  e.SettingsChanged = true;
}

void TPlotOptions::ChooseDelta(int marker, int choice) {
  if (m_markers.empty() || marker < 0 || marker >= kMarkersPerTrace) return;
  choice = std::clamp(choice, 0, kDeltaChoiceOff);
  TMarkerEntries &entries = Current();
  TMarkerEntry &e = entries[static_cast<std::size_t>(marker)];
  e.Delta = choice;
  e.DeltaOn = choice != kDeltaChoiceOff;
  e.SettingsChanged = true;
  if (!e.DeltaOn) return;
  e.Visible = true;
  if (choice < kMarkersPerTrace) {
    // A reference that is not placed yet goes to the start of the trace.
    TMarkerEntry &ref = entries[static_cast<std::size_t>(choice)];
    if (ref.Location.empty()) {
      ref.Location = "0";
      ref.LocationChanged = true;
      ref.Visible = true;
      ref.SettingsChanged = true;
    }
  } else {
    m_limitVisible = true;
    m_limitChanged = true;
  }
}

void TPlotOptions::ChooseType(int marker, int type) {
  if (m_markers.empty() || marker < 0 || marker >= kMarkersPerTrace) return;
  TMarkerEntry &e = Current()[static_cast<std::size_t>(marker)];
  e.Type = type != 0 ? 1 : 0;
  e.SettingsChanged = true;
}

void TPlotOptions::EditLimit(const std::string &text) {
  m_limitText = text.substr(0, kLimitTextChars);
  m_limitVisible = m_limitVisibleEnabled = !m_limitText.empty();
  m_limitChanged = true;
}

void TPlotOptions::SetLimitVisible(bool on) {
  m_limitVisible = on;
  m_limitChanged = true;
}

void TPlotOptions::EditScale(bool xAxis, bool manual, double min, double max) {
  TScaleEntry &s = xAxis ? m_x : m_y;
  if (s.Manual == manual && s.Min == min && s.Max == max) return;
  s = {manual, min, max, true};
}

void TPlotOptions::EditScaleText(bool xAxis, bool manual, const std::string &minText, const std::string &maxText) {
  TScaleEntry &s = xAxis ? m_x : m_y;
  const std::size_t a = xAxis ? 0 : 1;
  // Numbers that read are taken at once; the others wait for Validate.
  double lo = s.Min, hi = s.Max;
  if (ReadNumber(minText, lo)) s.Min = lo;
  if (ReadNumber(maxText, hi)) s.Max = hi;
  s.Manual = manual;
  s.Changed = true;
  m_scaleText[2 * a] = minText;
  m_scaleText[2 * a + 1] = maxText;
  m_scaleTyped[a] = true;
}

std::string TOptionsFailure::Message() const { return Field + ": \"" + Text + "\" is not a number."; }

void TPlotOptions::EditTitle(bool sub, const std::string &text) {
  TTitleEntry &t = sub ? m_subTitle : m_title;
  t.Text = text;
  t.Checked = true;
  t.Changed = true;
}

void TPlotOptions::SetTitleChecked(bool sub, bool on) {
  TTitleEntry &t = sub ? m_subTitle : m_title;
  t.Checked = on;
  t.Changed = true;
}

void TPlotOptions::SetTraceLabels(const std::vector<std::string> &lines) {
  for (std::size_t i = 0; i < m_labels.size(); ++i)
    m_labels[i] = i < lines.size() ? lines[i].substr(0, kTraceLabelChars) : std::string();
}

std::optional<TOptionsFailure> TPlotOptions::Validate() const {
  if (m_access != TOptionsAccess::Full) return std::nullopt;
  double value = 0.0;
  for (std::size_t i = 0; i < m_markers.size(); ++i)
    for (int j = 0; j < kMarkersPerTrace; ++j) {
      const TMarkerEntry &e = m_markers[i][static_cast<std::size_t>(j)];
      if (e.LocationChanged && !e.Location.empty() && !ReadNumber(e.Location, value))
        return TOptionsFailure{static_cast<int>(i), j, -1, "M" + std::to_string(j + 1) + " location", e.Location};
    }
  if (m_limitChanged && !m_limitText.empty() && !ReadNumber(m_limitText, value))
    return TOptionsFailure{m_selected, TOptionsFailure::kLimitField, -1, "Limit line Y", m_limitText};
  // A manual axis takes only whole numbers: "-4O" is no -4, "1e400" no 1400.
  for (std::size_t a = 0; a < 2; ++a) {
    const TScaleEntry &s = a == 0 ? m_x : m_y;
    if (!m_scaleTyped[a] || !s.Manual) continue;
    for (std::size_t f = 0; f < 2; ++f) {
      const std::string &text = m_scaleText[2 * a + f];
      if (!ReadNumber(text, value))
        return TOptionsFailure{-1, -1, static_cast<int>(2 * a + f),
                               std::string(a == 0 ? "X Axis" : "Y Axis") + (f == 0 ? " Min" : " Max"), text};
    }
  }
  return std::nullopt;
}

TOptionsOutcome TPlotOptions::MakeChanges(TTraceDoc &doc, int activeTrace, int &activeMarker,
                                          const std::function<std::vector<double>(int)> &xOf) {
  TOptionsOutcome out;
  out.LabelDate = m_labelDate;
  out.LabelText = m_labelText;
  if (m_access == TOptionsAccess::NoDocument) return out;
  const bool full = m_access == TOptionsAccess::Full && static_cast<int>(m_markers.size()) == doc.TraceCount();
  if (full) {
    // Markers.
    for (int i = 0; i < doc.TraceCount(); ++i) {
      TMarkerSet &marks = doc.Traces[i].ActiveMarks;
      const std::vector<double> x = xOf(i);
      for (int j = 0; j < kMarkersPerTrace; ++j) {
        const TMarkerEntry &e = m_markers[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
        TMarkerSlot &slot = marks[static_cast<std::size_t>(j)];
        if (e.LocationChanged) {
          double value = 0.0;
          if (!e.Location.empty() && ReadNumber(e.Location, value)) {
            slot.Point = PointForX(x, value);
            slot.Visible = 1;
          } else {
            slot.Visible = 0;
            slot.Point = 0;
            slot.DeltaOn = false;
            slot.Reference = 0;
          }
          out.Modified = true;
        }
        if (e.SettingsChanged && !(e.LocationChanged && e.Location.empty())) {
          slot.Visible = e.Visible ? 1 : 0;
          slot.DeltaOn = e.DeltaOn;
          slot.Reference = e.DeltaOn ? e.Delta : kDeltaChoiceOff;
          slot.Style = static_cast<std::uint8_t>(e.Type);
          out.Modified = true;
        }
      }
    }
    if (activeTrace >= 0 && activeTrace < doc.TraceCount() && activeMarker >= 0 && activeMarker < kMarkersPerTrace &&
        doc.Traces[activeTrace].ActiveMarks[static_cast<std::size_t>(activeMarker)].Visible == 0) {
      activeMarker = -1;
      out.ActiveMarkerHidden = true;
    }
    // The limit line of the shown domain.
    if (m_limitChanged) {
      const bool dist = doc.PlotMode == pmDistance;
      double value = kUnplacedLimit;
      if (!m_limitText.empty()) ReadNumber(m_limitText, value);
      (dist ? doc.DistLimitValue : doc.FreqLimitValue) = value;
      (dist ? doc.DistLimitMode : doc.FreqLimitMode) = m_limitVisible ? 1 : 0;
      out.Modified = true;
    }
    // Units: the first item in the distance view stands for cable loss too.
    if (m_matchUnit >= 0 && m_matchUnit != m_startMatchUnit &&
        !(doc.PlotMode == pmDistance && m_matchUnit == 0 && m_docUnit == suCableLoss))
      out.DisplayUnit = m_matchUnit;
    if (m_distanceUnit >= 0 && m_distanceUnit != m_startDistanceUnit) out.DistanceUnit = m_distanceUnit;
    // Scales: Max below Min is swapped. An axis whose unit changes keeps the
    // range the conversion gives it unless its scale was edited too.
    for (TScaleEntry *s : {&m_x, &m_y})
      if (s->Max < s->Min) std::swap(s->Min, s->Max);
    const bool xUnitChanges = out.DistanceUnit.has_value() && doc.PlotMode == pmDistance;
    if (!xUnitChanges || m_x.Changed) out.X = m_x;
    if (!out.DisplayUnit || m_y.Changed) out.Y = m_y;
  }
  // Titles.
  auto title = [&](TTitleEntry &t, bool startChecked, std::string &text, std::uint8_t &fixed, bool &renew) {
    if (t.Checked && (!startChecked || t.Text != text)) {
      text = t.Text;
      fixed = 1;
      out.Modified = true;
    } else if (!t.Checked && startChecked) {
      fixed = 0;
      renew = true;
      out.Modified = true;
    }
  };
  title(m_title, m_titleStartChecked, doc.MainTitle, doc.MainTitleFixed, out.RenewMainTitle);
  title(m_subTitle, m_subTitleStartChecked, doc.SubTitle, doc.SubTitleFixed, out.RenewSubTitle);
  if (m_labelDate != m_startLabelDate || m_labelText != m_startLabelText) out.LabelsChanged = true;
  // Trace labels.
  for (int i = 0; i < doc.TraceCount() && i < static_cast<int>(m_labels.size()); ++i) {
    TTraceData &t = doc.Traces[i];
    const std::string &line = m_labels[static_cast<std::size_t>(i)];
    if (line != t.Label.str()) {
      t.Label = line.substr(0, kTraceLabelChars);
      t.Title = line.substr(0, kTraceTitleChars);
      out.LabelsChanged = true;
      out.Modified = true;
    }
  }
  return out;
}

} // namespace korv
