#include "import/Xlsx.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QXmlStreamReader>

#include <zip.h>

#include <charconv>
#include <cmath>
#include <memory>
#include <optional>
#include <string>

namespace kelmora::import {

namespace {

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
using Zip = std::unique_ptr<zip_t, ZipCloser>;

// Reads the workbook's parts, counting what they unpack to against one budget.
class Parts {
public:
    explicit Parts(zip_t* zip) : zip_(zip) {}

    // The part's bytes, or nullopt with `error` set. A part that is not there is
    // `missing` (nullopt, error None).
    std::optional<QByteArray> read(const std::string& name, XlsxError& error)
    {
        error = XlsxError::None;
        const zip_int64_t index = zip_name_locate(zip_, name.c_str(), ZIP_FL_ENC_GUESS);
        if (index < 0)
            return std::nullopt;
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip_, static_cast<zip_uint64_t>(index), 0, &st) != 0) {
            error = XlsxError::Damaged;
            return std::nullopt;
        }
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
            error = XlsxError::Encrypted;
            return std::nullopt;
        }
        // What the directory says first: a bomb is refused before any inflating.
        const std::uint64_t declared = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
        if (declared > kMaxUnpackedBytes - used_) {
            error = XlsxError::TooLarge;
            return std::nullopt;
        }
        zip_file_t* file = zip_fopen_index(zip_, static_cast<zip_uint64_t>(index), 0);
        if (!file) {
            error = zip_get_error(zip_)->zip_err == ZIP_ER_NOPASSWD ? XlsxError::Encrypted : XlsxError::Damaged;
            return std::nullopt;
        }
        // Then what inflating gives: a directory can lie about the size, so no
        // more than it declared (and than the budget) is ever taken.
        QByteArray bytes;
        bytes.reserve(static_cast<qsizetype>(declared));
        char chunk[64 * 1024];
        for (;;) {
            const zip_int64_t n = zip_fread(file, chunk, sizeof chunk);
            if (n < 0) {
                error = XlsxError::Damaged;
                break;
            }
            if (n == 0)
                break;
            used_ += static_cast<std::uint64_t>(n);
            if (used_ > kMaxUnpackedBytes || static_cast<std::uint64_t>(bytes.size() + n) > declared) {
                error = used_ > kMaxUnpackedBytes ? XlsxError::TooLarge : XlsxError::Damaged;
                break;
            }
            bytes.append(chunk, static_cast<qsizetype>(n));
        }
        zip_fclose(file);
        if (error != XlsxError::None)
            return std::nullopt;
        return bytes;
    }

private:
    zip_t* zip_;
    std::uint64_t used_ = 0;
};

std::string Utf8(QStringView text)
{
    return text.toUtf8().toStdString();
}

// The text of the element the reader stands on: its <t> elements, with the
// phonetic runs (<rPh>, the readings Japanese Excel keeps beside a text) left
// out, and the white space a pretty-printed part has between elements too.
std::string ElementText(QXmlStreamReader& xml)
{
    std::string text;
    int depth = 1;
    int phonetic = 0;
    int inText = 0;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (xml.name() == u"rPh" || xml.name() == u"phoneticPr")
                ++phonetic;
            else if (xml.name() == u"t")
                ++inText;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            if (xml.name() == u"rPh" || xml.name() == u"phoneticPr")
                --phonetic;
            else if (xml.name() == u"t")
                --inText;
            break;
        case QXmlStreamReader::Characters:
            if (phonetic == 0 && inText > 0)
                text += Utf8(xml.text());
            break;
        default: break;
        }
    }
    return text;
}

std::vector<std::string> SharedStrings(const QByteArray& part)
{
    std::vector<std::string> strings;
    QXmlStreamReader xml(part);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si")
            strings.push_back(ElementText(xml));
    return strings;
}

// A number as Excel shows it in a General cell: whole numbers without a point.
std::string NumberText(const std::string& value)
{
    double d = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), d);
    if (ec != std::errc() || end != value.data() + value.size() || !std::isfinite(d))
        return value;
    if (d == std::floor(d) && std::fabs(d) < 1e15)
        return std::to_string(static_cast<long long>(d));
    return QString::number(d, 'g', QLocale::FloatingPointShortest).toStdString();
}

// Excel's own limits: a reference past them is no workbook Excel wrote.
constexpr int kSheetRows = 1'048'576;
constexpr int kSheetColumns = 16'384;

// "C12" -> column 2 (from 0) and row 12; a part that is missing stays as it was.
// False for a reference past the sheet's last row or column.
bool CellReference(QStringView ref, int& column, int& row)
{
    int c = 0;
    qsizetype i = 0;
    for (; i < ref.size() && ref[i] >= u'A' && ref[i] <= u'Z'; ++i)
        c = std::min(c * 26 + (ref[i].unicode() - u'A' + 1), kSheetColumns + 1);
    if (c > kSheetColumns)
        return false;
    if (i > 0)
        column = c - 1;
    if (i == ref.size())
        return true;
    bool ok = false;
    const int r = ref.mid(i).toInt(&ok);
    if (!ok || r <= 0 || r > kSheetRows)
        return false;
    row = r;
    return true;
}

