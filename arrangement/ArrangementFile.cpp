// Arrangement files: UTF-8 JSON, read and written with Qt's JSON classes.
#include "arrangement/Arrangement.h"
#include "arrangement/RecordedStudents.h"
#include "codec/Cp932.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>
#include <optional>
#include <set>
#include <utility>

namespace kelmora {

// A JSON string when the text comes back byte for byte; otherwise (bytes that are
// no character of the code page) its bytes in hex, never U+FFFD.
QJsonValue RosterTextValue(const std::string& bytes)
{
    const QString unicode = cp932::ToUnicode(bytes);
    if (const auto back = cp932::FromUnicode(unicode); back && *back == bytes)
        return unicode;
    return QJsonObject{{QStringLiteral("cp932"), QString::fromLatin1(QByteArray::fromStdString(bytes).toHex())}};
}

std::optional<std::string> RosterTextBytes(const QJsonValue& value)
{
    if (value.isString())
        return cp932::FromUnicode(value.toString());
    const QJsonObject o = value.toObject();
    if (o.size() != 1 || !o.value(QStringLiteral("cp932")).isString())
        return std::nullopt;
    const QByteArray hex = o.value(QStringLiteral("cp932")).toString().toLatin1();
    const QByteArray bytes = QByteArray::fromHex(hex);
    if (bytes.toHex() != hex.toLower())
        return std::nullopt;
    return bytes.toStdString();
}

namespace {

const QString kFormat = QStringLiteral("kelmora-arrangement");

// Opening the code page's converter costs more than converting a name, and a file
// holds three texts a student: they go through it together, joined by line feeds.
// No roster text holds one, and no character's bytes contain it, so the pieces
// convert as they would alone.
std::vector<QJsonValue> textValues(const std::vector<const std::string*>& texts)
{
    std::string joined;
    bool separable = true;
    for (const std::string* t : texts) {
        separable = separable && t->find('\n') == std::string::npos;
        joined += *t;
        joined += '\n';
    }
    std::vector<QJsonValue> values;
    values.reserve(texts.size());
    const QString unicode = cp932::ToUnicode(joined);
    if (const auto back = cp932::FromUnicode(unicode); separable && back && *back == joined) {
        for (const QString& piece : unicode.split(QLatin1Char('\n')).mid(0, qsizetype(texts.size())))
            values.emplace_back(piece);
        return values;
    }
    for (const std::string* t : texts)
        values.push_back(RosterTextValue(*t));
    return values;
}

void addTexts(std::vector<const std::string*>& texts, const PlacedStudent& s)
{
    texts.insert(texts.end(), {&s.number, &s.fullName, &s.text});
}

QJsonObject studentObject(const PlacedStudent& s, std::vector<QJsonValue>::const_iterator& text)
{
    QJsonObject o{{QStringLiteral("number"), text[0]},
                  {QStringLiteral("fullName"), text[1]},
                  {QStringLiteral("text"), text[2]},
                  {QStringLiteral("position"), s.position}};
    text += 3;
    return o;
}

} // namespace

QByteArray WriteArrangement(const Arrangement& a)
{
    std::vector<const std::string*> allTexts;
    for (const PlacedDesk& d : a.desks)
        addTexts(allTexts, d.student);
    for (const PlacedStudent& s : a.queue)
        addTexts(allTexts, s);
    const std::vector<QJsonValue> values = textValues(allTexts);
    auto text = values.cbegin();

    QJsonArray desks;
    for (const PlacedDesk& d : a.desks) {
        QJsonObject o = studentObject(d.student, text);
        o.insert(QStringLiteral("column"), d.column);
        o.insert(QStringLiteral("row"), d.row);
        desks.append(o);
    }
    QJsonArray queue;
    for (const PlacedStudent& s : a.queue)
        queue.append(studentObject(s, text));

    QJsonObject root{
        {QStringLiteral("format"), kFormat},
        {QStringLiteral("version"), kArrangementVersion},
        {QStringLiteral("columns"), a.columns},
        {QStringLiteral("rows"), a.rows},
        {QStringLiteral("title"), a.title},
        {QStringLiteral("nameMode"),
         a.nameMode == NameMode::FamilyName ? QStringLiteral("familyName") : QStringLiteral("fullName")},
        {QStringLiteral("ruby"), a.ruby},
        {QStringLiteral("geometry"), QJsonObject{{QStringLiteral("gridWidth"), a.geometry.width},
                                                 {QStringLiteral("gridHeight"), a.geometry.height},
                                                 {QStringLiteral("columnWidth"), a.geometry.columnWidth},
                                                 {QStringLiteral("rowHeight"), a.geometry.rowHeight},
                                                 {QStringLiteral("fontSize"), a.geometry.fontSize}}},
        {QStringLiteral("desks"), desks},
        {QStringLiteral("queue"), queue},
        {QStringLiteral("roster"), a.rosterPath},
    };
    if (!a.draft.isEmpty())
        root.insert(QStringLiteral("draft"), a.draft);
    if (!a.history.isUndefined())
        root.insert(QStringLiteral("history"), a.history);
    // "format" leads the file, where the desktop's type detection (shared-mime-info's
    // magic, which reads only the first bytes) looks for it; Qt's writer would sort
    // it after the desks.
    root.remove(QStringLiteral("format"));
    const QByteArray rest = QJsonDocument(root).toJson(QJsonDocument::Indented);
    return QByteArrayLiteral("{\n    \"format\": \"") + kFormat.toUtf8() + QByteArrayLiteral("\",\n") + rest.mid(2);
}

namespace {

// Reading stops at the first problem, which is thrown as the user's sentence.
struct Problem {
    QString text;
};

[[noreturn]] void fail(const QString& text)
{
    throw Problem{text};
}

QString where(const QString& context, const QString& key)
{
    return context.isEmpty() ? key : QStringLiteral("%1 の %2").arg(context, key);
}

QJsonValue required(const QJsonObject& o, const QString& key, const QString& context)
{
    const QJsonValue v = o.value(key);
    if (v.isUndefined())
        fail(QStringLiteral("「%1」がありません。").arg(where(context, key)));
    return v;
}

int wholeNumber(const QJsonObject& o, const QString& key, int low, int high, const QString& context = {})
{
    const QJsonValue v = required(o, key, context);
    const double d = v.toDouble();
    if (!v.isDouble() || std::trunc(d) != d)
        fail(QStringLiteral("「%1」が整数ではありません。").arg(where(context, key)));
    // Compared as a double: a number like 1e54 has no integer to be cast to.
    if (d < low || d > high)
        fail(QStringLiteral("「%1」の値 %2 が範囲 %3〜%4 の外です。")
                 .arg(where(context, key), QString::number(d, 'g', 15))
                 .arg(low)
                 .arg(high));
    return static_cast<int>(d);
}

QString string(const QJsonObject& o, const QString& key, const QString& context = {})
{
    const QJsonValue v = required(o, key, context);
    if (!v.isString())
        fail(QStringLiteral("「%1」が文字列ではありません。").arg(where(context, key)));
    return v.toString();
}

// Roster texts given as JSON strings are converted together after the parse (see
// textValues); until then they wait here with the place they belong to.
struct PendingText {
    QString text;
    QString where;
    std::string* target;
};

std::string rosterText(const QJsonObject& o, const QString& key, const QString& context,
                       std::vector<PendingText>& pending, std::string* target)
{
    const QJsonValue v = required(o, key, context);
    if (v.isString()) {
        pending.push_back({v.toString(), where(context, key), target});
        return {};
    }
    if (v.isObject())
        if (auto bytes = RosterTextBytes(v))
            return std::move(*bytes);
    fail(QStringLiteral("「%1」が文字列ではありません。").arg(where(context, key)));
}

void convertPending(const std::vector<PendingText>& pending)
{
    QString joined;
    bool separable = true;
    for (const PendingText& p : pending) {
        separable = separable && !p.text.contains(QLatin1Char('\n'));
        joined += p.text;
        joined += QLatin1Char('\n');
    }
    if (const auto bytes = cp932::FromUnicode(joined); separable && bytes) {
        std::size_t start = 0;
        for (const PendingText& p : pending) {
            const std::size_t end = bytes->find('\n', start);
            p.target->assign(*bytes, start, end - start);
            start = end + 1;
        }
        return;
    }
    for (const PendingText& p : pending) {
        const auto bytes = cp932::FromUnicode(p.text);
        if (!bytes)
            fail(QStringLiteral("「%1」に名簿(Shift-JIS)で使えない文字があります: %2")
                     .arg(p.where, cp932::Unencodable(p.text)));
        *p.target = *bytes;
    }
}

QJsonArray array(const QJsonObject& o, const QString& key)
{
    const QJsonValue v = required(o, key, {});
    if (!v.isArray())
        fail(QStringLiteral("「%1」が配列ではありません。").arg(key));
    return v.toArray();
}

QJsonObject object(const QJsonValue& v, const QString& context)
{
    if (!v.isObject())
        fail(QStringLiteral("「%1」がオブジェクトではありません。").arg(context));
    return v.toObject();
}

// Fills `s`, which stays where it is until the pending texts are converted.
void student(const QJsonObject& o, const QString& context, PlacedStudent& s, std::vector<PendingText>& pending)
{
    s.number = rosterText(o, QStringLiteral("number"), context, pending, &s.number);
    s.fullName = rosterText(o, QStringLiteral("fullName"), context, pending, &s.fullName);
    s.text = rosterText(o, QStringLiteral("text"), context, pending, &s.text);
    s.position = wholeNumber(o, QStringLiteral("position"), 1, 0x7fffffff, context);
    const QJsonValue text = o.value(QStringLiteral("text"));
    if (text.isString() ? text.toString().isEmpty() : s.text.empty())
        fail(QStringLiteral("「%1」が空です。").arg(where(context, QStringLiteral("text"))));
}

Arrangement parse(const QJsonObject& root)
{
    if (root.value(QStringLiteral("format")) != QJsonValue(kFormat))
        fail(QStringLiteral("Kelmora の座席配置ファイルではありません。"));
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble())
        fail(QStringLiteral("版(version)がありません。"));
    if (version.toDouble() != kArrangementVersion)
        fail(QStringLiteral("この版(%1)の座席配置ファイルは読めません。読めるのは版 %2 です。")
                 .arg(version.toDouble())
                 .arg(kArrangementVersion));

