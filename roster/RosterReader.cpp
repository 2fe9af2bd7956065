#include "roster/RosterReader.h"

#include "codec/TextEncoding.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelmora {

namespace {

constexpr char kCtrlZ = '\x1A';

std::size_t Occurrences(std::string_view text, char c)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(c); at != std::string_view::npos; at = text.find(c, at + 1))
        ++count;
    return count;
}

// An upper bound of the data lines, for reserving the table: every data line has
// a "$" and is a line. Taking the smaller count keeps a file full of line ends
// or of dollars from reserving room for millions of records.
std::size_t DataLineBound(std::string_view text)
{
    return std::min(Occurrences(text, '$'), Occurrences(text, '\n') + Occurrences(text, '\r') + 1);
}

} // namespace

namespace {

class FileReadCategoryImpl : public std::error_category {
public:
    const char* name() const noexcept override { return "file read"; }
    std::string message(int code) const override
    {
        switch (static_cast<FileReadError>(code)) {
        case FileReadError::NotRegularFile: return "not a regular file";
        case FileReadError::TooLarge: return "file too large";
        }
        return "file read error";
    }
};

} // namespace

const std::error_category& FileReadCategory()
{
    static const FileReadCategoryImpl category;
    return category;
}

std::error_code make_error_code(FileReadError error)
{
    return {static_cast<int>(error), FileReadCategory()};
}

bool ReadFileBytes(const std::filesystem::path& file, std::string& bytes, std::error_code* error, std::uintmax_t limit)
{
    bytes.clear();
    if (error)
        error->clear();
    auto fail = [&](std::error_code code) {
        bytes.clear();
        if (error)
            *error = code;
        return false;
    };
    auto failErrno = [&](int code) { return fail(std::error_code(code, std::generic_category())); };

    // Read access only: the roster is never written, and a read-only file or
    // one on a read-only medium must load. Without blocking: a named pipe
    // would otherwise hold the window until some writer opens it.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failErrno(errno);
    auto refuse = [&](std::error_code code) {
        ::close(fd);
        return fail(code);
    };

    // Only a regular file has an end: a device such as /dev/zero never stops
    // giving bytes, and a pipe or socket may give them forever.
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return refuse(std::error_code(errno, std::generic_category()));
    if (S_ISDIR(st.st_mode))
        return refuse(std::error_code(EISDIR, std::generic_category()));
    if (!S_ISREG(st.st_mode))
        return refuse(FileReadError::NotRegularFile);
    if (static_cast<std::uintmax_t>(st.st_size) > limit)
        return refuse(FileReadError::TooLarge);

    // One byte more than the file's size, so that the read that finds the end
    // needs no second allocation. A file that grows while it is read (or one
    // whose size the system does not know, as in /proc) grows the buffer, but
    // never past the limit.
    bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > limit)
                return refuse(FileReadError::TooLarge);
            bytes.resize(static_cast<std::size_t>(std::min<std::uintmax_t>(bytes.size() * 2, limit + 1)));
        }
        const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return refuse(std::error_code(errno, std::generic_category())); // EIO, ...
        }
        if (n == 0)
            break;
        used += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(used);
    return true;
}

namespace {

// Only ASCII spaces are looked past: a tab or an ideographic space in front of
// the "$" makes an ordinary skipped line.
bool IsDataLine(std::string_view line)
{
    const std::size_t first = line.find_first_not_of(' ');
    return first != std::string_view::npos && line[first] == '$';
}

// Cuts a data line at every comma from its first byte. Empty pieces are no
// fields, so runs of commas separate once and trailing commas add nothing.
// Field 1 is the marker, fields 2 to 7 are the six texts, later ones only
// count. Returns the column count: the fields after the marker.
int CutFields(std::string_view line, std::string_view (&texts)[6])
{
    int fields = 0;
    while (!line.empty()) {
        const std::size_t comma = std::min(line.find(','), line.size());
        if (comma > 0) {
            ++fields;
            if (fields >= 2 && fields <= 7)
                texts[fields - 2] = line.substr(0, comma);
        }
        line.remove_prefix(std::min(comma + 1, line.size()));
    }
    return fields - 1;
}

} // namespace

int ReadRosterBytes(RosterTable& table, std::string_view bytes, int& columnCount)
{
    columnCount = 0;
    // Editors of old kept a Ctrl-Z as the end-of-file mark; it is not text.
    if (!bytes.empty() && bytes.back() == kCtrlZ)
        bytes.remove_suffix(1);

    table.reserve(table.size() + DataLineBound(bytes));

    int dataLines = 0;
    bool mixed = false;
    while (!bytes.empty()) {
        // CR LF, LF and a lone CR end a line alike; the last line needs no end.
        const std::string_view line = cp932::TakeLine(bytes);
        if (!IsDataLine(line))
            continue;

        std::string_view texts[6];
        const int columns = CutFields(line, texts);
        table.push_back(Seito{std::string(texts[0]), std::string(texts[1]), std::string(texts[2]),
                              std::string(texts[3]), std::string(texts[4]), std::string(texts[5])});
        if (dataLines > 0 && columns != columnCount)
            mixed = true;
        columnCount = columns;
        ++dataLines;
    }
    return mixed ? -1 : dataLines;
}

int ReadRoster(RosterTable& table, const std::filesystem::path& file, int& columnCount, std::error_code* openError)
{
    columnCount = 0;
    std::string bytes;
    if (!ReadFileBytes(file, bytes, openError))
        return 0;
    return ReadRosterBytes(table, bytes, columnCount);
}

} // namespace kelmora
