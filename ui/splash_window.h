#pragma once
// "TITOLO", the window the program opens on: picture, title, version,
// edition and vendor, and the button "Continua" that leads on.

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

namespace quarn {

class SplashWindow : public QWidget {
  Q_OBJECT
 public:
  explicit SplashWindow(QWidget* parent = nullptr);

 signals:
  // "Continua" was pressed: the splash has closed and deletes itself; the
  // main window should be shown now.
  void continued();

 private:
  void onContinua();

  QLabel* lab_fabbrica_;
  QTimer timer_titolo_;
};

}  // namespace quarn
