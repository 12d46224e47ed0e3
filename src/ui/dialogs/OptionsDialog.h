#pragma once
// TdlgOptions: the six-page options dialog. The document pages bind to
// TPlotOptions, the program-wide pages to TSettingsPages; OK is accepted
// only when the rules find every typed number readable. The caller applies
// the result (the document window carries out MakeChanges, the main window
// stores the settings).
#include <QDialog>
#include <array>
#include <functional>

#include "measure/PlotOptions.h"
#include "settings/OptionsPages.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;

namespace korv {

class TdlgOptions : public QDialog {
  Q_OBJECT
public:
  TdlgOptions(QWidget *parent, TPlotOptions &rules, const TSettingsPages &pages, TOptionsPage page);
  ~TdlgOptions() override;

  const TSettingsPages &Pages() const { return m_pages; }
  TPlotOptions &Rules() { return m_rules; }
  // Replaces the cable list chooser (tests); returns a path or "".
  void SetFileChooser(std::function<QString()> chooser) { m_chooser = std::move(chooser); }

protected:
  void keyPressEvent(QKeyEvent *event) override;

private:
  QWidget *BuildMarkersPage();
  QWidget *BuildGraphPage();
  QWidget *BuildPlottingPage();
  QWidget *BuildGeneralPage();
  QWidget *BuildLabelsPage();
  QWidget *BuildDefaultsPage();
  // Shows the rules' state (signals of the controls blocked meanwhile).
  void ShowMarkers();
  void ShowDocumentPages();
  void ShowSettingsPages();
  void ReadSettingsPages();
  void ReadScale(int axis);
  void OkClick();
  void PageTurned(int index);

  TPlotOptions &m_rules;
  TSettingsPages m_pages;
  std::function<QString()> m_chooser;
  bool m_showing = false;

  QTabWidget *m_tabs = nullptr;
  // Markers.
  QComboBox *m_traceList = nullptr;
  std::array<QLineEdit *, kMarkersPerTrace> m_location{};
  std::array<QCheckBox *, kMarkersPerTrace> m_visible{};
  std::array<QComboBox *, kMarkersPerTrace> m_delta{};
  std::array<QComboBox *, kMarkersPerTrace> m_type{};
  QGroupBox *m_markersGroup = nullptr;
  QGroupBox *m_limitGroup = nullptr;
  QLineEdit *m_limitValue = nullptr;
  QCheckBox *m_limitVisible = nullptr;
  // Graph.
  QGroupBox *m_matchUnitGroup = nullptr;
  QButtonGroup *m_matchUnit = nullptr;
  QGroupBox *m_distanceGroup = nullptr;
  QButtonGroup *m_distanceUnit = nullptr;
  std::array<QGroupBox *, 2> m_scaleGroup{};
  std::array<QCheckBox *, 2> m_manual{};
  std::array<QLineEdit *, 2> m_min{};
  std::array<QLineEdit *, 2> m_max{};
  QButtonGroup *m_cableFormat = nullptr;
  // Plotting.
  QButtonGroup *m_viewStyle = nullptr;
  QButtonGroup *m_fontSize = nullptr;
  QButtonGroup *m_plotMethod = nullptr;
  QButtonGroup *m_gridLines = nullptr;
  QCheckBox *m_markPoints = nullptr;
  // General.
  QLineEdit *m_cableList = nullptr;
  QLineEdit *m_docDirectory = nullptr;
  QLineEdit *m_handheldRoot = nullptr;
  QCheckBox *m_autoSave = nullptr;
  QButtonGroup *m_delimiter = nullptr;
  QComboBox *m_recent = nullptr;
  QComboBox *m_commPort = nullptr;
  int m_firstCommItem = 0; // index of "Comm 1"
  // Labels.
  QWidget *m_labelsPage = nullptr;
  QLineEdit *m_title = nullptr;
  QCheckBox *m_titleBox = nullptr;
  QLineEdit *m_subTitle = nullptr;
  QCheckBox *m_subTitleBox = nullptr;
  QPlainTextEdit *m_traceLabels = nullptr;
  QCheckBox *m_labelDate = nullptr;
  QCheckBox *m_labelText = nullptr;
  // Defaults.
  QComboBox *m_lossUnit = nullptr;
  QButtonGroup *m_defaultDistance = nullptr;
  QCheckBox *m_defaultDate = nullptr;
  QCheckBox *m_defaultCustom = nullptr;
  QButtonGroup *m_imageFormat = nullptr;
};

} // namespace korv
