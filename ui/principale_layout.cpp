// The main window's inventory: groups, fields, lists, options and commands at
// their design positions, given in twips (15 twips per pixel).

#include "ui/principale_controls.h"
#include "ui/cached_groove_progress_bar.h"
#include "ui/pick_list.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace quarn {
namespace {

constexpr int twips_per_pixel = 15;

QRect twips(int left, int top, int width, int height) {
  return {left / twips_per_pixel, top / twips_per_pixel, width / twips_per_pixel, height / twips_per_pixel};
}

template <typename W>
W* place(W* widget, const char* name, QRect geometry) {
  widget->setObjectName(name);
  widget->setGeometry(geometry);
  return widget;
}

QGroupBox* group(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
  return place(new QGroupBox(caption, parent), name, geometry);
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QRect geometry) {
  return place(new QLabel(text, parent), name, geometry);
}

QLineEdit* text_box(QWidget* parent, const char* name, QRect geometry) {
  return place(new QLineEdit(parent), name, geometry);
}

QLineEdit* display_box(QWidget* parent, const char* name, QRect geometry) {
  auto* box = text_box(parent, name, geometry);
  box->setReadOnly(true);  // the program writes these boxes; the technician only reads them
  return box;
}

// An editable drop-down list with fixed items whose text starts empty.
PickList* list(QWidget* parent, const char* name, const QStringList& items, QRect geometry) {
  auto* combo = place(new PickList(parent), name, geometry);
  combo->setInsertPolicy(QComboBox::NoInsert);  // typing never adds items
  combo->addItems(items);
  combo->setCurrentIndex(-1);
  combo->setEditText(QString());
  return combo;
}

QStringList numbers(int first, int last, const QString& prefix = {}) {
  QStringList items;
  for (int n = first; n <= last; ++n) items << prefix + QString::number(n);
  return items;
}

QString caption_of(QWidget* group) { return static_cast<QGroupBox*>(group)->title().trimmed(); }

// An option button shows only its circle; the word above it is a label. A
// screen reader names it by its word and its group ("Alti, Toni H/L").
QRadioButton* option(QWidget* parent, const char* name, const QString& word, int left, int label_top) {
  label(parent, "", word, twips(left, label_top, 615, 255));
  auto* button = place(new QRadioButton(parent), name, twips(left, label_top + 270, 255, 255));
  button->setAccessibleName(word.trimmed() + ", " + caption_of(parent));
  return button;
}

// A field or list is named by its caption: its group's, or its own label's
// (its buddy) followed by the group's.
template <typename W>
W* named(W* control, QLabel* own_label = nullptr) {
  const QString group = caption_of(control->parentWidget());
  if (!own_label) {
    control->setAccessibleName(group);
  } else {
    own_label->setBuddy(control);
    control->setAccessibleName(group.isEmpty() ? own_label->text() : own_label->text() + ", " + group);
  }
  return control;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, QRect geometry,
                    const QString& tooltip = {}) {
  auto* b = place(new QPushButton(caption, parent), name, geometry);
  b->setToolTip(tooltip);
  return b;
}

}  // namespace

