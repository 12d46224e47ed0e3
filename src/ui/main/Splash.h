#pragma once
// The splash window shown while the windows are built: borderless, on top,
// centred, one raised panel with the picture, and the busy cursor.
#include <QWidget>

namespace korv {

class TfrmSplash : public QWidget {
  Q_OBJECT
public:
  static constexpr int kHelpContext = 1000;
  explicit TfrmSplash(QWidget *parent = nullptr);
  // Shows and paints at once, before the event loop runs.
  void ShowNow();

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  // How long the start waits for the window system to show the splash.
  static constexpr int kShowWaitMs = 200;
};

} // namespace korv
