#include <QTest>
class MascotWindowTest : public QObject { Q_OBJECT };
QTEST_MAIN(MascotWindowTest)
#include "tst_mascot_window.moc"
