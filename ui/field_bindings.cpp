#include "ui/field_bindings.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

namespace quarn {

FieldValues read_fields(const PrincipaleControls& controls) {
  FieldValues values;
  for (const FieldBinding& binding : field_bindings) {
    const SettingDeclaration& setting = quarn::setting(binding.key);
    if (binding.box) values.*setting.text = (controls.*binding.box)->text().toStdString();
    if (binding.list) values.*setting.text = (controls.*binding.list)->currentText().toStdString();
    if (binding.buttons[0]) values.*setting.option = (controls.*binding.buttons[setting.value_when_true])->isChecked();
  }
  return values;
}

void show_field(const PrincipaleControls& controls, const FieldBinding& binding, const FieldValues& values) {
  const SettingDeclaration& setting = quarn::setting(binding.key);
  if (binding.box) (controls.*binding.box)->setText(QString::fromStdString(values.*setting.text));
  if (binding.list) (controls.*binding.list)->showText(QString::fromStdString(values.*setting.text));
  if (binding.buttons[0]) {
    (controls.*binding.buttons[option_cell_value(setting, values.*setting.option)])->setChecked(true);
  }
}

void empty_fields(const PrincipaleControls& controls) {
  for (const FieldBinding& binding : field_bindings) {
    if (binding.box) (controls.*binding.box)->clear();
    if (binding.list) (controls.*binding.list)->setEditText(QString());
  }
}

}  // namespace quarn
