#include "ui/splash_window.h"

#include "ui/branding.h"

#include <QGroupBox>

namespace quarn {

namespace {

QLabel* add_label(QWidget* parent, const char* name, const QString& text, QRect geometry, QFont font) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(geometry);
  label->setFont(font);
  return label;
}

QFont arial(double points, bool bold, bool italic = false) {
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(points);
  font.setBold(bold);
  font.setItalic(italic);
  return font;
}

}  // namespace

// Geometry in pixels: the design's twips divided by 15.
SplashWindow::SplashWindow(QWidget* parent) : QWidget(parent), timer_titolo_(this) {
  setObjectName("TITOLO");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(branding::vendor_name());
  setFixedSize(617, 512);

  auto* image = new QLabel(this);
  image->setObjectName("Image1");
  image->setPixmap(branding::splash_picture());
  image->setGeometry(16, 16, 320, 480);

  auto* frame = new QGroupBox(this);
  frame->setObjectName("Frame9");
  frame->setGeometry(344, 64, 265, 209);
  add_label(frame, "Label24", "Configuratore per QUARN", {8, 24, 241, 29}, arial(14.25, true));
  add_label(frame, "Label28", "Version  \"" + branding::version() + '"', {12, 56, 113, 21}, arial(9.75, true));
  lab_fabbrica_ = add_label(frame, "lab_fabbrica", "Fabbrica", {120, 56, 65, 17}, arial(8.25, true));
  add_label(frame, "Label27", "for \"Windows 9x,2000,XP °\"", {8, 80, 173, 21}, arial(9.75, true));
  add_label(frame, "Label26", branding::vendor_lead_in(), {12, 148, 137, 21}, arial(9.75, false, true));
  add_label(frame, "Label23", branding::vendor_name(), {12, 172, 213, 29}, arial(12, true));

  auto* command1 = new QPushButton("Continua", this);
  command1->setObjectName("Command1");
  command1->setGeometry(408, 376, 137, 41);
  command1->setFont(arial(12, true));
  // Enter presses the focused button also outside a dialog.
  command1->setAutoDefault(true);
  command1->setDefault(true);
  command1->setFocus();
  connect(command1, &QPushButton::clicked, this, &SplashWindow::onContinua);

  timer_titolo_.setObjectName("Timer_titolo");
  timer_titolo_.setInterval(100);
  connect(&timer_titolo_, &QTimer::timeout, this, [this] { lab_fabbrica_->setText("Fabbrica"); });
  timer_titolo_.start();
}

void SplashWindow::onContinua() {
  timer_titolo_.stop();
  close();
  emit continued();
}

}  // namespace quarn
