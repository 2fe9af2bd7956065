#include "import/ListFile.h"

#include "import/Csv.h"
#include "import/Xlsx.h"
#include "roster/RosterReader.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <algorithm>

#include "codec/Cp932.h"
#include "codec/TextEncoding.h"

namespace kelmora::import {

namespace {

constexpr std::string_view kZip = "PK\x03\x04";
// The compound file (OLE2) that holds .xls workbooks, and also .xlsx workbooks
// once a password encrypts them.
constexpr std::string_view kCompoundFile = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

// An encrypted workbook keeps its contents in a stream named EncryptedPackage;
// the directory holds the names in UTF-16.
bool HoldsEncryptedPackage(std::string_view bytes)
{
    static const std::string name = [] {
        std::string n;
        for (char c : std::string_view("EncryptedPackage")) {
            n += c;
            n += '\0';
        }
        return n;
    }();
    return bytes.find(name) != std::string_view::npos;
}

// Code page 932 as UTF-8, a megabyte at a time (cut after a line feed, which is
// never part of a character), so that a stop comes soon even in 64 MB.
std::string Cp932AsUtf8(std::string_view bytes, StopFlag stop)
{
    constexpr std::size_t kChunk = 1 << 20;
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 2);
    while (!bytes.empty()) {
        if (stop && stop->load())
            return {};
        std::size_t cut = bytes.size();
        if (cut > kChunk)
            cut = std::min(bytes.find('\n', kChunk), bytes.size() - 1) + 1;
        text += cp932::ToUnicode(bytes.substr(0, cut)).toUtf8().toStdString();
        bytes.remove_prefix(cut);
    }
    return text;
}

std::string Utf8Text(std::string_view bytes, bool& isText, StopFlag stop)
{
    isText = true;
    switch (cp932::DetectFileEncoding(bytes)) {
    case cp932::FileEncoding::Utf8:
        if (bytes.starts_with("\xEF\xBB\xBF"))
            bytes.remove_prefix(3);
        break;
    case cp932::FileEncoding::Utf16: {
        QStringDecoder decoder(bytes.starts_with("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        const QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        return text.toUtf8().toStdString();
    }
    case cp932::FileEncoding::Cp932:
        // No text file holds a NUL byte; pictures and PDFs do.
        if (bytes.find('\0') != std::string_view::npos) {
            isText = false;
            return {};
        }
        return Cp932AsUtf8(bytes, stop);
    }
    return std::string(bytes);
}

} // namespace

namespace {

// Whatever was read is of no use after a stop, nor when a sheet is too long.
ListFile& Finish(ListFile& list, StopFlag stop)
{
    const bool tooLong = std::any_of(list.sheets.begin(), list.sheets.end(), [](const Sheet& s) { return s.tooLong; });
    if (stop && stop->load())
        list.kind = ListFileKind::Stopped;
    else if (tooLong)
        list.kind = ListFileKind::TooManyRows;
    else
        return list;
    list.sheets.clear();
    return list;
}

} // namespace

ListFile ReadListBytes(std::string_view bytes, StopFlag stop)
{
    ListFile list;
    if (bytes.size() > kMaxRosterFileBytes) {
        list.kind = ListFileKind::TooLarge;
        return list;
    }
    if (bytes.starts_with(kCompoundFile)) {
        list.kind = HoldsEncryptedPackage(bytes) ? ListFileKind::Encrypted : ListFileKind::OldExcel;
        return list;
    }
    if (bytes.starts_with(kZip)) {
        switch (ReadXlsx(bytes, list.sheets, stop)) {
        case XlsxError::None: list.kind = ListFileKind::Xlsx; break;
        case XlsxError::NotWorkbook: list.kind = ListFileKind::OtherZip; break;
        case XlsxError::Damaged: list.kind = ListFileKind::Damaged; break;
        case XlsxError::TooLarge: list.kind = ListFileKind::UnpacksTooLarge; break;
        case XlsxError::Encrypted: list.kind = ListFileKind::Encrypted; break;
        }
        if (list.kind != ListFileKind::Xlsx)
            list.sheets.clear();
        return Finish(list, stop);
    }
    bool isText = true;
    const std::string text = Utf8Text(bytes, isText, stop);
    if (!isText) {
        list.kind = ListFileKind::NotText;
        return list;
    }
    list.kind = ListFileKind::Csv;
    list.sheets.push_back(ParseCsv(text, stop));
    return Finish(list, stop);
}

ListFile ReadListFile(const std::filesystem::path& file, StopFlag stop)
{
    std::string bytes;
    std::error_code error;
    if (!ReadFileBytes(file, bytes, &error)) {
        ListFile list;
        list.kind = error == FileReadError::TooLarge ? ListFileKind::TooLarge : ListFileKind::Unreadable;
        list.error = error;
        return list;
    }
    return ReadListBytes(bytes, stop);
}

} // namespace kelmora::import