XlsxError ReadSheet(const QByteArray& part, const std::vector<std::string>& shared, Sheet& sheet, std::size_t& cells,
                    StopFlag stop)
{
    QXmlStreamReader xml(part);
    int rowNumber = 0;
    SheetRow row;
    bool inRow = false;
    int column = -1;
    auto endRow = [&] {
        while (!row.cells.empty() && row.cells.back().empty())
            row.cells.pop_back();
        if (!row.cells.empty())
            sheet.rows.push_back(std::move(row));
        row = {};
        inRow = false;
    };
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"row" && inRow) {
            endRow();
            if (sheet.rows.size() > kMaxListRows) {
                sheet.tooLong = true;
                return XlsxError::None;
            }
            if (stop && rowNumber % 1024 == 0 && stop->load())
                return XlsxError::None;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"row") {
            if (inRow)
                endRow();
            int ignored = 0;
            const int before = rowNumber;
            if (!CellReference(xml.attributes().value(QLatin1StringView("r")), ignored, rowNumber))
                return XlsxError::Damaged;
            if (rowNumber == before)
                ++rowNumber;
            row.number = rowNumber;
            inRow = true;
            column = -1;
        } else if (xml.name() == u"c" && inRow) {
            const QXmlStreamAttributes attributes = xml.attributes();
            const int before = column;
            int ignoredRow = 0;
            if (!CellReference(attributes.value(QLatin1StringView("r")), column, ignoredRow))
                return XlsxError::Damaged;
            if (column == before)
                ++column;
            const QStringView type = attributes.value(QLatin1StringView("t"));
            std::string value;
            bool inlineText = false;
            // The cell's children: <v> its value (a formula's cached one too),
            // <is> an inline string, <f> the formula itself, not shown.
            while (xml.readNextStartElement()) {
                if (xml.name() == u"v") {
                    value = Utf8(xml.readElementText(QXmlStreamReader::IncludeChildElements));
                } else if (xml.name() == u"is") {
                    value = ElementText(xml);
                    inlineText = true;
                } else {
                    xml.skipCurrentElement();
                }
            }
            if (column >= kMaxColumns || value.empty())
                continue;
            if (type == u"s") {
                std::size_t index = shared.size();
                std::from_chars(value.data(), value.data() + value.size(), index);
                value = index < shared.size() ? shared[index] : std::string();
            } else if (type == u"b") {
                value = value == "1" ? "TRUE" : "FALSE";
            } else if (!inlineText && type != u"str" && type != u"e" && type != u"inlineStr") {
                value = NumberText(value);
            }
            if (value.empty())
                continue;
            const auto at = static_cast<std::size_t>(column);
            if (at >= row.cells.size()) {
                cells += at + 1 - row.cells.size();
                if (cells > kMaxCells)
                    return XlsxError::TooLarge;
                row.cells.resize(at + 1);
            }
            row.cells[at] = std::move(value);
        }
    }
    if (inRow)
        endRow();
    return xml.hasError() && xml.error() != QXmlStreamReader::PrematureEndOfDocumentError ? XlsxError::Damaged
                                                                                          : XlsxError::None;
}

// "worksheets/sheet1.xml" beside xl/workbook.xml, or "/xl/worksheets/sheet1.xml".
std::string PartName(QStringView target)
{
    if (target.startsWith(u'/'))
        return Utf8(target.mid(1));
    return "xl/" + Utf8(target);
}

} // namespace

XlsxError ReadXlsx(std::string_view bytes, std::vector<Sheet>& sheets, StopFlag stop)
{
    sheets.clear();
    zip_error_t zerror;
    zip_error_init(&zerror);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &zerror);
    if (!source) {
        zip_error_fini(&zerror);
        return XlsxError::Damaged;
    }
    Zip zip(zip_open_from_source(source, ZIP_RDONLY, &zerror));
    zip_error_fini(&zerror);
    if (!zip) {
        zip_source_free(source);
        return XlsxError::Damaged;
    }
    Parts parts(zip.get());
    XlsxError error = XlsxError::None;

    const std::optional<QByteArray> workbook = parts.read("xl/workbook.xml", error);
    if (!workbook)
        return error == XlsxError::None ? XlsxError::NotWorkbook : error;
    const std::optional<QByteArray> rels = parts.read("xl/_rels/workbook.xml.rels", error);
    if (!rels)
        return error == XlsxError::None ? XlsxError::Damaged : error;
    std::vector<std::pair<std::string, std::string>> targets; // relationship id -> part name
    {
        QXmlStreamReader xml(*rels);
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"Relationship")
                targets.emplace_back(Utf8(xml.attributes().value(QLatin1StringView("Id"))),
                                     PartName(xml.attributes().value(QLatin1StringView("Target"))));
    }
    std::vector<std::string> shared;
    if (const auto part = parts.read("xl/sharedStrings.xml", error))
        shared = SharedStrings(*part);
    else if (error != XlsxError::None)
        return error;

    std::vector<std::pair<std::string, std::string>> sheetParts; // name, part
    {
        QXmlStreamReader xml(*workbook);
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"sheet")
                continue;
            std::string id;
            for (const QXmlStreamAttribute& a : xml.attributes())
                if (a.name() == u"id") // r:id, whatever the prefix
                    id = Utf8(a.value());
            for (const auto& [rid, part] : targets)
                if (rid == id)
                    sheetParts.emplace_back(Utf8(xml.attributes().value(QLatin1StringView("name"))), part);
        }
    }
    if (sheetParts.empty())
        return XlsxError::Damaged;

    std::size_t cells = 0;
    for (const auto& [name, partName] : sheetParts) {
        const std::optional<QByteArray> part = parts.read(partName, error);
        if (!part)
            return error == XlsxError::None ? XlsxError::Damaged : error;
        Sheet sheet;
        sheet.name = name;
        if (const XlsxError e = ReadSheet(*part, shared, sheet, cells, stop); e != XlsxError::None) {
            sheets.clear();
            return e;
        }
        sheets.push_back(std::move(sheet));
    }
    return XlsxError::None;
}

} // namespace kelmora::import
