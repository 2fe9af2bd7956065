// Roster files in the encodings a spreadsheet saves: code page 932 read byte for
// byte, UTF-8 converted to code page 932 first, UTF-16 refused.
#include "common/Sjis.h"
#include "roster/RosterReader.h"
#include "roster/RosterText.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QtTest>

#include <array>

using namespace kelmora;
using cp932::FileEncoding;
using ::testing::sj;

namespace {

std::string readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll().toStdString();
}

struct Read {
    int result = 0;
    int columnCount = 0;
    RosterTable table;
    RosterTextNotes notes;
};

Read readText(std::string_view bytes)
{
    Read r;
    r.result = ReadRosterText(r.table, bytes, r.columnCount, &r.notes);
    return r;
}

// The same file as LibreOffice saves it in UTF-8.
std::string asUtf8(const std::string& cp932Bytes, bool bom)
{
    const QString text = testing::fromSj(cp932Bytes);
    return (bom ? "\xEF\xBB\xBF" : "") + text.toUtf8().toStdString();
}

// Common names, with a few that begin with a JIS level-2 kanji (first byte 0xE0
// and up, the only first bytes that can start a UTF-8 sequence).
struct Name {
    const char16_t* kanji;
    const char16_t* reading;
};
constexpr Name kFamilies[] = {{u"佐藤", u"さとう"},     {u"鈴木", u"すずき"},   {u"高橋", u"たかはし"},
                              {u"田中", u"たなか"},     {u"渡辺", u"わたなべ"}, {u"佐々木", u"ささき"},
                              {u"長谷川", u"はせがわ"}, {u"林", u"はやし"},     {u"齋藤", u"さいとう"},
                              {u"濱田", u"はまだ"},     {u"澤田", u"さわだ"},   {u"邊見", u"へんみ"},
                              {u"齊藤", u"さいとう"},   {u"藪内", u"やぶうち"}, {u"髙野", u"たかの"}};
constexpr Name kGivens[] =
    {{u"翔太", u"しょうた"},       {u"蓮", u"れん"},   {u"陽翔", u"はると"}, {u"結衣", u"ゆい"}, {u"美咲", u"みさき"},
     {u"莉子", u"りこ"},           {u"紬", u"つむぎ"}, {u"瑛太", u"えいた"}, {u"璃子", u"りこ"}, {u"燈", u"あかり"},
     {u"龍之介", u"りゅうのすけ"}, {u"麟", u"りん"},   {u"凜", u"りん"}};

// A roster a teacher might save: 1 to 45 students in one of the three forms,
// with or without the comment lines around them, CR LF or LF.
std::string randomRoster(QRandomGenerator& rng)
{
    const int form = std::array{2, 3, 6}[rng.bounded(3)];
    const char* eol = rng.bounded(2) ? "\r\n" : "\n";
    const bool comments = rng.bounded(3) == 0;
    QString text;
    if (comments)
        text += QStringLiteral("% -----　ここから") + eol;
    const int students = 1 + int(rng.bounded(45));
    for (int i = 1; i <= students; ++i) {
        const Name& f = kFamilies[rng.bounded(int(std::size(kFamilies)))];
        const Name& g = kGivens[rng.bounded(int(std::size(kGivens)))];
        const QString family = QString::fromUtf16(f.kanji), given = QString::fromUtf16(g.kanji);
        text += QStringLiteral("$,%1,%2\u3000%3").arg(i).arg(family, given);
        if (form >= 3)
            text += "," + family;
        if (form == 6)
            text += "," + given + "," + QString::fromUtf16(f.reading) + "," + QString::fromUtf16(g.reading);
        text += eol;
    }
    if (comments)
        text += QStringLiteral("% ----- ここまで") + eol;
    return sj(text);
}

} // namespace

class TestRosterText : public QObject {
    Q_OBJECT

private slots:
    void examplesInBothEncodings();
    void shiftJisNameListsReadAsBefore();
    void utf8CharactersWithoutShiftJisForm();
    void charactersThatShowNothingAreDropped();
    void joinedFilesAndOldLineEnds();
    void utf16IsRefused();
};

