#include "roster/RosterReader.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelmora {

namespace {

constexpr char kCtrlZ = '\x1A';

// Bit i set when byte i of the 64 bytes at p is a comma or a line feed. The
// reader walks these bits instead of the bytes: a line of 50 bytes costs one
// step per field, not one per byte.
inline std::uint64_t DelimiterMask(const char* p)
{
#if defined(__SSE2__)
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i lf = _mm_set1_epi8('\n');
    std::uint64_t mask = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        const int m = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, comma), _mm_cmpeq_epi8(chunk, lf)));
        mask |= std::uint64_t(static_cast<unsigned>(m)) << (16 * i);
    }
    return mask;
#else
    std::uint64_t mask = 0;
    for (int i = 0; i < 64; ++i)
        mask |= std::uint64_t(p[i] == ',' || p[i] == '\n') << i;
    return mask;
#endif
}

// An upper bound of the data lines, for reserving the table: every data line has
// a "$" and is a line. One pass over the bytes, cheap next to the reading itself.
std::size_t DataLineBound(std::string_view text)
{
    std::size_t dollars = 0, lineFeeds = 0;
    const char* p = text.data();
    const char* const end = p + text.size();
#if defined(__SSE2__)
    // Byte lanes count matches (a match is -1, so subtract) and are summed up
    // before they can overflow, at most 255 steps at a time.
    const __m128i dollar = _mm_set1_epi8('$');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    auto total = [&](__m128i lanes) {
        const __m128i sums = _mm_sad_epu8(lanes, zero);
        return static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
               static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    };
    while (end - p >= 16) {
        __m128i dollarLanes = zero, lfLanes = zero;
        for (int step = 0; step < 255 && end - p >= 16; ++step, p += 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            dollarLanes = _mm_sub_epi8(dollarLanes, _mm_cmpeq_epi8(chunk, dollar));
            lfLanes = _mm_sub_epi8(lfLanes, _mm_cmpeq_epi8(chunk, lf));
        }
        dollars += total(dollarLanes);
        lineFeeds += total(lfLanes);
    }
#endif
    for (; p != end; ++p) {
        dollars += *p == '$';
        lineFeeds += *p == '\n';
    }
    return std::min(dollars, lineFeeds + 1);
}

} // namespace

namespace {

class RosterFileCategoryImpl : public std::error_category {
public:
    const char* name() const noexcept override { return "roster file"; }
    std::string message(int code) const override
    {
        switch (static_cast<RosterFileError>(code)) {
        case RosterFileError::NotRegularFile: return "not a regular file";
        case RosterFileError::TooLarge: return "file too large for a roster";
        }
        return "roster file error";
    }
};

} // namespace

const std::error_category& RosterFileCategory()
{
    static const RosterFileCategoryImpl category;
    return category;
}

std::error_code make_error_code(RosterFileError error)
{
    return {static_cast<int>(error), RosterFileCategory()};
}

bool ReadFileBytes(const std::filesystem::path& file, std::string& bytes, std::error_code* error)
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
        return refuse(RosterFileError::NotRegularFile);
    if (static_cast<std::uintmax_t>(st.st_size) > kMaxRosterFileBytes)
        return refuse(RosterFileError::TooLarge);

    // One byte more than the file's size, so that the read that finds the end
    // needs no second allocation. A file that grows while it is read (or one
    // whose size the system does not know, as in /proc) grows the buffer, but
    // never past the limit.
    bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > kMaxRosterFileBytes)
                return refuse(RosterFileError::TooLarge);
            bytes.resize(std::min<std::size_t>(bytes.size() * 2, kMaxRosterFileBytes + 1));
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

// Cuts the text into lines and data lines into fields, driven by the positions
// of the commas and line feeds in order.
//
// Lines: a line ends at LF; one CR right before the LF goes with it, any other
// CR is an ordinary byte; the last line needs no LF. Kinds: only ASCII spaces are
// looked past, so a tab or an ideographic space in front of the "$" makes an
// ordinary skipped line. Fields: a data line is cut at every comma from its first
// byte; empty pieces are no fields, so runs of commas separate once and trailing
// commas add nothing. Field 1 is the marker, fields 2 to 7 are the six texts,
// later ones only count.
class RosterParser {
public:
    RosterParser(RosterTable& table, const char* begin, const char* end)
        : table_(table), end_(end), fieldStart_(begin)
    {
        startLine(begin);
    }

