// How the roster reader compares with merely reading the file's bytes, on a
// six-column roster of 100,000 students. The reader is written to be read
// rather than to be fast; the goal that counts is the student list's (loaded
// and shown in under 100 ms, bench_student_list). The same roster saved as
// UTF-8 shows what the conversion costs.
#include "bench/SampleRoster.h"
#include "codec/Cp932.h"
#include "roster/RosterReader.h"
#include "roster/RosterText.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStudents = 100'000;
constexpr int kRuns = 9;

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

struct Stats {
    double best, median;
};

Stats Summarise(std::vector<double> runs)
{
    std::sort(runs.begin(), runs.end());
    return {runs.front(), runs[runs.size() / 2]};
}

} // namespace

int main()
{
    namespace fs = std::filesystem;
    const std::string text = kelmora::bench::MakeRosterText(kStudents);
    const fs::path file = fs::temp_directory_path() / ("kelmora-bench-roster-" + std::to_string(::getpid()) + ".csv");
    {
        std::ofstream out(file, std::ios::binary);
        out.write(text.data(), std::streamsize(text.size()));
        if (!out) {
            std::printf("cannot write %s\n", file.c_str());
            return 0;
        }
    }
    const double megabytes = double(text.size()) / 1e6;

    const std::string utf8 = kelmora::cp932::ToUnicode(text).toUtf8().toStdString();
    std::vector<double> raw, reader, parse, records, fromUtf8;
    int result = 0, columns = 0;
    std::string bytes;
    std::error_code error;
    kelmora::ReadFileBytes(file, bytes, &error); // warm the page cache
    for (int run = 0; run < kRuns; ++run) {
        {
            std::string b;
            const auto t0 = Clock::now();
            kelmora::ReadFileBytes(file, b, &error);
            raw.push_back(Seconds(Clock::now() - t0));
            if (b.size() != text.size())
                std::printf("raw read got %zu bytes of %zu\n", b.size(), text.size());
        }
        {
            kelmora::RosterTable table;
            const auto t0 = Clock::now();
            result = kelmora::ReadRoster(table, file, columns, &error);
            reader.push_back(Seconds(Clock::now() - t0));
        }
        {
            kelmora::RosterTable table;
            const auto t0 = Clock::now();
            kelmora::ReadRosterBytes(table, text, columns);
            parse.push_back(Seconds(Clock::now() - t0));
        }
        {
            kelmora::RosterTable table;
            const auto t0 = Clock::now();
            kelmora::ReadRosterText(table, utf8, columns);
            fromUtf8.push_back(Seconds(Clock::now() - t0));
        }
        {
            // What the table alone costs: as many empty records as the roster
            // has students. The reader cannot go below this.
            kelmora::RosterTable table;
            const auto t0 = Clock::now();
            table.reserve(kStudents);
            for (int i = 0; i < kStudents; ++i)
                table.emplace_back();
            records.push_back(Seconds(Clock::now() - t0));
        }
    }
    fs::remove(file, error);

    const Stats r = Summarise(raw), f = Summarise(reader), p = Summarise(parse), e = Summarise(records),
                u = Summarise(fromUtf8);
    std::printf("roster: %d students, %d columns, %.2f MB, %d runs (best / median)\n", result, columns, megabytes,
                kRuns);
    std::printf("raw read of the bytes:   %8.3f / %8.3f ms  %8.1f / %8.1f MB/s\n", r.best * 1e3, r.median * 1e3,
                megabytes / r.best, megabytes / r.median);
    std::printf("ReadRoster (file):       %8.3f / %8.3f ms  %8.1f / %8.1f MB/s\n", f.best * 1e3, f.median * 1e3,
                megabytes / f.best, megabytes / f.median);
    std::printf("ReadRosterBytes (memory):%8.3f / %8.3f ms  %8.1f / %8.1f MB/s\n", p.best * 1e3, p.median * 1e3,
                megabytes / p.best, megabytes / p.median);
    std::printf("ReadRosterText (UTF-8):  %8.3f / %8.3f ms  (%.2f MB as UTF-8, converted first)\n", u.best * 1e3,
                u.median * 1e3, double(utf8.size()) / 1e6);
    std::printf("empty records only:      %8.3f / %8.3f ms  (%zu bytes a record)\n", e.best * 1e3, e.median * 1e3,
                sizeof(kelmora::Seito));
    std::printf("ratio reader / raw:      %8.2f / %8.2f\n", f.best / r.best, f.median / r.median);
    return 0;
}
