#include "ui/dialogs/OptionsDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>
#include <limits>

#include "ui/common/DocMessages.h"

namespace korv {

namespace {

QString Q(const std::string &s) { return QString::fromStdString(s); }
std::string S(const QString &s) { return s.toStdString(); }
// An axis bound as the field shows it: enough digits for any unit's range.
QString ScaleText(double v) { return QString::number(v, 'g', 8); }

template <typename T> T *Named(T *w, const QString &name) {
  w->setObjectName(name);
  return w;
}

// A group of radio buttons, one per caption, ids 0.., stacked.
QButtonGroup *Radios(QGroupBox *box, const QString &prefix, const QStringList &captions) {
  auto *group = new QButtonGroup(box);
  auto *layout = new QVBoxLayout(box);
  for (int i = 0; i < captions.size(); ++i) {
    auto *b = Named(new QRadioButton(captions[i], box), prefix + QString::number(i));
    group->addButton(b, i);
    layout->addWidget(b);
  }
  layout->addStretch();
  return group;
}

void Check(QButtonGroup *group, int id) {
  if (QAbstractButton *b = group->button(id)) {
    b->setChecked(true);
    return;
  }
  // None selected: an exclusive group needs to let go for a moment.
  group->setExclusive(false);
  for (QAbstractButton *b : group->buttons())
    b->setChecked(false);
  group->setExclusive(true);
}

const QStringList kUnitNames = {QStringLiteral("Return Loss (-dB)"), QStringLiteral("Standing Wave Ratio (VSWR)"),
                                QStringLiteral("Reflection Coefficient (Rho)"),
                                QStringLiteral("Reflection Coefficient (milliRho)"),
                                QStringLiteral("Cable Loss (-dB)")};

} // namespace

TdlgOptions::TdlgOptions(QWidget *parent, TPlotOptions &rules, const TSettingsPages &pages, TOptionsPage page)
    : QDialog(parent), m_rules(rules), m_pages(pages) {
  setObjectName(QStringLiteral("dlgOptions"));
  setWindowTitle(QStringLiteral("Options"));
  setProperty("helpContext", kOptionsHelpContext);
  m_tabs = Named(new QTabWidget(this), QStringLiteral("pgcOptions"));
  m_tabs->addTab(BuildMarkersPage(), QStringLiteral("&Markers"));
  m_tabs->addTab(BuildGraphPage(), QStringLiteral("&Graph"));
  m_tabs->addTab(BuildPlottingPage(), QStringLiteral("&Plotting"));
  m_tabs->addTab(BuildGeneralPage(), QStringLiteral("Ge&neral"));
  m_tabs->addTab(BuildLabelsPage(), QStringLiteral("&Labels"));
  m_tabs->addTab(BuildDefaultsPage(), QStringLiteral("&Defaults"));

  auto *buttons = new QDialogButtonBox(this);
  auto *ok = Named(buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole), QStringLiteral("btnOK"));
  auto *cancel =
      Named(buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole), QStringLiteral("btnCancel"));
  auto *help = Named(buttons->addButton(QStringLiteral("Help"), QDialogButtonBox::HelpRole), QStringLiteral("btnHelp"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &TdlgOptions::OkClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] { RequestHelp(property("helpContext").toInt()); });

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(m_tabs);
  layout->addWidget(buttons);

  ShowDocumentPages();
  ShowSettingsPages();
  m_tabs->setCurrentIndex(static_cast<int>(page));
  PageTurned(m_tabs->currentIndex());
  connect(m_tabs, &QTabWidget::currentChanged, this, &TdlgOptions::PageTurned);
}

TdlgOptions::~TdlgOptions() = default;

