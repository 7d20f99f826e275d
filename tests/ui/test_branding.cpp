#include "ui/branding.h"

#include <QRegularExpression>
#include <QTest>

namespace quarn {

class BrandingTest : public QObject {
  Q_OBJECT

 private slots:
  // Four parts (name, street, town, web address), each with single blanks at
  // most, between runs of 2 to 7 blanks, then the gap of 19 blanks.
  void vendorLineIsOneScrollingLine() {
    const QString line = branding::vendor_line();
    QCOMPARE(line.size(), 118);
    QVERIFY(line.endsWith(QString(19, u' ')));
    QVERIFY(line[118 - 20] != u' ');
    static const QRegularExpression layout(R"(^\S+( \S+)*( {2,7}\S+( \S+)*){3} {19}$)");
    QVERIFY(layout.match(line).hasMatch());
    QVERIFY(line.startsWith(branding::vendor_name() + "  "));
  }

  void helpTextsStartWithABlank() {
    QCOMPARE(branding::vendor_help(), u' ' + branding::vendor_line().trimmed());
    QVERIFY(branding::title_version_line().startsWith(" Configuratore Per Quarn "));
    QVERIFY(branding::title_version_line().endsWith(u' ' + branding::version()));
  }

  void picturesHaveTheirDesignSizes() {
    QCOMPARE(branding::logo().size(), QSize(553, 286));
    const QImage splash = branding::splash_picture().toImage();
    QCOMPARE(splash.size(), QSize(320, 480));
    QVERIFY(!splash.hasAlphaChannel());
  }
};

}  // namespace quarn

QTEST_MAIN(quarn::BrandingTest)
#include "test_branding.moc"