    Arrangement a;
    a.columns = wholeNumber(root, QStringLiteral("columns"), 1, 12);
    a.rows = wholeNumber(root, QStringLiteral("rows"), 1, 12);
    a.title = string(root, QStringLiteral("title"));
    const QString mode = string(root, QStringLiteral("nameMode"));
    if (mode == QLatin1String("fullName"))
        a.nameMode = NameMode::FullName;
    else if (mode == QLatin1String("familyName"))
        a.nameMode = NameMode::FamilyName;
    else
        fail(QStringLiteral("「nameMode」の値「%1」は fullName でも familyName でもありません。").arg(mode));
    const QJsonValue ruby = required(root, QStringLiteral("ruby"), {});
    if (!ruby.isBool())
        fail(QStringLiteral("「ruby」が true でも false でもありません。"));
    a.ruby = ruby.toBool();

    const QString geometry = QStringLiteral("geometry");
    const QJsonObject g = object(required(root, geometry, {}), geometry);
    a.geometry.width = wholeNumber(g, QStringLiteral("gridWidth"), 200, 436, geometry);
    a.geometry.height = wholeNumber(g, QStringLiteral("gridHeight"), 100, 259, geometry);
    a.geometry.columnWidth = wholeNumber(g, QStringLiteral("columnWidth"), 40, 100, geometry);
    a.geometry.rowHeight = wholeNumber(g, QStringLiteral("rowHeight"), 16, 30, geometry);
    a.geometry.fontSize = wholeNumber(g, QStringLiteral("fontSize"), 1, 20, geometry);