QWidget *TdlgOptions::BuildMarkersPage() {
  auto *page = Named(new QWidget, QStringLiteral("tsMarkers"));
  m_markersGroup = Named(new QGroupBox(QStringLiteral("Markers"), page), QStringLiteral("grpMarkers"));
  auto *grid = new QGridLayout(m_markersGroup);
  grid->addWidget(new QLabel(QStringLiteral("Trace:"), m_markersGroup), 0, 0);
  m_traceList = Named(new QComboBox(m_markersGroup), QStringLiteral("TraceList"));
  grid->addWidget(m_traceList, 0, 1, 1, 4);
  int col = 1;
  for (const char *heading : {"Location", "On/Off", "Delta", "Type"})
    grid->addWidget(new QLabel(QString::fromLatin1(heading), m_markersGroup), 1, col++);
  for (int j = 0; j < kMarkersPerTrace; ++j) {
    const QString n = QString::number(j + 1);
    grid->addWidget(new QLabel(QStringLiteral("M") + n, m_markersGroup), j + 2, 0);
    m_location[j] = Named(new QLineEdit(m_markersGroup), QStringLiteral("M%1XValue").arg(n));
    m_location[j]->setMaxLength(static_cast<int>(kMarkerLocationChars));
    m_visible[j] = Named(new QCheckBox(QStringLiteral("On/Off"), m_markersGroup), QStringLiteral("M%1Visible").arg(n));
    m_delta[j] = Named(new QComboBox(m_markersGroup), QStringLiteral("cmboDeltaM") + n);
    m_delta[j]->addItems({"1", "2", "3", "4", "5", "6", "Lim", "Off"});
    m_type[j] = Named(new QComboBox(m_markersGroup), QStringLiteral("cmboTypeM") + n);
    m_type[j]->addItems({QStringLiteral("Triangle"), QStringLiteral("Line")});
    grid->addWidget(m_location[j], j + 2, 1);
    grid->addWidget(m_visible[j], j + 2, 2);
    grid->addWidget(m_delta[j], j + 2, 3);
    grid->addWidget(m_type[j], j + 2, 4);
    connect(m_location[j], &QLineEdit::textEdited, this, [this, j](const QString &t) {
      m_rules.EditLocation(j, S(t));
      ShowMarkers();
    });
    connect(m_visible[j], &QCheckBox::toggled, this, [this, j](bool on) {
      if (!m_showing) m_rules.SetVisible(j, on);
    });
    connect(m_delta[j], &QComboBox::activated, this, [this, j](int choice) {
      m_rules.ChooseDelta(j, choice);
      ShowMarkers();
    });
    connect(m_type[j], &QComboBox::activated, this, [this, j](int type) { m_rules.ChooseType(j, type); });
  }
  connect(m_traceList, &QComboBox::activated, this, [this](int index) {
    m_rules.SelectTrace(index);
    ShowMarkers();
  });

  m_limitGroup = Named(new QGroupBox(QStringLiteral("Limit Line"), page), QStringLiteral("grpLimitLine"));
  auto *lh = new QHBoxLayout(m_limitGroup);
  lh->addWidget(new QLabel(QStringLiteral("Y:"), m_limitGroup));
  m_limitValue = Named(new QLineEdit(m_limitGroup), QStringLiteral("LLYValue"));
  m_limitValue->setMaxLength(static_cast<int>(kLimitTextChars));
  m_limitVisible = Named(new QCheckBox(QStringLiteral("Visible"), m_limitGroup), QStringLiteral("LLVisible"));
  lh->addWidget(m_limitValue);
  lh->addWidget(m_limitVisible);
  connect(m_limitValue, &QLineEdit::textEdited, this, [this](const QString &t) {
    m_rules.EditLimit(S(t));
    ShowMarkers();
  });
  connect(m_limitVisible, &QCheckBox::toggled, this, [this](bool on) {
    if (!m_showing) m_rules.SetLimitVisible(on);
  });

  auto *v = new QVBoxLayout(page);
  v->addWidget(m_markersGroup);
  v->addWidget(m_limitGroup);
  v->addStretch();
  return page;
}

