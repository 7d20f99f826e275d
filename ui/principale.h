#pragma once
// "Principale", the one working window: the transmitter's settings as fields,
// the connection state, and the commands of a session.
// Where its parts are: principale.cpp the controls' wiring and the status
// with its field rules; principale_session.cpp Connetti, Disconetti, TX, ESCI
// and the read into the fields; principale_programming.cpp Programma, UHF and
// VHF; principale_files.cpp Ctrl+S, Ctrl+O and a dropped file;
// principale_layout.cpp the controls themselves.

#include "config/field_values.h"
#include "config/parameter_block.h"
#include "documents/operator_texts.h"
#include "documents/settings_file.h"
#include "link/transmitter_session.h"
#include "ui/principale_controls.h"
#include "ui/progress_throttle.h"

#include <QTimer>
#include <QWidget>

namespace quarn {

class CaptionMarquee;
class HelpLine;
class Notifier;

namespace state_text {
inline const QString not_connected = " Non Connesso";
inline const QString waiting = " In Attesa ";
inline const QString connected = " Connesso";
}  // namespace state_text

inline const QString help_port_typing = " Errore com";
// Follows the reason when the backup before a write run failed: Sì writes all the same.
inline const QString question_without_backup = "Continuare senza copia di sicurezza?";
// Programma before a read in step has told this connection's device type.
inline const QString message_type_unread =
    "Tipo del trasmettitore non letto in questa connessione: nulla è stato scritto. "
    "Premere Disconetti e poi Connetti.";
// Disconetti, TX, ESCI or the frame while the fields hold values the unit
// does not.
inline const QString question_discard_edits = "Le modifiche non sono state programmate: scartarle?";
// How long the ready wait goes on before the help line says what it waits for.
inline constexpr int ready_hint_ms = 5000;
inline const QString message_doubtful_backup =
    "Copia di sicurezza di una lettura con risposte fuori passo: i valori possono essere sfalsati. "
    "Controllarli prima di programmare.";

class Principale : public QWidget {
  Q_OBJECT
 public:
  // session: the transfer service over the serial line the window works, a
  // real port or the emulated one (demo, tests), with its backups and trace
  // as the program wired them. notifier: shows the message boxes and sounds
  // the beeps. Both must outlive the window.
  Principale(TransmitterSession& session, Notifier& notifier, QWidget* parent = nullptr);

  const PrincipaleControls& controls() const { return controls_; }
  const ParameterBlock& block() const { return block_; }
  int programmingFlag() const { return programming_flag_; }
  TransmitterSession& session() { return session_; }
  // The status update (objectName "Timer_stato"; a member, not a child): the
  // commands' enabled states, the type label and the field rules follow the
  // connection state, the running operation, the device type and the options
  // on the next pass of the event loop after one of them changes. Active
  // while a change waits to be followed; stopped during a programming run.
  const QTimer& statusTimer() const { return timer_stato_; }
  // Fills the fields from a settings file as a dropped one does (the
  // program's file argument); a file refused gives one box, as for Ctrl+O.
  void loadSettingsFrom(const QString& path);
  // The folder the Open dialog offers among its places: where the backups are.
  void setBackupsFolder(const QString& folder) { backups_folder_ = folder; }
  // The help line's hint that nothing answers the ready wait (objectName
  // "ready_hint"), ready_hint_ms after the wait began.
  QTimer& readyHintTimer() { return ready_hint_; }

 signals:
  // ESCI has ended the session: the program should end now.
  void exitRequested();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Closing by the frame while a write run goes on waits for its end.
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void connectFieldHandlers();
  void storeOption(int cell_address, double value) { block_.cells[static_cast<std::size_t>(cell_address)] = value; }
  void followWhatTheStatusReads();
  // Asks for the status to follow a change, unless a programming run holds it.
  void statusChanged();
  void applyStatus();
  void applyFieldRules();
  void setState(const QString& text);

  // Session commands.
  void onConnetti();
  void finishConnect(const Outcome& outcome, const ReadResult& read);
  void showPortError(const PortError& error);
  void endSessionWith(char end_letter);
  void onEsci();
  void quitNow();  // "E", the port closed, the window closed, the program told
  // True when nothing typed would be lost: the fields hold what the unit
  // last read holds, or the technician agreed to discard them.
  bool editsMayGo();
  bool fieldsHoldUnprogrammedValues() const;
  void showReadyHint();
  void onPortChosen(int index);
  // Each "Com" item's tooltip names the device behind it, as found now.
  void refreshPortTips();
  void onPortLost(const PortError& error);
  void showLoss(const PortError& error);
  void emptyFields();

  // Quitting (ESCI or the frame) while a write run goes on: the run ends
  // first, then the quit is done; a read-back gets at most one Timer1 more.
  enum class Quit { None, Esci, Frame };
  void quitAfterRun(Quit quit);
  void limitReadBack();
  void finishWriteRun();

  // Progress of the running sequence.
  void startProgress(bool writing, int last_address);
  void hideProgress();

  // Showing what was read: the fields, the type label, and the read error
  // when the checksum or the check of a write run says the values cannot be
  // trusted. A read whose replies were out of step shows the read error and
  // changes nothing.
  void leggi_parametri(const ReadResult& read, bool writes_unconfirmed = false);

  // Programming and factory defaults.
  void onProgramma();
  void finishProgramming();
  void onFactoryDefaults(Band band);
  // A set whose band or generation differs from the unit read asks first.
  bool factorySetMeant(Band band) const;
  // factory_band: the band of a factory load; none for Programma.
  void reportWriteRun(const WriteResult& result, std::optional<Band> factory_band);
  FieldValues fieldValues() const;

  // Settings files: Ctrl+S saves the fields, Ctrl+O or a dropped file fills
  // them as if typed and picked; nothing is sent to the transmitter.
  void saveSettings();
  void openSettings();
  // Fills the fields from a loaded file, unless its settings could not be
  // programmed into the unit as the window holds it (one box says why).
  bool applySettings(const SettingsFile& file);
  void showSettings(const FieldValues& values);
  // A file opened before this connection's read filled the fields: asks
  // whether it is meant for the unit just read.
  void offerPendingFile();

  Notifier& notifier_;
  TransmitterSession& session_;
  SerialLink& port_;
  PrincipaleControls controls_;
  ProgressThrottle progress_;
  QString backups_folder_;
  QTimer timer_stato_;
  ParameterBlock block_;
  // block_'s device type and band come from a read in step since this
  // connection began and since the last factory load began: Programma's
  // layout and band check may rely on them.
  bool type_read_ = false;
  bool connect_reading_ = false;  // a connect runs: its read will fill the fields
  // A settings file opened before the connect's read, kept for it.
  struct PendingFile {
    QString path;
    SettingsFile file;
  };
  std::optional<PendingFile> pending_file_;
  QTimer ready_hint_;
  int programming_flag_ = 0;
  double repeater_value_ = 0;  // numeric value of cmb_Monorep's text
  bool write_run_ = false;      // Programma or a factory load, writes or read-back
  bool run_writing_ = false;    // and in its writes
  Quit pending_quit_ = Quit::None;
  QTimer read_back_limit_;
  HelpLine* help_line_ = nullptr;
  CaptionMarquee* marquee_ = nullptr;
};

}  // namespace quarn