// The examples read byte for byte as Shift-JIS; saved as UTF-8, with or without the
// byte-order mark, they read to the very same records.
void TestRosterText::examplesInBothEncodings()
{
    for (const char* name : {"roster2.csv", "roster3.csv", "roster6.csv"}) {
        const std::string bytes = readFile(QDir(KELMORA_EXAMPLES_DIR).filePath(name));
        RosterTable direct;
        int directColumns = 0;
        const int directResult = ReadRosterBytes(direct, bytes, directColumns);
        QVERIFY(directResult > 0);

        const Read r = readText(bytes);
        QCOMPARE(r.notes.encoding, FileEncoding::Cp932);
        QCOMPARE(r.result, directResult);
        QCOMPARE(r.columnCount, directColumns);
        QVERIFY2(r.table == direct, name);

        for (const bool bom : {false, true}) {
            const Read u = readText(asUtf8(bytes, bom));
            QCOMPARE(u.notes.encoding, FileEncoding::Utf8);
            QCOMPARE(u.result, directResult);
            QCOMPARE(u.columnCount, directColumns);
            QVERIFY2(u.table == direct, name);
            QVERIFY(u.notes.changed.empty());
        }
    }
}

// Many random Shift-JIS name lists: none is taken for UTF-8, each reads byte for byte.
void TestRosterText::shiftJisNameListsReadAsBefore()
{
    QRandomGenerator rng(20260932);
    for (int k = 0; k < 3000; ++k) {
        const std::string bytes = randomRoster(rng);
        RosterTable direct;
        int directColumns = 0;
        const int directResult = ReadRosterBytes(direct, bytes, directColumns);
        const Read r = readText(bytes);
        QVERIFY2(r.notes.encoding == FileEncoding::Cp932, bytes.c_str());
        QVERIFY(r.result == directResult && r.columnCount == directColumns && r.table == direct);
    }
}

// A character code page 932 lacks becomes 〓 and its line is reported with the
// texts that hold it; the JIS forms typed on Linux take their twins; bytes that
// are no UTF-8 become 〓 as well, even at the very end; nothing else is lost.
void TestRosterText::utf8CharactersWithoutShiftJisForm()
{
    const std::string file = "\xEF\xBB\xBF% 𠮷 in a comment\r\n"
                             "$,1,𠮷田　太郎,𠮷田,太郎,よしだ,たろう\r\n"
                             "$,2,髙橋　花子,髙橋,花子,たかはし,はなこ〜\r\n"
                             "$,3,岡﨑　\xFF①,岡﨑,\xFF①,おかざき,いち\xE3\x81"; // cut off by the end
    const Read r = readText(file);
    QCOMPARE(r.notes.encoding, FileEncoding::Utf8);
    QCOMPARE(r.result, 3);
    QCOMPARE(r.columnCount, 6);
    QVERIFY(r.table[0] == (Seito{"1", sj("〓田　太郎"), sj("〓田"), sj("太郎"), sj("よしだ"), sj("たろう")}));
    QVERIFY(r.table[1] == (Seito{"2", sj("髙橋　花子"), sj("髙橋"), sj("花子"), sj("たかはし"), sj("はなこ～")}));
    QVERIFY(r.table[2] == (Seito{"3", sj("岡﨑　〓①"), sj("岡﨑"), sj("〓①"), sj("おかざき"), sj("いち〓〓")}));
    const std::vector<RosterTextNotes::ChangedLine> changed{{2, {sj("〓田　太郎"), sj("〓田")}},
                                                            {4, {sj("岡﨑　〓①"), sj("〓①"), sj("いち〓〓")}}};
    QVERIFY(r.notes.changed == changed);
}