QWidget *TdlgOptions::BuildGraphPage() {
  auto *page = Named(new QWidget, QStringLiteral("tsGraph"));
  m_matchUnitGroup = Named(new QGroupBox(QStringLiteral("Match Unit"), page), QStringLiteral("rgMatchUnit"));
  m_matchUnit = Radios(m_matchUnitGroup, QStringLiteral("rbMatchUnit"), kUnitNames);
  m_distanceGroup = Named(new QGroupBox(QStringLiteral("Distance Unit"), page), QStringLiteral("rgDistanceUnit"));
  m_distanceUnit = Radios(m_distanceGroup, QStringLiteral("rbDistanceUnit"), {"Meters", "Feet"});
  auto *cable = Named(new QGroupBox(QStringLiteral("Cable Format"), page), QStringLiteral("rgCableFormat"));
  m_cableFormat = Radios(cable, QStringLiteral("rbCableFormat"), {"Dielectric Constant", "Velocity of Propagation"});
  connect(m_matchUnit, &QButtonGroup::idClicked, this, [this](int id) { m_rules.ChooseMatchUnit(id); });
  connect(m_distanceUnit, &QButtonGroup::idClicked, this, [this](int id) { m_rules.ChooseDistanceUnit(id); });

  auto *grid = new QGridLayout(page);
  grid->addWidget(m_matchUnitGroup, 0, 0, 2, 1);
  grid->addWidget(m_distanceGroup, 0, 1);
  grid->addWidget(cable, 1, 1);
  const char *const axes[2] = {"X", "Y"};
  for (int a = 0; a < 2; ++a) {
    const QString axis = QString::fromLatin1(axes[a]);
    m_scaleGroup[a] =
        Named(new QGroupBox(axis + QStringLiteral(" Axis Manual Scale"), page), QStringLiteral("grp%1Scale").arg(axis));
    auto *g = new QGridLayout(m_scaleGroup[a]);
    m_manual[a] = Named(new QCheckBox(QStringLiteral("Manual Scale"), m_scaleGroup[a]),
                        QStringLiteral("cbManual%1").arg(axis));
    // Plain text fields: what is typed is kept whole and checked on OK
    // (a spin box would drop the characters it cannot take).
    m_min[a] = Named(new QLineEdit(m_scaleGroup[a]), QStringLiteral("edit%1Min").arg(axis));
    m_max[a] = Named(new QLineEdit(m_scaleGroup[a]), QStringLiteral("edit%1Max").arg(axis));
    for (QLineEdit *box : {m_min[a], m_max[a]})
      connect(box, &QLineEdit::textEdited, this, [this, a] { ReadScale(a); });
    connect(m_manual[a], &QCheckBox::toggled, this, [this, a] { ReadScale(a); });
    g->addWidget(m_manual[a], 0, 0, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("Min"), m_scaleGroup[a]), 1, 0);
    g->addWidget(m_min[a], 1, 1);
    g->addWidget(new QLabel(QStringLiteral("Max"), m_scaleGroup[a]), 2, 0);
    g->addWidget(m_max[a], 2, 1);
    grid->addWidget(m_scaleGroup[a], 2, a);
  }
  grid->setRowStretch(3, 1);
  return page;
}