PrincipaleControls build_principale_controls(QWidget* w) {
  PrincipaleControls c{};

  c.Image1 = label(w, "Image1", {}, twips(240, 240, 1650, 915));
  c.Image1->setScaledContents(true);
  c.Label7 = label(w, "Label7", "Configuratore Per Quarn", twips(3720, 240, 3360, 375));
  QFont title_font = c.Label7->font();
  title_font.setPointSizeF(14.25);
  c.Label7->setFont(title_font);
  c.Label1 = label(w, "Label1", {}, twips(2040, 960, 4935, 255));
  c.lab_tipo_quarn = label(w, "lab_tipo_quarn", "New", twips(7080, 360, 1095, 255));

  auto* frame1 = group(w, "Frame1", "Codice Quarn", twips(240, 1440, 2055, 975));
  c.CodiceQuarn = named(text_box(frame1, "CodiceQuarn", twips(120, 360, 1095, 315)));
  label(frame1, "", "1 - 4096", twips(1320, 400, 700, 255));

  auto* frame2 = group(w, "Frame2", "Freq Tx Mhz", twips(2400, 1440, 2175, 975));
  c.FqTx = named(text_box(frame2, "FqTx", twips(120, 360, 1095, 315)));
  label(frame2, "", "150 - 174", twips(1320, 270, 800, 255));
  label(frame2, "", "400 - 470", twips(1320, 540, 800, 255));

  auto* frame3 = group(w, "Frame3", "Timer per rapina", twips(4680, 1440, 2175, 975));
  c.txb_tmp_rap = named(text_box(frame3, "txb_tmp_rap", twips(120, 360, 1095, 315)));
  label(frame3, "", "1 - 255 S", twips(1320, 400, 800, 255));

  auto* frame4 = group(w, "Frame4", "Timer Antiatterramento", twips(6960, 1440, 2175, 975));
  c.txb_amp = named(text_box(frame4, "txb_amp", twips(120, 360, 1095, 315)));
  label(frame4, "", "1 - 255 S", twips(1320, 400, 800, 255));

  auto* frame5 = group(w, "Frame5", "N° Ing di All", twips(240, 2640, 1335, 975));
  c.Cmb_n_ing_all = named(list(frame5, "Cmb_n_ing_all", numbers(1, 8), twips(120, 420, 1095, 315)));

  auto* battery = group(w, "batteria_scarica", "Batteria Scarica", twips(1920, 2640, 2895, 975));
  c.Opt_bat_si = option(battery, "Opt_bat_si", "Si", 180, 240);
  c.Opt_bat_no = option(battery, "Opt_bat_no", "No", 780, 240);
  auto* battery_input = label(battery, "", "Su Ing N°", twips(1440, 240, 1095, 255));
  c.Cmb_N_ing_bat = named(list(battery, "Cmb_N_ing_bat", numbers(1, 8), twips(1440, 510, 1095, 315)), battery_input);

  auto* frame6 = group(w, "Frame6", "N° di Tx Tot", twips(5160, 2640, 1335, 975));
  c.Cmb_n_tx_tot = named(list(frame6, "Cmb_n_tx_tot", numbers(1, 5), twips(120, 420, 1095, 315)));

  auto* frame15 = group(w, "Frame15", "Mono/Quarn ", twips(6840, 2640, 2295, 975));
  c.opt_quarn = option(frame15, "opt_quarn", "Quarn", 120, 240);
  c.Opt_mono = option(frame15, "Opt_mono", "Mono", 780, 240);
  auto* repeater = label(frame15, "", "Cod Rep", twips(1380, 240, 855, 255));
  c.cmb_Monorep = named(list(frame15, "cmb_Monorep", numbers(0, 63), twips(1380, 510, 795, 315)), repeater);

  auto* tx_mode = group(w, "tx_s_m", "TX Sing/Mult", twips(240, 3840, 2055, 975));
  c.Opt_tx_sing = option(tx_mode, "Opt_tx_sing", "Sing", 360, 240);
  c.Opt_tx_mult = option(tx_mode, "Opt_tx_mult", " Mult", 1200, 240);

  auto* tones = group(w, "toni_h_l", "Toni H/L", twips(2640, 3840, 2175, 975));
  c.Opt_toni_alti = option(tones, "Opt_toni_alti", "Alti", 360, 240);
  c.Opt_toni_bassi = option(tones, "Opt_toni_bassi", "Bassi", 1200, 240);

  auto* frame17 = group(w, "Frame17", "Filtro P. All", twips(5160, 3840, 1335, 975));
  auto* seconds = label(frame17, "", "Sec", twips(120, 240, 615, 255));
  c.Cmb_tmr_p_all = named(list(frame17, "Cmb_tmr_p_all", numbers(0, 5), twips(120, 510, 1095, 315)), seconds);

  auto* frame11 = group(w, "Frame11", "Stato di Connesione", twips(6840, 3840, 2295, 975));
  c.txb_stato_con = named(display_box(frame11, "txb_stato_con", twips(120, 420, 2055, 345)));

  auto* frame7 = group(w, "Frame7", {}, twips(600, 5040, 1575, 855));
  c.Cmd_connetti = button(frame7, "Cmd_connetti", "Connetti", twips(120, 180, 1335, 555),
                          "Abilita la comunicazione con lo Quarn");
  auto* frame14 = group(w, "Frame14", {}, twips(2760, 5040, 1575, 855));
  c.cmd_programma = button(frame14, "cmd_programma", "Programma", twips(120, 180, 1335, 555),
                           "Trasferisce i dati allo Quarn");
  auto* frame8 = group(w, "Frame8", {}, twips(4920, 5040, 1575, 855));
  c.Cmd_disconetti = button(frame8, "Cmd_disconetti", "Disconetti", twips(120, 180, 1335, 555),
                            "Chiude la comunicazione con lo Quarn");
  auto* frame13 = group(w, "Frame13", {}, twips(7080, 5040, 1455, 855));
  c.Command4 = button(frame13, "Command4", "ESCI", twips(120, 180, 1215, 555), "Chiude il Programma");

  auto* frame12 = group(w, "Frame12", {}, twips(360, 6000, 8655, 735));
  c.Text7 = display_box(frame12, "Text7", twips(120, 240, 8415, 375));
  c.Text7->setAccessibleName("Riga di aiuto");

  auto* frame16 = group(w, "Frame16", "Tx on", twips(360, 7080, 1455, 975));
  c.Cmd_tx = button(frame16, "Cmd_tx", "TX", twips(120, 300, 1215, 555));

  auto* frame9 = group(w, "Frame9", "Inizializza", twips(2040, 7080, 2895, 975));
  c.Cmd_init_vhf = button(frame9, "Cmd_init_vhf", "VHF", twips(120, 300, 855, 555), "Trasferisce i dati di Default");
  c.Cmd_init_uhf = button(frame9, "Cmd_init_uhf", "UHF", twips(1035, 300, 855, 555));
  c.OLd_new = place(new QCheckBox("Old", frame9), "OLd_new", twips(1995, 420, 795, 315));
  c.OLd_new->setAccessibleName("Old, " + caption_of(frame9));

  auto* frame10 = group(w, "Frame10", "Setup Com", twips(5160, 7080, 2175, 975));
  auto* port_label = label(frame10, "", "Porta", twips(120, 420, 615, 255));
  QFont port_font = port_label->font();
  port_font.setPointSizeF(9.75);
  port_label->setFont(port_font);
  c.Cmb_com = named(list(frame10, "Cmb_com", numbers(1, 8, "Com "), twips(780, 390, 1275, 315)), port_label);
  c.Cmb_com->setCurrentIndex(0);

  auto* frame18 = group(w, "Frame18", "Banda", twips(7560, 7080, 1455, 975));
  c.Text1 = named(display_box(frame18, "Text1", twips(120, 420, 1215, 345)));

  c.ProgressBar1 = place(new CachedGrooveProgressBar(w), "ProgressBar1", twips(480, 6240, 8415, 375));
  c.ProgressBar1->setTextVisible(false);
  c.ProgressBar1->hide();

  // Selections shown at start; set before any handler is connected, so they store nothing.
  c.Opt_bat_no->setChecked(true);
  c.Opt_tx_mult->setChecked(true);
  c.Opt_toni_alti->setChecked(true);
  c.Opt_mono->setChecked(true);

  const QList<QWidget*> tab_order = {
      c.cmb_Monorep,    c.Cmb_n_tx_tot,  c.Opt_toni_alti, c.Opt_toni_bassi, c.Opt_tx_mult, c.Opt_tx_sing,
      c.Opt_bat_no,     c.Opt_bat_si,    c.Cmb_N_ing_bat, c.CodiceQuarn,    c.FqTx,        c.txb_tmp_rap,
      c.txb_amp,        c.Cmb_n_ing_all, c.Cmd_connetti,  c.Cmd_disconetti, c.Cmd_init_vhf, c.Cmb_com,
      c.Text7,          c.Command4,      c.txb_stato_con, c.cmd_programma,  c.opt_quarn,  c.Opt_mono,
      c.Cmd_init_uhf,   c.Cmd_tx,        c.Cmb_tmr_p_all, c.Text1,          c.OLd_new};
  for (qsizetype i = 1; i < tab_order.size(); ++i) QWidget::setTabOrder(tab_order[i - 1], tab_order[i]);

  return c;
}

}  // namespace quarn