    void delimiter(const char* d)
    {
        if (*d == ',') {
            if (record_) {
                if (d != fieldStart_)
                    field(fieldStart_, d);
                fieldStart_ = d + 1;
            }
            return;
        }
        if (record_) {
            const char* fieldEnd = d;
            if (fieldEnd != fieldStart_ && fieldEnd[-1] == '\r')
                --fieldEnd;
            if (fieldEnd != fieldStart_)
                field(fieldStart_, fieldEnd);
            endDataLine();
        }
        fieldStart_ = d + 1;
        startLine(d + 1);
    }

    // The last line, when the text does not end with a line feed.
    int finish(int& columnCount)
    {
        if (record_) {
            if (end_ != fieldStart_)
                field(fieldStart_, end_);
            endDataLine();
        }
        columnCount = columnCount_;
        return mixed_ ? -1 : dataLines_;
    }

private:
    void startLine(const char* p)
    {
        while (p != end_ && *p == ' ')
            ++p;
        record_ = p != end_ && *p == '$';
        if (record_) {
            fields_ = 0;
            std::fill(std::begin(texts_), std::end(texts_), std::string_view());
        }
    }

    void field(const char* begin, const char* end)
    {
        ++fields_;
        if (fields_ >= 2 && fields_ <= 7)
            texts_[fields_ - 2] = std::string_view(begin, static_cast<std::size_t>(end - begin));
    }

    // The record is built once its line is cut, each text straight into its
    // place: no empty record zeroed first and then appended to field by field.
    void endDataLine()
    {
        table_.emplace_back(Record{texts_});
        const int columns = fields_ - 1;
        if (dataLines_ > 0 && columns != columnCount_)
            mixed_ = true;
        columnCount_ = columns;
        ++dataLines_;
        record_ = false;
    }

    // Turns into the record where the table makes it, so the texts are built in
    // place. (Not emplace_back with the six texts themselves: that takes
    // parenthesized aggregate initialization, which clang 14, the fuzzer's
    // compiler, does not have; a braced Seito would be built, then moved.)
    struct Record {
        const std::string_view* texts;
        operator Seito() const
        {
            return Seito{std::string(texts[0]), std::string(texts[1]), std::string(texts[2]),
                         std::string(texts[3]), std::string(texts[4]), std::string(texts[5])};
        }
    };

    RosterTable& table_;
    const char* const end_;
    const char* fieldStart_;
    bool record_ = false; // a data line is being cut
    int fields_ = 0;
    std::string_view texts_[6]; // its texts so far, Number to GivenReading
    int columnCount_ = 0;
    int dataLines_ = 0;
    bool mixed_ = false;
};

} // namespace

int ReadRosterBytes(RosterTable& table, std::string_view bytes, int& columnCount)
{
    columnCount = 0;
    // Editors of old kept a Ctrl-Z as the end-of-file mark; it is not text.
    if (!bytes.empty() && bytes.back() == kCtrlZ)
        bytes.remove_suffix(1);

    table.reserve(table.size() + DataLineBound(bytes));

    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    RosterParser parser(table, p, end);
    auto walk = [&](const char* block, std::uint64_t mask) {
        for (; mask; mask &= mask - 1)
            parser.delimiter(block + std::countr_zero(mask));
    };
    for (; end - p >= 64; p += 64)
        walk(p, DelimiterMask(p));
    if (p != end) {
        char tail[64] = {}; // zero bytes are no delimiters
        std::memcpy(tail, p, static_cast<std::size_t>(end - p));
        walk(p, DelimiterMask(tail));
    }
    return parser.finish(columnCount);
}

int ReadRoster(RosterTable& table, const std::filesystem::path& file, int& columnCount,
               std::error_code* openError)
{
    columnCount = 0;
    std::string bytes;
    if (!ReadFileBytes(file, bytes, openError))
        return 0;
    return ReadRosterBytes(table, bytes, columnCount);
}

} // namespace kelmora
