// Replays the fuzzer's inputs through its checks: the seed corpus, and every
// input that once broke a rule (data/), so that a fault the fuzzer found stays
// fixed in the ordinary build and in the sanitizer build.
#include "FuzzChecks.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

const char* const kFolders[] = {KELMORA_FUZZ_CORPUS_DIR, KELMORA_TESTDATA_DIR};

QStringList inputsIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class TestFuzzReplay : public QObject {
    Q_OBJECT

private slots:
    void inputsPresent();
    void replay_data();
    void replay();
};

// An empty or misplaced folder would let the replay pass without replaying anything.
void TestFuzzReplay::inputsPresent()
{
    for (const char* folder : kFolders)
        QVERIFY2(inputsIn(folder).size() >= 3, folder);
}

void TestFuzzReplay::replay_data()
{
    QTest::addColumn<QString>("path");
    for (const char* folder : kFolders) {
        const QDir dir(folder);
        for (const QString& name : inputsIn(folder))
            QTest::newRow(qPrintable(QDir(dir.absolutePath() + "/..").dirName() + "/" + dir.dirName() + "/" + name))
                << dir.filePath(name);
    }
}

void TestFuzzReplay::replay()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    const QByteArray bytes = file.readAll();

    const kelmora::fuzz::Problems problems =
        kelmora::fuzz::CheckAll(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    QString report;
    for (const std::string& p : problems)
        report += "\n  " + QString::fromStdString(p);
    QVERIFY2(problems.empty(), qPrintable(report));
}

QTEST_GUILESS_MAIN(TestFuzzReplay)
#include "test_fuzz_replay.moc"