QWidget *TdlgOptions::BuildPlottingPage() {
  auto *page = Named(new QWidget, QStringLiteral("tsPlotting"));
  auto *style = Named(new QGroupBox(QStringLiteral("Viewing Style"), page), QStringLiteral("rgViewStyle"));
  m_viewStyle = Radios(style, QStringLiteral("rbViewStyle"), {"Color", "Monochrome", "Monochrome + Symbol"});
  auto *font = Named(new QGroupBox(QStringLiteral("Font Size"), page), QStringLiteral("rgFontSize"));
  m_fontSize = Radios(font, QStringLiteral("rbFontSize"), {"Large", "Medium", "Small"});
  auto *method = Named(new QGroupBox(QStringLiteral("Plotting Method"), page), QStringLiteral("rgPlotMethod"));
  m_plotMethod = Radios(method, QStringLiteral("rbPlotMethod"), {"Line", "Spline"});
  auto *gridLines = Named(new QGroupBox(QStringLiteral("Grid Lines"), page), QStringLiteral("rgGridLines"));
  m_gridLines = Radios(gridLines, QStringLiteral("rbGridLines"), {"Show All", "Horizontal", "Vertical", "None"});
  m_markPoints = Named(new QCheckBox(QStringLiteral(" Mark &Data Points"), page), QStringLiteral("cbMarkPoints"));
  auto *grid = new QGridLayout(page);
  grid->addWidget(style, 0, 0);
  grid->addWidget(font, 0, 1);
  grid->addWidget(method, 1, 0);
  grid->addWidget(gridLines, 1, 1);
  grid->addWidget(m_markPoints, 2, 0, 1, 2);
  grid->setRowStretch(3, 1);
  return page;
}

QWidget *TdlgOptions::BuildGeneralPage() {
  auto *page = Named(new QWidget, QStringLiteral("tsGeneral"));
  auto *grid = new QGridLayout(page);
  grid->addWidget(new QLabel(QStringLiteral("Cable List File"), page), 0, 0);
  m_cableList = Named(new QLineEdit(page), QStringLiteral("editCableList"));
  auto *browse = Named(new QPushButton(QStringLiteral("Browse..."), page), QStringLiteral("btnBrowseCableList"));
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString path =
        m_chooser ? m_chooser()
                  : QFileDialog::getOpenFileName(this, QStringLiteral("Browse for Cable List"), m_cableList->text(),
                                                 QStringLiteral("Cable Files (*.lst);;All files (*)"));
    if (!path.isEmpty()) m_cableList->setText(path);
  });
  grid->addWidget(m_cableList, 0, 1);
  grid->addWidget(browse, 0, 2);
  grid->addWidget(new QLabel(QStringLiteral("Document Default Directory"), page), 1, 0);
  m_docDirectory = Named(new QLineEdit(page), QStringLiteral("editDocDirectory"));
  grid->addWidget(m_docDirectory, 1, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Handheld Folder"), page), 4, 0);
  m_handheldRoot = Named(new QLineEdit(page), QStringLiteral("editHandheldRoot"));
  m_handheldRoot->setToolTip(QStringLiteral("Where the handheld's storage is mounted"));
  auto *browseRoot = Named(new QPushButton(QStringLiteral("Browse..."), page), QStringLiteral("btnBrowseHandheldRoot"));
  connect(browseRoot, &QPushButton::clicked, this, [this] {
    const QString dir =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Handheld Folder"), m_handheldRoot->text());
    if (!dir.isEmpty()) m_handheldRoot->setText(dir);
  });
  grid->addWidget(m_handheldRoot, 4, 1);
  grid->addWidget(browseRoot, 4, 2);
  m_autoSave = Named(
      new QCheckBox(QStringLiteral("Remember which documents are open \nand the positions of windows on close"), page),
      QStringLiteral("cbAutoSave"));
  grid->addWidget(m_autoSave, 2, 0, 1, 3);
  auto *delimiter =
      Named(new QGroupBox(QStringLiteral("Export Data Deliminator"), page), QStringLiteral("rgDelimiter"));
  m_delimiter = Radios(delimiter, QStringLiteral("rbDelimiter"), {"&Tab", "&Space"});
  grid->addWidget(delimiter, 3, 0);
  auto *side = new QGridLayout;
  side->addWidget(new QLabel(QStringLiteral("Recent Files"), page), 0, 0);
  m_recent = Named(new QComboBox(page), QStringLiteral("cmboRecentFiles"));
  for (int i = 0; i <= kMaxRecentFiles; ++i)
    m_recent->addItem(QString::number(i));
  side->addWidget(m_recent, 0, 1);
  side->addWidget(new QLabel(QStringLiteral("Comm Port"), page), 1, 0);
  // Filled from the pages: the devices found, then "Comm 1".."Comm 16".
  m_commPort = Named(new QComboBox(page), QStringLiteral("cmboCommPort"));
  side->addWidget(m_commPort, 1, 1);
  grid->addLayout(side, 3, 1, 1, 2);
  grid->setRowStretch(5, 1);
  return page;
}

