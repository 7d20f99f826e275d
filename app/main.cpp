// Program start: the splash window, then the main window on "Continua",
// which opens the settings file named on the command line, if any.
// With --demo an emulated transmitter answers on every "Com" port.

#include "app/program_options.h"
#include "config/factory_defaults.h"
#include "emulator/emulated_link.h"
#include "documents/backup_store.h"
#include "link/standard_streams.h"
#include "link/system_serial_link.h"
#include "link/transmitter_session.h"
#include "ui/branding.h"
#include "ui/notifier.h"
#include "ui/principale.h"
#include "ui/splash_window.h"
#include "ui/trace_messages.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <memory>
#include <variant>

#ifdef Q_OS_WIN
#include "app/windows_console.h"
#endif

int main(int argc, char* argv[]) {
  quarn::reopen_closed_standard_streams();
  // The options come first: --help, --version and a mistyped option answer
  // without a display, where constructing the QApplication would abort.
  const auto parsed = quarn::parse_program_options(quarn::command_line_arguments(argc, argv), quarn::branding::version());
  if (const auto* done = std::get_if<quarn::ProgramExit>(&parsed)) {
#ifdef Q_OS_WIN
    quarn::use_parent_console();
#endif
    std::fputs(qPrintable(done->text), done->to_stderr ? stderr : stdout);
    return done->exit_code;
  }
  const quarn::ProgramOptions options = std::get<quarn::ProgramOptions>(parsed);

  QApplication app(argc, argv);
  // Both names place the backups: ~/.local/share/Quelmora/Configuratore Per Quarn/backups.
  QApplication::setOrganizationName(quarn::organization_name);
  QApplication::setApplicationName(quarn::application_name);
  QApplication::setApplicationVersion(quarn::branding::version());
#ifndef Q_OS_WIN
  QApplication::setWindowIcon(quarn::branding::logo());
#endif  // Windows gives every window the program's own icon (IDI_ICON1 in its resources)
  // The file dialogs and standard buttons speak Italian like the window, when
  // Qt's own translations are installed.
  QTranslator qt_texts;
  if (qt_texts.load(QLocale(QLocale::Italian), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qt_texts);
  }
  // Lets a desktop match the window with the installed launcher and its icon.
  QGuiApplication::setDesktopFileName("it.quelmora.QuarnConfigurator");

  std::unique_ptr<quarn::EmulatedTransmitter> transmitter;
  std::unique_ptr<quarn::SerialLink> port;
  if (options.demo) {
    transmitter = std::make_unique<quarn::EmulatedTransmitter>(
        quarn::TransmitterModel(quarn::factory_default_cells(quarn::Band::Uhf, quarn::Generation::New)));
    port = std::make_unique<quarn::EmulatedLink>(*transmitter);
  } else {
    port = std::make_unique<quarn::SystemSerialLink>();
  }

  quarn::ScreenNotifier notifier;
  // The trace is opened before any window, so that a file that cannot be
  // written is said at once rather than found missing after the session.
  std::shared_ptr<quarn::TrafficTrace> trace;
  const QString trace_file =
      options.trace_file.isEmpty() ? qEnvironmentVariable("QUARN_TRACE") : options.trace_file;
  if (!trace_file.isEmpty()) trace = quarn::open_window_trace(trace_file, notifier);
  quarn::BackupStore backups(quarn::BackupStore::defaultFolder(options.demo));
  quarn::TransmitterSession session(*port);  // goes before the port it uses
  session.setBackupHook(backups.hook());
  session.setTrace(trace);
  quarn::tell_trace_failures(session, notifier);
  std::unique_ptr<quarn::Principale> principale;  // goes before the session it uses
  auto* splash = new quarn::SplashWindow;
  // Direct connection: the main window must be up before the closing splash
  // would end the program as its last window.
  QObject::connect(splash, &quarn::SplashWindow::continued, [&] {
    principale = std::make_unique<quarn::Principale>(session, notifier);
    principale->setBackupsFolder(backups.folder());
    if (options.demo) principale->setWindowTitle("DEMO  " + principale->windowTitle());
    QObject::connect(principale.get(), &quarn::Principale::exitRequested, &app, &QApplication::quit);
    principale->show();
    // A settings file named on the command line, once the window is up.
    if (!options.settings_file.isEmpty()) {
      QMetaObject::invokeMethod(principale.get(), [&] { principale->loadSettingsFrom(options.settings_file); },
                                Qt::QueuedConnection);
    }
  });
  splash->show();
  return app.exec();
}
