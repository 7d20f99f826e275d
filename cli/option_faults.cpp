#include "cli/option_faults.h"

namespace quarn::cli {
namespace {

const QCommandLineOption* option_named(const QList<QCommandLineOption>& options, const QString& name) {
  for (const QCommandLineOption& o : options) {
    if (o.names().contains(name)) return &o;
  }
  return nullptr;
}

}  // namespace

std::optional<OptionRefusal> option_fault(const QStringList& arguments, const QList<QCommandLineOption>& options) {
  std::optional<OptionRefusal> unknown;
  std::optional<OptionRefusal> value_fault;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments.at(i);
    if (argument == QStringLiteral("--")) break;  // the rest are arguments
    if (!argument.startsWith(u'-') || argument.size() == 1) continue;  // "-" is an argument too
    const qsizetype assign = argument.indexOf(u'=');
    const QString name = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1).section(u'=', 0, 0);
    const QCommandLineOption* option = option_named(options, name);
    if (!option) {
      if (!unknown) unknown = OptionRefusal{OptionFault::Unknown, (name.size() == 1 ? "-" : "--") + name};
    } else if (option->valueName().isEmpty()) {
      if (assign >= 0) value_fault = OptionRefusal{OptionFault::UnexpectedValue, argument.left(assign)};
    } else if (assign < 0) {
      if (++i == arguments.size()) value_fault = OptionRefusal{OptionFault::MissingValue, argument};
    }
  }
  return unknown ? unknown : value_fault;
}

UsageError usage_error(const OptionRefusal& refusal) {
  switch (refusal.fault) {
    case OptionFault::Unknown:
      return {QString("Opzione sconosciuta \"%1\"").arg(refusal.option)};
    case OptionFault::MissingValue:
      return {refusal.option + " vuole un valore"};
    case OptionFault::UnexpectedValue:
      return {refusal.option + " non vuole un valore"};
  }
  return {refusal.option};
}

}  // namespace quarn::cli