QWidget *TdlgOptions::BuildLabelsPage() {
  m_labelsPage = Named(new QWidget, QStringLiteral("tsLabels"));
  QWidget *page = m_labelsPage;
  auto *grid = new QGridLayout(page);
  grid->addWidget(new QLabel(QStringLiteral("Title"), page), 0, 0);
  m_title = Named(new QLineEdit(page), QStringLiteral("editTitle"));
  m_titleBox = Named(new QCheckBox(page), QStringLiteral("cbTitle"));
  grid->addWidget(m_title, 0, 1);
  grid->addWidget(m_titleBox, 0, 2);
  grid->addWidget(new QLabel(QStringLiteral("Sub Title"), page), 1, 0);
  m_subTitle = Named(new QLineEdit(page), QStringLiteral("editSubTitle"));
  m_subTitleBox = Named(new QCheckBox(page), QStringLiteral("cbSubTitle"));
  grid->addWidget(m_subTitle, 1, 1);
  grid->addWidget(m_subTitleBox, 1, 2);
  connect(m_title, &QLineEdit::textEdited, this, [this](const QString &t) {
    m_rules.EditTitle(false, S(t));
    const QSignalBlocker block(m_titleBox);
    m_titleBox->setChecked(true);
  });
  connect(m_subTitle, &QLineEdit::textEdited, this, [this](const QString &t) {
    m_rules.EditTitle(true, S(t));
    const QSignalBlocker block(m_subTitleBox);
    m_subTitleBox->setChecked(true);
  });
  connect(m_titleBox, &QCheckBox::toggled, this, [this](bool on) { m_rules.SetTitleChecked(false, on); });
  connect(m_subTitleBox, &QCheckBox::toggled, this, [this](bool on) { m_rules.SetTitleChecked(true, on); });
  grid->addWidget(new QLabel(QStringLiteral("Trace Labels"), page), 2, 0);
  m_traceLabels = Named(new QPlainTextEdit(page), QStringLiteral("memoTraceLabels"));
  m_traceLabels->setLineWrapMode(QPlainTextEdit::NoWrap);
  grid->addWidget(m_traceLabels, 2, 1, 1, 2);
  auto *fields = Named(new QGroupBox(QStringLiteral("Label Fields"), page), QStringLiteral("grpLabelFields"));
  auto *fl = new QHBoxLayout(fields);
  m_labelDate = Named(new QCheckBox(QStringLiteral("Date"), fields), QStringLiteral("cbLabelDate"));
  m_labelText = Named(new QCheckBox(QStringLiteral("Text"), fields), QStringLiteral("cbLabelText"));
  fl->addWidget(m_labelDate);
  fl->addWidget(m_labelText);
  grid->addWidget(fields, 3, 1, 1, 2);
  return page;
}

