#pragma once
// The controls of the main window, by the names the rest of the program uses.
// Every control also carries its name as objectName.

#include "ui/pick_list.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QWidget;

namespace quarn {

struct PrincipaleControls {
  QLabel* Image1;
  QLabel* Label7;
  QLabel* Label1;
  QLabel* lab_tipo_quarn;

  QLineEdit* CodiceQuarn;
  QLineEdit* FqTx;
  QLineEdit* txb_tmp_rap;
  QLineEdit* txb_amp;
  PickList* Cmb_n_ing_all;
  QRadioButton* Opt_bat_si;
  QRadioButton* Opt_bat_no;
  PickList* Cmb_N_ing_bat;
  PickList* Cmb_n_tx_tot;
  QRadioButton* opt_quarn;
  QRadioButton* Opt_mono;
  PickList* cmb_Monorep;
  QRadioButton* Opt_tx_sing;
  QRadioButton* Opt_tx_mult;
  QRadioButton* Opt_toni_alti;
  QRadioButton* Opt_toni_bassi;
  PickList* Cmb_tmr_p_all;
  QLineEdit* txb_stato_con;

  QPushButton* Cmd_connetti;
  QPushButton* cmd_programma;
  QPushButton* Cmd_disconetti;
  QPushButton* Command4;
  QLineEdit* Text7;
  QPushButton* Cmd_tx;
  QPushButton* Cmd_init_vhf;
  QPushButton* Cmd_init_uhf;
  QCheckBox* OLd_new;
  PickList* Cmb_com;
  QLineEdit* Text1;

  QProgressBar* ProgressBar1;
};

// Builds the whole inventory inside `window` (positions from twips at 15 per
// pixel), sets the selections, items, tooltips and tab order of a fresh window.
PrincipaleControls build_principale_controls(QWidget* window);

}  // namespace quarn
