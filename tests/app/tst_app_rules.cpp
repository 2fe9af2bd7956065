// Rules of the shell that need no window: the texts' conversion at the widget
// boundary, the number boxes, the instance lock.
#include "app/InstanceGuard.h"
#include "codec/Cp932.h"
#include "common/Files.h"
#include "settings/Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using namespace kelmora;

class AppRulesTest : public QObject {
    Q_OBJECT

private slots:
    void titleTypedWithJisFormsIsWritten()
    {
        // "（５月１日〜）" as a Linux input method types it: WAVE DASH U+301C.
        const auto bytes = cp932::FromUnicode(QStringLiteral("（５月１日\u301C）"));
        QVERIFY(bytes);
        // The same bytes as the code page's own FULLWIDTH TILDE: 0x81 0x60.
        QCOMPARE(*bytes, *cp932::FromUnicode(QStringLiteral("（５月１日～）")));
        QVERIFY(bytes->find("\x81\x60") != std::string::npos);
    }

    void jisFormsMapToTheirTwins_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("cp932");
        QTest::newRow("wave dash") << QStringLiteral("\u301C") << QByteArray("\x81\x60");
        QTest::newRow("double vertical line") << QStringLiteral("\u2016") << QByteArray("\x81\x61");
        QTest::newRow("minus sign") << QStringLiteral("\u2212") << QByteArray("\x81\x7C");
        QTest::newRow("cent") << QStringLiteral("\u00A2") << QByteArray("\x81\x91");
        QTest::newRow("pound") << QStringLiteral("\u00A3") << QByteArray("\x81\x92");
        QTest::newRow("not") << QStringLiteral("\u00AC") << QByteArray("\x81\xCA");
        QTest::newRow("em dash") << QStringLiteral("\u2014") << QByteArray("\x81\x5C");
    }
    void jisFormsMapToTheirTwins()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, cp932);
        const auto bytes = cp932::FromUnicode(typed);
        QVERIFY(bytes);
        QCOMPARE(QByteArray::fromStdString(*bytes), cp932);
    }

    void unencodableTextIsRefusedNotReplaced()
    {
        const QString title = QStringLiteral("座席表 😀 한국");
        QVERIFY(!cp932::FromUnicode(title));
        QCOMPARE(cp932::Unencodable(title), QStringLiteral("😀한국"));
        QCOMPARE(cp932::Unencodable(QStringLiteral("座席表")), QString());
    }

    void asciiIsWrittenAsItIs()
    {
        QString all;
        std::string bytes;
        for (char16_t c = 1; c < 0x80; ++c) {
            all += QChar(c);
            bytes += static_cast<char>(c);
        }
        QCOMPARE(cp932::FromUnicode(all), std::optional(bytes));
        QCOMPARE(cp932::ToUnicode(bytes), all);
    }

    void roundTripKeepsNecDigitsAndIbmKanji()
    {
        // Code page 932's extensions: circled digits, 髙 (IBM extension).
        const QString text = QStringLiteral("①髙﨑表ソ能");
        const auto bytes = cp932::FromUnicode(text);
        QVERIFY(bytes);
        QCOMPARE(cp932::ToUnicode(*bytes), text);
    }

    void invalidBytesShowAsReplacementCharacters_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        const QString bad(QChar::ReplacementCharacter);
        QTest::newRow("lone lead byte at the end") << QByteArray("A\x81") << QStringLiteral("A") + bad;
        QTest::newRow("lead byte before a space")
            << QByteArray("A\x81 B") << QStringLiteral("A") + bad + QStringLiteral(" B");
        QTest::newRow("never a character")
            << QByteArray("\xFF\xA0\x80\x95\x5C") << bad + bad + bad + QStringLiteral("表");
        QTest::newRow("half-width katakana") << QByteArray("\xB6\xC5") << QStringLiteral("ｶﾅ");
        // The converter alone would swap these three controls.
        QTest::newRow("controls stay") << QByteArray("\x1A\x1C\x7F") << QStringLiteral("\x1A\x1C\x7F");
    }
    void invalidBytesShowAsReplacementCharacters()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(cp932::ToUnicode(bytes.toStdString()), shown);
    }

    void numberBoxes()
    {
        QCOMPARE(ParseWholeNumber("12"), 12);
        QCOMPARE(ParseWholeNumber("-1"), -1);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, ParseWholeNumber(""));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, ParseWholeNumber("5a"));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, ParseWholeNumber(" 5"));
    }

    void instanceLockIsPerExecutablePath()
    {
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("a/kelmora"));
        const QString second = dir.filePath(QStringLiteral("b/kelmora"));
        QVERIFY(QDir().mkpath(dir.filePath("a")) && QDir().mkpath(dir.filePath("b")));
        for (const QString& p : {first, second})
            testing::writeBytes(p, {});
        InstanceLock a, again, other;
        QCOMPARE(a.acquire(first), InstanceLock::Result::Acquired);
        QCOMPARE(again.acquire(first), InstanceLock::Result::HeldElsewhere);
        QVERIFY(!again.held());
        QCOMPARE(other.acquire(second), InstanceLock::Result::Acquired);
        // Reached through a symbolic link, it is still the same file.
        const QString link = dir.filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(first, link));
        QCOMPARE(again.acquire(link), InstanceLock::Result::HeldElsewhere);
        a.release();
        QCOMPARE(again.acquire(first), InstanceLock::Result::Acquired);
    }
};

QTEST_GUILESS_MAIN(AppRulesTest)
#include "tst_app_rules.moc"