QWidget *TdlgOptions::BuildDefaultsPage() {
  auto *page = Named(new QWidget, QStringLiteral("tsDefaults"));
  auto *grid = new QGridLayout(page);
  grid->addWidget(new QLabel(QStringLiteral("Loss Unit"), page), 0, 0);
  m_lossUnit = Named(new QComboBox(page), QStringLiteral("cmboDefaultLossUnit"));
  m_lossUnit->addItems(kUnitNames);
  grid->addWidget(m_lossUnit, 0, 1);
  auto *dist = Named(new QGroupBox(QStringLiteral("Distance Unit"), page), QStringLiteral("rgDefaultDistanceUnit"));
  m_defaultDistance = Radios(dist, QStringLiteral("rbDefaultDistanceUnit"), {"Meters", "Feet"});
  grid->addWidget(dist, 1, 0);
  auto *fields = Named(new QGroupBox(QStringLiteral("Label Fields"), page), QStringLiteral("grpDefaultLabelFields"));
  auto *fl = new QVBoxLayout(fields);
  m_defaultDate = Named(new QCheckBox(QStringLiteral("Date Stamp"), fields), QStringLiteral("cbDefaultDate"));
  m_defaultCustom = Named(new QCheckBox(QStringLiteral("Custom Text"), fields), QStringLiteral("cbDefaultCustom"));
  fl->addWidget(m_defaultDate);
  fl->addWidget(m_defaultCustom);
  grid->addWidget(fields, 1, 1);
  // The copied picture: a vector drawing (SVG) or a bitmap.
  auto *image = Named(new QGroupBox(QStringLiteral("Default Image Format"), page), QStringLiteral("rgImageFormat"));
  m_imageFormat = Radios(image, QStringLiteral("rbImageFormat"), {"Vector Drawing (SVG)", "Bitmap"});
  grid->addWidget(image, 2, 0, 1, 2);
  grid->setRowStretch(3, 1);
  return page;
}

void TdlgOptions::ShowMarkers() {
  m_showing = true;
  const bool full = m_rules.Access() == TOptionsAccess::Full;
  {
    const QSignalBlocker block(m_traceList);
    m_traceList->clear();
    for (const std::string &name : m_rules.TraceNames())
      m_traceList->addItem(Q(name));
    m_traceList->setCurrentIndex(full ? m_rules.SelectedTrace() : 0);
  }
  m_markersGroup->setEnabled(full);
  m_limitGroup->setEnabled(full);
  const TMarkerEntries &entries = m_rules.Markers();
  for (int j = 0; j < kMarkersPerTrace; ++j) {
    const TMarkerEntry &e = entries[static_cast<std::size_t>(j)];
    if (m_location[j]->text() != Q(e.Location)) m_location[j]->setText(Q(e.Location));
    const bool placed = !e.Location.empty();
    m_visible[j]->setChecked(e.Visible);
    m_visible[j]->setEnabled(placed);
    m_delta[j]->setCurrentIndex(e.Delta);
    m_delta[j]->setEnabled(placed);
    m_type[j]->setCurrentIndex(e.Type);
    m_type[j]->setEnabled(placed);
  }
  if (m_limitValue->text() != Q(m_rules.LimitText())) m_limitValue->setText(Q(m_rules.LimitText()));
  m_limitVisible->setChecked(m_rules.LimitVisible());
  m_limitVisible->setEnabled(m_rules.LimitVisibleEnabled());
  m_showing = false;
}