    std::set<std::pair<int, int>> taken;
    std::vector<PendingText> pending;
    const QJsonArray desks = array(root, QStringLiteral("desks"));
    const QJsonArray queue = array(root, QStringLiteral("queue"));
    // Sized once: the pending texts point into these students.
    a.desks.resize(std::size_t(desks.size()));
    a.queue.resize(std::size_t(queue.size()));
    for (qsizetype i = 0; i < desks.size(); ++i) {
        const QString context = QStringLiteral("desks[%1]").arg(i);
        const QJsonObject o = object(desks[i], context);
        PlacedDesk& d = a.desks[std::size_t(i)];
        d.column = wholeNumber(o, QStringLiteral("column"), 0, SeatTable::kSize - 1, context);
        d.row = wholeNumber(o, QStringLiteral("row"), 0, SeatTable::kSize - 1, context);
        if (!taken.insert({d.column, d.row}).second)
            fail(QStringLiteral("机 (%1, %2) が二度記録されています。").arg(d.column).arg(d.row));
        student(o, context, d.student, pending);
    }
    for (qsizetype i = 0; i < queue.size(); ++i) {
        const QString context = QStringLiteral("queue[%1]").arg(i);
        student(object(queue[i], context), context, a.queue[std::size_t(i)], pending);
    }
    convertPending(pending);
    a.rosterPath = string(root, QStringLiteral("roster"));
    // Read by ReadDraftRecord, which passes over what it cannot use: conditions for
    // the next draft are not worth refusing the desks for.
    a.draft = root.value(QStringLiteral("draft")).toObject();
    // Read by ReadHistory, which leaves out the entries it cannot use.
    a.history = root.value(QStringLiteral("history"));
    return a;
}

} // namespace

std::variant<Arrangement, QString> ReadArrangement(const QByteArray& bytes)
{
    if (bytes.size() > kMaxArrangementBytes)
        return QStringLiteral("ファイルが大きすぎます(上限 %1 MB)。").arg(kMaxArrangementBytes / (1024 * 1024));
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        const bool cut = error.offset >= bytes.trimmed().size() || error.error == QJsonParseError::UnterminatedObject
                         || error.error == QJsonParseError::UnterminatedArray
                         || error.error == QJsonParseError::UnterminatedString;
        if (bytes.trimmed().isEmpty())
            return QStringLiteral("ファイルが空です。");
        if (cut)
            return QStringLiteral("ファイルが途中で切れています(JSON が %1 バイト目で終わっています)。")
                .arg(bytes.size());
        return QStringLiteral("JSON として読めません(%1 バイト目: %2)。").arg(error.offset).arg(error.errorString());
    }
    if (!doc.isObject())
        return QStringLiteral("Kelmora の座席配置ファイルではありません。");
    try {
        return parse(doc.object());
    } catch (const Problem& p) {
        return p.text;
    }
}

} // namespace kelmora
