#pragma once
// TdlgPageLayout ("Print Graphs"): picks the graphs of open documents,
// the grid of rows and columns and the printer, shows the first page as it
// will print and prints. Lists and layout rules are TPrintLists and
// TPageGrid; the pages are painted by PaintGraphPages. Without a printer
// (or when told to) Print writes a PDF file instead.
#include <QDialog>
#include <QPointer>
#include <memory>
#include <vector>

#include "measure/PageGrid.h"

class QLabel;
class QListWidget;
class QPageLayout;
class QPrinter;
class QPushButton;
class QSpinBox;

namespace korv {

class TGraph;

class TdlgPageLayout : public QDialog {
  Q_OBJECT
public:
  static constexpr int kHelpContext = 2050;

  explicit TdlgPageLayout(QWidget *parent = nullptr);
  ~TdlgPageLayout() override;

  // Filling by the Print Multiple command: the lists are emptied, then every
  // document window's shown graph is added under its file name.
  void ClearGraphs();
  void AddGraph(const QString &name, TGraph *graph);
  // The graphs to print; GraphAt raises "GraphHandles Array: Index out of
  // bounds" beyond the count. A graph whose window has gone is null.
  int GraphCount() const { return m_lists.GraphCount(); }
  TGraph *GraphAt(int index) const;
  const TPrintLists &Lists() const { return m_lists; }
  const TPageGrid &Grid() const { return m_grid; }

  // Writes a PDF file even when a printer is installed (tests, scripts).
  void SetPrintToPdf(bool on);
  // Print writes a PDF file: no printer installed, told so, or the printer
  // setup chose a file.
  bool PrintsToPdf() const;
  // The text of the printer label.
  QString PrinterText() const;
  // The page the preview shows and the printer prints, in device pixels.
  QSize PageSize() const;
  // Where the PDF file dialog starts until a file has been written.
  void SetPdfFolder(const QString &folder) { m_pdfFolder = folder; }
  // The file the last Print wrote (PDF output), else empty.
  QString LastPdfFile() const { return m_lastPdf; }

protected:
  void showEvent(QShowEvent *event) override;

private:
  void btnAddClick();
  void btnAddAllClick();
  void btnRemoveClick();
  void btnRemoveAllClick();
  void btnSetupPrinterClick();
  void btnPrintClick();
  void FillLists();
  void UpdatePrinterLabel();
  void RefreshPreview();
  std::vector<TGraph *> GraphsToPrint() const;
  QPageLayout PdfPageLayout() const;
  bool PrintToPdfFile();
  static std::vector<int> SelectedRows(const QListWidget *list);

  TPrintLists m_lists;
  TPageGrid m_grid;
  std::vector<QPointer<TGraph>> m_graphs; // by key
  std::unique_ptr<QPrinter> m_printer;
  bool m_forcePdf = false;
  // Asking the print system is slow; asked when the dialog is made and shown.
  bool m_havePrinters = false;
  QString m_lastPdf;
  QString m_pdfProposal;
  QString m_pdfFolder;

  QListWidget *m_lstOpen = nullptr;
  QListWidget *m_lstToPrint = nullptr;
  QPushButton *m_btnAdd = nullptr;
  QPushButton *m_btnAddAll = nullptr;
  QPushButton *m_btnRemove = nullptr;
  QPushButton *m_btnRemoveAll = nullptr;
  QPushButton *m_btnSetupPrinter = nullptr;
  QPushButton *m_btnPrint = nullptr;
  QPushButton *m_btnCancel = nullptr;
  QPushButton *m_btnHelp = nullptr;
  QSpinBox *m_spinRows = nullptr;
  QSpinBox *m_spinColumns = nullptr;
  QLabel *m_lblPrinter = nullptr;
  QLabel *m_lblPages = nullptr;
  QLabel *m_imgPreview = nullptr;
};

} // namespace korv