void TdlgOptions::ShowDocumentPages() {
  ShowMarkers();
  m_showing = true;
  const TOptionsAccess access = m_rules.Access();
  const bool full = access == TOptionsAccess::Full;
  m_matchUnitGroup->setEnabled(full);
  m_distanceGroup->setEnabled(full);
  m_matchUnit->button(4)->setVisible(m_rules.OffersCableLoss());
  Check(m_matchUnit, full ? m_rules.MatchUnit() : -1);
  Check(m_distanceUnit, full ? m_rules.DistanceUnit() : -1);
  for (int a = 0; a < 2; ++a) {
    const TScaleEntry &s = a == 0 ? m_rules.XScale() : m_rules.YScale();
    const QSignalBlocker b1(m_manual[a]), b2(m_min[a]), b3(m_max[a]);
    m_scaleGroup[a]->setEnabled(full);
    m_manual[a]->setChecked(full && s.Manual);
    m_min[a]->setText(full ? ScaleText(s.Min) : QString());
    m_max[a]->setText(full ? ScaleText(s.Max) : QString());
    m_min[a]->setEnabled(full && s.Manual);
    m_max[a]->setEnabled(full && s.Manual);
  }
  // Labels: titles from a document, trace labels from one with traces.
  const bool titles = access != TOptionsAccess::NoDocument;
  const bool traces = access == TOptionsAccess::Full || access == TOptionsAccess::Smith;
  {
    const QSignalBlocker b1(m_title), b2(m_subTitle), b3(m_titleBox), b4(m_subTitleBox);
    m_title->setText(titles ? Q(m_rules.Title().Text) : QString());
    m_subTitle->setText(titles ? Q(m_rules.SubTitle().Text) : QString());
    m_titleBox->setChecked(titles && m_rules.Title().Checked);
    m_subTitleBox->setChecked(titles && m_rules.SubTitle().Checked);
  }
  for (QWidget *w : {static_cast<QWidget *>(m_title), static_cast<QWidget *>(m_subTitle),
                     static_cast<QWidget *>(m_titleBox), static_cast<QWidget *>(m_subTitleBox)})
    w->setEnabled(titles);
  QStringList lines;
  for (const std::string &l : m_rules.TraceLabels())
    lines << Q(l);
  m_traceLabels->setPlainText(traces ? lines.join(QLatin1Char('\n')) : QString());
  m_traceLabels->setEnabled(traces);
  m_labelDate->setChecked(traces && m_rules.LabelDate());
  m_labelText->setChecked(traces && m_rules.LabelText());
  m_labelDate->setEnabled(traces);
  m_labelText->setEnabled(traces);
  m_showing = false;
}

void TdlgOptions::ShowSettingsPages() {
  const TSettingsPages &p = m_pages;
  Check(m_cableFormat, p.DielectricFormat != 0 ? 1 : 0);
  Check(m_viewStyle, p.ViewStyle);
  Check(m_fontSize, p.FontSize);
  Check(m_plotMethod, p.PlotMethodItem);
  Check(m_gridLines, p.GridLines);
  m_markPoints->setChecked(p.MarkPoints);
  m_cableList->setText(Q(p.CableList));
  m_docDirectory->setText(Q(p.DocDirectory));
  m_handheldRoot->setText(Q(p.HandheldRoot));
  m_autoSave->setChecked(p.AutoSave);
  Check(m_delimiter, p.DelimiterItem);
  m_recent->setCurrentIndex(p.RecentCount);
  m_commPort->clear();
  bool chosenFound = p.CommDevice.empty();
  for (const auto &[path, description] : p.SerialDevices) {
    m_commPort->addItem(
        description.empty() ? Q(path) : Q(path) + QStringLiteral(" (") + Q(description) + QStringLiteral(")"), Q(path));
    chosenFound = chosenFound || path == p.CommDevice;
  }
  // A device chosen before but absent now stays on offer, never silently dropped.
  if (!chosenFound) m_commPort->insertItem(0, Q(p.CommDevice) + QStringLiteral(" (not found)"), Q(p.CommDevice));
  m_firstCommItem = m_commPort->count();
  for (int i = 1; i <= 16; ++i)
    m_commPort->addItem(QStringLiteral("Comm %1").arg(i), QString());
  m_commPort->setCurrentIndex(p.CommDevice.empty() ? m_firstCommItem + p.CommPortItem
                                                   : m_commPort->findData(Q(p.CommDevice)));
  m_lossUnit->setCurrentIndex(p.DefaultLossUnit);
  Check(m_defaultDistance, p.DefaultDistanceUnit);
  m_defaultDate->setChecked(p.LblFieldDate);
  m_defaultCustom->setChecked(p.LblFieldCustom);
  Check(m_imageFormat, p.DefaultImageFmt);
}