// What shows nothing in a name does not become a 〓 the teacher cannot find:
// variation selectors (葛 and 辻 as school systems write them), zero-width and
// soft hyphens go, decomposed kana compose. A gaiji (private use) is no
// character of the code page and is named; a kanji of the compatibility block
// keeps its own form.
void TestRosterText::charactersThatShowNothingAreDropped()
{
    const std::string file = "$,1,葛\U000E0100西　辻\uFE00,葛西\n"
                             "$,2,ゼ\u200Bロ\u00AD,ゼ\u2060ロ\n"
                             "$,3,か\u3099く\u200B\u3099,は\u309Aる\n" // the zero-width space does not stop the mark
                             "$,4,\uE000田,Rene\u0301e\n"
                             "$,5,\uFA10本,ａｬ\n";
    const Read r = readText(file);
    QCOMPARE(r.result, 5);
    QVERIFY(r.table[0] == (Seito{"1", sj("葛西　辻"), sj("葛西"), {}, {}, {}}));
    QVERIFY(r.table[1] == (Seito{"2", sj("ゼロ"), sj("ゼロ"), {}, {}, {}}));
    QVERIFY(r.table[2] == (Seito{"3", sj("がぐ"), sj("ぱる"), {}, {}, {}}));
    QVERIFY(r.table[3] == (Seito{"4", sj("〓田"), sj("Ren〓e"), {}, {}, {}}));
    QVERIFY(r.table[4] == (Seito{"5", sj(u"\uFA10本"), sj("ａｬ"), {}, {}, {}}));
    // 「ａｬ」 ends in the bytes of 〓 (0x82 0x81 0xAC) without holding it.
    const std::vector<RosterTextNotes::ChangedLine> changed{{4, {sj("〓田"), sj("Ren〓e")}}};
    QVERIFY(r.notes.changed == changed);
    const Read listed = readText("$,1,ａｬ,\uE000\n");
    QVERIFY(listed.notes.changed == (std::vector<RosterTextNotes::ChangedLine>{{1, {sj("〓")}}}));
}

// Two "CSV UTF-8" files joined (copy /b a.csv+b.csv) bring a second byte-order
// mark to the start of a line; an old "CSV (Macintosh)" ends lines with CR
// alone. Every student is read, and changed lines are counted by the same ends.
void TestRosterText::joinedFilesAndOldLineEnds()
{
    const std::string bom = "\xEF\xBB\xBF";
    const Read joined = readText(bom + "$,1,青木　健太\r\n" + bom + "$,2,新井　美咲\r\n$,3,池田\uFEFF　大輝\r\n");
    QCOMPARE(joined.result, 3);
    QVERIFY(joined.table[1] == (Seito{"2", sj("新井　美咲"), {}, {}, {}, {}}));
    QVERIFY(joined.table[2] == (Seito{"3", sj("池田　大輝"), {}, {}, {}, {}}));
    QVERIFY(joined.notes.changed.empty());

    for (const std::string eol : {"\r", "\n", "\r\n"}) {
        const Read r = readText("% 名簿" + eol + "$,1,𠮷田" + eol + eol + "$,2,髙橋" + eol + "$,3,①\uE001" + eol);
        QCOMPARE(r.result, 3);
        QCOMPARE(r.columnCount, 2);
        QVERIFY(r.table[1] == (Seito{"2", sj("髙橋"), {}, {}, {}, {}}));
        const std::vector<RosterTextNotes::ChangedLine> changed{{2, {sj("〓田")}}, {5, {sj("①〓")}}};
        QVERIFY(r.notes.changed == changed);
    }
}

// Nothing is read, in either byte order: as a file without data lines.
void TestRosterText::utf16IsRefused()
{
    for (const auto order : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        QStringEncoder encoder(order, QStringConverter::Flag::WriteBom);
        const QByteArray bytes = encoder.encode(QStringLiteral("$,1,山田　太郎,山田\r\n$,2,鈴木　花子,鈴木\r\n"));
        const Read r = readText(std::string_view(bytes.constData(), std::size_t(bytes.size())));
        QCOMPARE(r.notes.encoding, FileEncoding::Utf16);
        QCOMPARE(r.result, 0);
        QCOMPARE(r.columnCount, 0);
        QVERIFY(r.table.empty());
    }
}

QTEST_GUILESS_MAIN(TestRosterText)
#include "test_roster_text.moc"
