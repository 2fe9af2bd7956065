#include "roster/RosterText.h"

#include "roster/RosterReader.h"

namespace kelmora {

namespace {

// Whether a code page 932 text holds 〓 as a character of its own (not the
// second byte of one character and the first of the next).
bool holdsGeta(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (text.substr(i, cp932::kGeta.size()) == cp932::kGeta)
            return true;
        if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC))
            ++i;
    }
    return false;
}

// The changed lines that are data lines, with their texts that hold 〓. Each line
// is read by the same rules as the file, so the texts are what the table holds.
void noteChanges(RosterTextNotes& notes, std::string_view text, const std::vector<int>& lines)
{
    int number = 1;
    for (const int wanted : lines) { // in order, each once
        for (; number < wanted && !text.empty(); ++number)
            cp932::TakeLine(text);
        const std::string_view line = cp932::TakeLine(text);
        ++number;
        RosterTable record;
        int columns = 0;
        if (ReadRosterBytes(record, line, columns) != 1)
            continue; // a skipped line: nothing of it is loaded
        const Seito& s = record.front();
        RosterTextNotes::ChangedLine changed{wanted, {}};
        for (const std::string* t :
             {&s.Number, &s.FullName, &s.FamilyName, &s.GivenName, &s.FamilyReading, &s.GivenReading})
            if (holdsGeta(*t))
                changed.texts.push_back(*t);
        notes.changed.push_back(std::move(changed));
    }
}

} // namespace

int ReadRosterText(RosterTable& table, std::string_view bytes, int& columnCount, RosterTextNotes* notes)
{
    RosterTextNotes ignored;
    RosterTextNotes& n = notes ? *notes : ignored;
    n = {};
    n.encoding = cp932::DetectFileEncoding(bytes);
    switch (n.encoding) {
    case cp932::FileEncoding::Cp932: return ReadRosterBytes(table, bytes, columnCount);
    case cp932::FileEncoding::Utf16: columnCount = 0; return 0;
    case cp932::FileEncoding::Utf8: break;
    }
    const cp932::Utf8Conversion converted = cp932::FromUtf8(bytes);
    const int result = ReadRosterBytes(table, converted.text, columnCount);
    if (notes)
        noteChanges(n, converted.text, converted.changedLines);
    return result;
}

} // namespace kelmora