void TdlgOptions::ReadSettingsPages() {
  TSettingsPages &p = m_pages;
  // The setting's 1 shows velocities of propagation, the second item.
  p.DielectricFormat = m_cableFormat->checkedId() == 0 ? 0 : 1;
  p.ViewStyle = std::max(0, m_viewStyle->checkedId());
  p.FontSize = std::max(0, m_fontSize->checkedId());
  p.PlotMethodItem = std::max(0, m_plotMethod->checkedId());
  p.GridLines = std::max(0, m_gridLines->checkedId());
  p.MarkPoints = m_markPoints->isChecked();
  p.CableList = S(m_cableList->text());
  p.DocDirectory = S(m_docDirectory->text());
  p.HandheldRoot = S(m_handheldRoot->text());
  p.AutoSave = m_autoSave->isChecked();
  p.DelimiterItem = std::max(0, m_delimiter->checkedId());
  p.RecentCount = m_recent->currentIndex();
  p.CommDevice = S(m_commPort->currentData().toString());
  if (p.CommDevice.empty()) p.CommPortItem = std::max(0, m_commPort->currentIndex() - m_firstCommItem);
  p.DefaultLossUnit = m_lossUnit->currentIndex();
  p.DefaultDistanceUnit = std::max(0, m_defaultDistance->checkedId());
  p.LblFieldDate = m_defaultDate->isChecked();
  p.LblFieldCustom = m_defaultCustom->isChecked();
  p.DefaultImageFmt = std::max(0, m_imageFormat->checkedId());
}

void TdlgOptions::ReadScale(int a) {
  // Only the axis the user touched: the other keeps what a unit change gives it.
  const auto i = static_cast<std::size_t>(a);
  m_min[i]->setEnabled(m_manual[i]->isChecked());
  m_max[i]->setEnabled(m_manual[i]->isChecked());
  if (m_rules.Access() == TOptionsAccess::Full)
    m_rules.EditScaleText(a == 0, m_manual[i]->isChecked(), S(m_min[i]->text()), S(m_max[i]->text()));
}

void TdlgOptions::OkClick() {
  if (m_rules.Access() == TOptionsAccess::Full || m_rules.Access() == TOptionsAccess::Smith) {
    std::vector<std::string> labels;
    const QStringList lines = m_traceLabels->toPlainText().split(QLatin1Char('\n'));
    for (const QString &l : lines)
      labels.push_back(S(l));
    m_rules.SetTraceLabels(labels);
    m_rules.SetLabelFields(m_labelDate->isChecked(), m_labelText->isChecked());
  }
  if (const auto failure = m_rules.Validate()) {
    // The unreadable number is named and shown selected on its page.
    QLineEdit *edit = nullptr;
    if (failure->Scale >= 0) {
      m_tabs->setCurrentIndex(static_cast<int>(TOptionsPage::Graph));
      const auto axis = static_cast<std::size_t>(failure->Scale / 2);
      edit = failure->Scale % 2 == 0 ? m_min[axis] : m_max[axis];
    } else {
      m_rules.SelectTrace(failure->Trace);
      ShowMarkers();
      m_tabs->setCurrentIndex(static_cast<int>(TOptionsPage::Markers));
      edit = failure->Marker == TOptionsFailure::kLimitField ? m_limitValue : m_location[failure->Marker];
    }
    ShowDocMessage(this, TMsgKind::Error, QString::fromStdString(failure->Message()), QMessageBox::Ok);
    edit->setFocus();
    edit->selectAll();
    return;
  }
  ReadSettingsPages();
  // Max below Min shows swapped.
  for (int a = 0; a < 2; ++a) {
    const TScaleEntry &s = a == 0 ? m_rules.XScale() : m_rules.YScale();
    if (s.Max < s.Min) {
      const QSignalBlocker b1(m_min[a]), b2(m_max[a]);
      m_min[a]->setText(ScaleText(s.Max));
      m_max[a]->setText(ScaleText(s.Min));
    }
  }
  accept();
}

void TdlgOptions::PageTurned(int index) {
  setProperty("helpContext", OptionsPageHelpContext(static_cast<TOptionsPage>(index)));
}

void TdlgOptions::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_Escape) {
    reject();
    return;
  }
  QDialog::keyPressEvent(event);
}

} // namespace korv
