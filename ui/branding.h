#pragma once
// Everything that names the vendor and the product edition. A distributor
// rebrands the program by editing branding.cpp and the pictures in branding/.

#include <QPixmap>
#include <QString>

namespace quarn::branding {

QString vendor_name();
// The words before the vendor name on the splash window.
QString vendor_lead_in();
// The window caption that the marquee scrolls: name, street, town and web
// address, 118 characters with a gap of 19 blanks at the end.
QString vendor_line();
// The help text of the logo: the vendor line after a leading blank.
QString vendor_help();
QString version();
// The help text of the title label: a leading blank, the title and version.
QString title_version_line();

QPixmap logo();            // 553 x 286
QPixmap splash_picture();  // 320 x 480

}  // namespace quarn::branding
