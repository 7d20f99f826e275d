#include "ui/branding.h"

// Resources of a static library register only when asked to, outside any namespace.
static void register_pictures() { Q_INIT_RESOURCE(branding); }

namespace quarn::branding {

QString vendor_name() { return QStringLiteral("Quelmora Elettronica S.r.l."); }

QString vendor_lead_in() { return QStringLiteral("Prodotto da"); }

QString vendor_line() {
  return QStringLiteral(
      "Quelmora Elettronica S.r.l.     Via dei Tessitori 14     Valdimora - Italia    www.quelmora.example"
      "                   ");
}

QString vendor_help() { return u' ' + vendor_line().trimmed(); }

// QUARN_VERSION is the project version that the build passes in.
QString version() { return QStringLiteral(QUARN_VERSION); }

QString title_version_line() { return QStringLiteral(" Configuratore Per Quarn  Versione ") + version(); }

QPixmap logo() {
  register_pictures();
  return QPixmap(QStringLiteral(":/branding/logo.png"));
}

QPixmap splash_picture() {
  register_pictures();
  return QPixmap(QStringLiteral(":/branding/splash.png"));
}

}  // namespace quarn::branding
