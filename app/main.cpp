// Program start: the splash window, then the main window on "Continua".
// With --demo an emulated transmitter answers on every "Com" port.

#include "config/factory_defaults.h"
#include "emulator/emulated_link.h"
#include "link/qt_serial_link.h"
#include "ui/branding.h"
#include "ui/notifier.h"
#include "ui/principale.h"
#include "ui/splash_window.h"

#include <QApplication>
#include <QCommandLineParser>

#include <memory>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Configuratore Per Quarn");
  QApplication::setApplicationVersion(quarn::branding::version());
  QApplication::setWindowIcon(quarn::branding::logo());

  QCommandLineParser parser;
  parser.setApplicationDescription("Configuratore per il trasmettitore Quarn");
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption demo("demo", "Un trasmettitore emulato (New, UHF) risponde su ogni porta Com.");
  parser.addOption(demo);
  parser.process(app);

  std::unique_ptr<quarn::EmulatedTransmitter> transmitter;
  std::unique_ptr<quarn::SerialLink> port;
  if (parser.isSet(demo)) {
    transmitter = std::make_unique<quarn::EmulatedTransmitter>(
        quarn::TransmitterModel(quarn::factory_default_cells(quarn::Band::Uhf, quarn::Generation::New)));
    port = std::make_unique<quarn::EmulatedLink>(*transmitter);
  } else {
    port = std::make_unique<quarn::QtSerialLink>();
  }

  quarn::ScreenNotifier notifier;
  std::unique_ptr<quarn::Principale> principale;  // goes before the port it uses
  auto* splash = new quarn::SplashWindow;
  // Direct connection: the main window must be up before the closing splash
  // would end the program as its last window.
  QObject::connect(splash, &quarn::SplashWindow::continued, [&] {
    principale = std::make_unique<quarn::Principale>(*port, notifier);
    if (parser.isSet(demo)) principale->setWindowTitle("DEMO  " + principale->windowTitle());
    QObject::connect(principale.get(), &quarn::Principale::exitRequested, &app, &QApplication::quit);
    principale->show();
  });
  splash->show();
  return app.exec();
}
