#pragma once
// The About box: program name, version, and the libraries it is built on.
#include <QDialog>

namespace korv {

class TfrmAbout : public QDialog {
  Q_OBJECT
public:
  explicit TfrmAbout(QWidget *parent = nullptr);
};

} // namespace korv
