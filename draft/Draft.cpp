// The draft is a constraint satisfaction problem: one variable per student, its
// domain the desks it may take. It is solved by backtracking search with forward
// checking, choosing the most constrained student first (MRV, ties at random) and
// trying its desks in random order. Every node also keeps a maximum bipartite
// matching of students to desks up to date (Kuhn's augmenting paths, repaired
// incrementally): when some student can no longer be matched, Hall's condition
// fails and the branch is cut at once, so pigeonhole impossibilities never
// explode. The same matching at the root names the students and desks that do not
// fit, which gives the plain reason. Search is complete, and since no desk is
// ever preferred, every valid arrangement can come out.
#include "draft/Draft.h"

#include <algorithm>
#include <array>
#include <bit>
#include <optional>
#include <random>
#include <string_view>
#include <variant>

namespace kelmora {

namespace {

// Reasons, in code page 932 with the text beside each; \x01, \x02, ... stand for
// the first, second, ... value put in. Those bytes never occur inside a character.
constexpr std::string_view kTooFew =
    "\x90\xB6\x93k\x01\x90l\x82\xC9\x8Eg\x82\xA6\x82\xE9\x90\xC8\x82\xCD\x02\x82\xB5\x82\xA9\x82\xA0\x82\xE8\x82\xDC"
    "\x82\xB9\x82\xF1"; // 生徒{0}人に使える席は{1}しかありません
constexpr std::string_view kFixedNowhere =
    "\x8C\xC5\x92\xE8\x82\xCC\x01\x82\xCD\x8D\xA1\x82\xC7\x82\xCC\x90\xC8\x82\xC9\x82\xE0\x8D\xC0\x82\xC1\x82\xC4\x82"
    "\xA2\x82\xDC\x82\xB9\x82\xF1"; // 固定の{0}は今どの席にも座っていません
constexpr std::string_view kFixedUnused =
    "\x8C\xC5\x92\xE8\x82\xCC\x01\x82\xCC\x90\xC8\x82\xCD\x8B\xF3\x90\xC8\x82\xC9\x82\xB5\x82\xC4\x82\xA0\x82\xE8\x82"
    "\xDC\x82\xB7"; // 固定の{0}の席は空席にしてあります
constexpr std::string_view kFixedOutsideFront =
    "\x8C\xC5\x92\xE8\x82\xCC\x01\x82\xCD\x91O\x95\xFB\x02\x8Ds\x82\xCC\x8AO\x82\xC9\x8D\xC0\x82\xC1\x82\xC4\x82\xA2"
    "\x82\xDC\x82\xB7"; // 固定の{0}は前方{1}行の外に座っています
constexpr std::string_view kFixedMixing =
    "\x8C\xC5\x92\xE8\x82\xCC\x01\x82\xC6\x02\x82\xCC\x90\xC8\x82\xA9\x82\xE7\x82\xCD\x81"
    "A\x03\x82\xC9\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1"; // 固定の{0}と{1}の席からは、{2}にできません
constexpr std::string_view kFixedApart =
    "\x8C\xC5\x92\xE8\x82\xCC\x01\x82\xC6\x02\x82\xCD\x97\xD7\x82\xE8\x8D\x87\x82\xC1\x82\xC4\x82\xA2\x82\xE9\x82\xCC"
    "\x82\xC5\x97\xA3\x82\xB9\x82\xDC\x82\xB9\x82\xF1"; // 固定の{0}と{1}は隣り合っているので離せません
constexpr std::string_view kFixedNeighbours =
    "\x8C\xC5\x92\xE8\x82\xCC\x01\x82\xC6\x02\x82\xCD\x8D\xA1\x82\xCC\x8D\xB6\x89"
    "E\x82\xCC\x97\xD7\x82\xC7\x82\xA4\x82\xB5\x82\xCC\x82\xDC\x82\xDC\x82\xC5\x82\xB7("
    "\x97\xD7\x82\xF0\x95\xCF\x82\xA6\x82\xE9)"; // 固定の{0}と{1}は今の左右の隣どうしのままです(隣を変える)
constexpr std::string_view kFrontSeats = "\x91O\x95\xFB\x01\x8Ds\x82\xC9\x02\x90l\x82\xCD\x93\xFC\x82\xE8\x82\xDC\x82"
                                         "\xB9\x82\xF1(\x90\xC8\x82\xCD\x03)"; // 前方{0}行に{1}人は入りません(席は{2})
constexpr std::string_view kFrontSexSeats =
    "\x91O\x95\xFB\x01\x8Ds\x82\xCC\x02\x82\xCC\x90\xC8\x82\xC9\x03\x90l\x82\xCD\x93\xFC\x82\xE8\x82\xDC\x82\xB9\x82"
    "\xF1(\x90\xC8\x82\xCD\x04)"; // 前方{0}行の{1}の席に{2}人は入りません(席は{3})
constexpr std::string_view kSexSeats =
    "\x01\x82\xC9\x82\xB7\x82\xE9\x82\xC6\x81"
    "A\x02\x82\xCC\x90\xC8\x82\xC9\x03\x90l\x82\xCD\x93\xFC\x82\xE8\x82\xDC\x82\xB9\x82\xF1("
    "\x90\xC8\x82\xCD\x04)"; // {0}にすると、{1}の席に{2}人は入りません(席は{3})
constexpr std::string_view kNoDesk = "\x01\x82\xCC\x8D\xC0\x82\xEA\x82\xE9\x90\xC8\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82"
                                     "\xB9\x82\xF1(\x02)"; // {0}の座れる席がありません({1})
constexpr std::string_view kShort = "\x01\x82\xCC\x8D\xC0\x82\xEA\x82\xE9\x90\xC8\x82\xAA\x91\xAB\x82\xE8\x82\xDC\x82"
                                    "\xB9\x82\xF1(\x02\x90l\x82\xC9\x90\xC8\x82\xCD\x03\x81"
                                    "A\x04)"; // {0}の座れる席が足りません({1}人に席は{2}、{3})
constexpr std::string_view kApartGroup =
    "\x01\x82\xF0\x8C\xDD\x82\xA2\x82\xC9\x97\xA3\x82\xB9\x82\xE9\x95\xC0\x82\xD1\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82"
    "\xB9\x82\xF1(\x97\xA3\x82\xB7)"; // {0}を互いに離せる並びがありません(離す)
constexpr std::string_view kNeighbours =
    "\x8D\xA1\x82\xCC\x8D\xB6\x89"
    "E\x82\xCC\x97\xD7\x82\xC6\x91S\x88\xF5\x82\xAA\x97\xA3\x82\xEA\x82\xE9\x95\xC0\x82\xD1\x82\xAA\x82\xA0\x82\xE8\x82"
    "\xDC\x82\xB9\x82\xF1(\x97\xD7\x82\xF0\x95\xCF\x82\xA6\x82\xE9)"; // 今の左右の隣と全員が離れる並びがありません(隣を変える)
constexpr std::string_view kApartAndNeighbours =
    "\x97\xA3\x82\xB7\x82\xC6\x97\xD7\x82\xF0\x95\xCF\x82\xA6\x82\xE9\x82\xF0\x93\xAF\x8E\x9E\x82"
    "\xC9\x96\x9E\x82\xBD\x82\xB7\x95\xC0\x82\xD1\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82"
    "\xF1"; // 離すと隣を変えるを同時に満たす並びがありません
constexpr std::string_view kApartAll =
    "\x97\xA3\x82\xB7\x91g\x82\xF0\x82\xB7\x82\xD7\x82\xC4\x93\xAF\x8E\x9E\x82\xC9\x96\x9E\x82\xBD\x82\xB7\x95\xC0\x82"
    "\xD1\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1"; // 離す組をすべて同時に満たす並びがありません
constexpr std::string_view kBoys = "\x92j\x8Eq";            // 男子
constexpr std::string_view kGirls = "\x8F\x97\x8Eq";        // 女子
constexpr std::string_view kColumnsMode = "\x92j\x8F\x97\x82\xCC\x97\xF1\x82\xF0\x8C\xF0\x8C\xDD"; // 男女の列を交互
constexpr std::string_view kCheckerMode = "\x92j\x8F\x97\x82\xF0\x8Es\x8F\xBC";                    // 男女を市松
constexpr std::string_view kFront = "\x91O\x95\xFB";                                               // 前方
constexpr std::string_view kMixing = "\x92j\x8F\x97";                                              // 男女
constexpr std::string_view kEveryoneMoves = "\x91S\x88\xF5\x88\xDA\x93\xAE";                       // 全員移動
constexpr std::string_view kUnused = "\x8B\xF3\x90\xC8";                                           // 空席
constexpr std::string_view kDot = "\x81"
                                  "E"; // ・
constexpr std::string_view kComma = "\x81"
                                    "A";                          // 、
constexpr std::string_view kOthers = "\x82\xD9\x82\xA9\x01\x90l"; // ほか{0}人

std::string Say(std::string_view text, std::initializer_list<std::string> values)
{
    std::string out;
    for (char ch : text) {
        const auto index = static_cast<std::size_t>(static_cast<unsigned char>(ch));
        if (index >= 1 && index <= values.size())
            out += values.begin()[index - 1];
        else
            out += ch;
    }
    return out;
}

std::string Number(std::size_t n)
{
    return std::to_string(n);
}

class DeskSet {
public:
    void set(int d) { words_[static_cast<std::size_t>(d >> 6)] |= bit(d); }
    void reset(int d) { words_[static_cast<std::size_t>(d >> 6)] &= ~bit(d); }
    bool test(int d) const { return (words_[static_cast<std::size_t>(d >> 6)] & bit(d)) != 0; }
    int count() const
    {
        int n = 0;
        for (std::uint64_t w : words_)
            n += std::popcount(w);
        return n;
    }
    bool none() const { return (words_[0] | words_[1] | words_[2]) == 0; }
    void remove(const DeskSet& other)
    {
        for (std::size_t i = 0; i < words_.size(); ++i)
            words_[i] &= ~other.words_[i];
    }
    DeskSet common(const DeskSet& other) const
    {
        DeskSet both;
        for (std::size_t i = 0; i < words_.size(); ++i)
            both.words_[i] = words_[i] & other.words_[i];
        return both;
    }
    void add(const DeskSet& other)
    {
        for (std::size_t i = 0; i < words_.size(); ++i)
            words_[i] |= other.words_[i];
    }
    std::vector<int> list() const
    {
        std::vector<int> desks;
        for (std::size_t i = 0; i < words_.size(); ++i)
            for (std::uint64_t w = words_[i]; w != 0; w &= w - 1)
                desks.push_back(static_cast<int>(i) * 64 + std::countr_zero(w));
        return desks;
    }
    // The first desk at or after `from`, or -1.
    int next(int from) const
    {
        for (auto i = static_cast<std::size_t>(from >> 6); i < words_.size(); ++i) {
            std::uint64_t w = words_[i];
            if (i == static_cast<std::size_t>(from >> 6))
                w &= ~std::uint64_t(0) << (from & 63);
            if (w != 0)
                return static_cast<int>(i) * 64 + std::countr_zero(w);
        }
        return -1;
    }

private:
    static std::uint64_t bit(int d) { return std::uint64_t(1) << (d & 63); }
    std::array<std::uint64_t, 3> words_{};
};
static_assert(kMaxDraftDesks <= 3 * 64);

// Indexing by the int numbers the search counts in.
template <typename V>
auto& At(V& v, int i)
{
    return v[static_cast<std::size_t>(i)];
}

struct Geometry {
    int columns = 0;
    int rows = 0;
    int desks = 0;
    std::vector<DeskSet> around; // the up to 8 desks touching each desk
    std::vector<DeskSet> beside; // the desks left and right of each desk
    // Four ways of cutting the room into 2 x 2 blocks (shifted by a desk across,
    // down, or both): the block of each desk, at most 7 x 7 = 49 of them.
    std::array<std::vector<int>, 4> block;

    Geometry(int c, int r)
        : columns(c), rows(r), desks(c * r), around(static_cast<std::size_t>(desks)),
          beside(static_cast<std::size_t>(desks))
    {
        for (int d = 0; d < desks; ++d)
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) {
                    const int col = d % columns + dc;
                    const int row = d / columns + dr;
                    if ((dc == 0 && dr == 0) || col < 0 || col >= columns || row < 0 || row >= rows)
                        continue;
                    around[static_cast<std::size_t>(d)].set(row * columns + col);
                    if (dr == 0)
                        beside[static_cast<std::size_t>(d)].set(row * columns + col);
                }
        for (int layout = 0; layout < 4; ++layout)
            for (int d = 0; d < desks; ++d)
                block[static_cast<std::size_t>(layout)].push_back((d % columns + (layout & 1)) / 2 * 7
                                                                  + (d / columns + (layout >> 1)) / 2);
    }
};

using Partners = std::vector<std::vector<int>>; // per student, the students it must not sit by
using Groups = std::vector<std::vector<int>>;   // students kept apart from one another

class Solver {
public:
    // `cliques`: groups of three or more kept apart, checked as a whole.
    Solver(const Geometry& geometry, std::vector<DeskSet> domains, const Partners& apart, const Partners& beside,
           const Groups& cliques, std::mt19937_64& rng, const DraftLimits& limits = {})
        : limits_(limits), geometry_(geometry), domains_(std::move(domains)), apart_(apart), beside_(beside), cliques_(cliques),
          rng_(rng), n_(static_cast<int>(domains_.size())), assigned_(domains_.size(), 0), match_(domains_.size(), -1),
          owner_(static_cast<std::size_t>(geometry.desks), -1), saved_(domains_.size()), cliquesOf_(domains_.size())
    {
        for (int d = 0; d < geometry.desks; ++d)
            free_.set(d);
        for (std::size_t g = 0; g < cliques_.size(); ++g)
            for (int s : cliques_[g])
                At(cliquesOf_, s).push_back(static_cast<int>(g));
    }

    // Students that together cannot all be seated (Hall's condition fails for
    // them); empty when every student is matched to a desk.
    std::vector<int> deficientGroup()
    {
        for (int s = 0; s < n_; ++s) {
            DeskSet visited;
            if (At(match_, s) >= 0 || augment(s, visited))
                continue;
            std::vector<int> group{s};
            for (int d : visited.list())
                group.push_back(At(owner_, d));
            return group;
        }
        return {};
    }

    // The first group of `cliques` that cannot be seated apart, or -1.
    int crowdedClique()
    {
        for (std::size_t g = 0; g < cliques_.size(); ++g)
            if (!cliqueFits(cliques_[g]))
                return static_cast<int>(g);
        return -1;
    }

    // The desk of every student, or nullopt when there is no arrangement.
    std::optional<std::vector<int>> solve()
    {
        if (!repairMatching() || crowdedClique() >= 0 || !search(0))
            return std::nullopt;
        return match_;
    }

private:
    bool search(int depth)
    {
        if (depth == n_)
            return true;
        if ((++nodes_ & 255) == 0 && limits_.reached())
            return false;
        const int s = mostConstrained();
        std::vector<int> values = At(domains_, s).list();
        std::shuffle(values.begin(), values.end(), rng_);
        At(saved_, depth) = domains_;
        At(assigned_, s) = 1;
        for (int d : values) {
            if (assign(s, d) && repairMatching() && cliquesFit(s) && search(depth + 1))
                return true;
            domains_ = At(saved_, depth);
        }
        At(assigned_, s) = 0;
        return false;
    }

    int mostConstrained()
    {
        int best = -1;
        int bestCount = 0;
        int ties = 0;
        for (int s = 0; s < n_; ++s) {
            if (At(assigned_, s))
                continue;
            const int count = At(domains_, s).count();
            if (best < 0 || count < bestCount) {
                best = s;
                bestCount = count;
                ties = 1;
            } else if (count == bestCount && std::uniform_int_distribution<int>(0, ties++)(rng_) == 0) {
                best = s; // each of the tied students is equally likely
            }
        }
        return best;
    }

    // Forward checking: the desk leaves every other domain, and the desks next to
    // it leave the domains of the students who must not sit by this one.
    bool assign(int s, int d)
    {
        DeskSet only;
        only.set(d);
        At(domains_, s) = only;
        for (int t = 0; t < n_; ++t) {
            if (t == s || At(assigned_, t))
                continue;
            DeskSet& domain = At(domains_, t);
            domain.reset(d);
            if (domain.none())
                return false;
        }
        const auto prune = [&](const Partners& partners, const std::vector<DeskSet>& near) {
            for (int t : At(partners, s)) {
                if (At(assigned_, t))
                    continue;
                DeskSet& domain = At(domains_, t);
                domain.remove(At(near, d));
                if (domain.none())
                    return false;
            }
            return true;
        };
        return prune(apart_, geometry_.around) && prune(beside_, geometry_.beside);
    }

    // Keeps a matching of every student to a desk of its domain; false when none
    // exists any more.
    bool repairMatching()
    {
        for (int s = 0; s < n_; ++s) {
            const int desk = At(match_, s);
            if (desk >= 0 && !At(domains_, s).test(desk))
                unmatch(s);
        }
        for (int s = 0; s < n_; ++s) {
            DeskSet visited;
            if (At(match_, s) < 0 && !augment(s, visited))
                return false;
        }
        return true;
    }

    // Kuhn's augmenting path from student s; a free desk of its domain is taken at once.
    bool augment(int s, DeskSet& visited)
    {
        const DeskSet& domain = At(domains_, s);
        if (const int d = domain.common(free_).next(0); d >= 0) {
            match(s, d);
            return true;
        }
        for (int d = domain.next(0); d >= 0; d = domain.next(d + 1)) {
            if (visited.test(d))
                continue;
            visited.set(d);
            const int holder = At(owner_, d);
            if (augment(holder, visited)) {
                match(s, d);
                return true;
            }
        }
        return false;
    }

    void match(int s, int d)
    {
        if (At(match_, s) >= 0)
            unmatch(s);
        if (At(owner_, d) >= 0)
            At(match_, At(owner_, d)) = -1;
        At(match_, s) = d;
        At(owner_, d) = s;
        free_.reset(d);
    }

    void unmatch(int s)
    {
        const int d = At(match_, s);
        At(owner_, d) = -1;
        At(match_, s) = -1;
        free_.set(d);
    }

    bool cliquesFit(int s)
    {
        for (int g : At(cliquesOf_, s))
            if (!cliqueFits(At(cliques_, g)))
                return false;
        return true;
    }

    // Two desks of one 2 x 2 block always touch, so students kept apart from one
    // another need a block each: a matching of them to the blocks of their
    // domains must exist, for each of the four ways of laying the blocks.
    bool cliqueFits(const std::vector<int>& group) const
    {
        for (int layout = 0; layout < 4; ++layout) {
            std::vector<std::uint64_t> blocks;
            for (int s : group) {
                std::uint64_t mask = 0;
                const DeskSet& domain = At(domains_, s);
                for (int d = domain.next(0); d >= 0; d = domain.next(d + 1))
                    mask |= std::uint64_t(1) << At(At(geometry_.block, layout), d);
                blocks.push_back(mask);
            }
            std::array<int, 64> holder;
            holder.fill(-1);
            for (std::size_t m = 0; m < blocks.size(); ++m) {
                std::uint64_t seen = 0;
                if (!BlockAugment(static_cast<int>(m), blocks, holder, seen))
                    return false;
            }
        }
        return true;
    }

    static bool BlockAugment(int m, const std::vector<std::uint64_t>& blocks, std::array<int, 64>& holder,
                             std::uint64_t& seen)
    {
        for (std::uint64_t w = At(blocks, m) & ~seen; w != 0; w &= w - 1) {
            const int b = std::countr_zero(w);
            if (seen & (std::uint64_t(1) << b))
                continue;
            seen |= std::uint64_t(1) << b;
            if (At(holder, b) < 0 || BlockAugment(At(holder, b), blocks, holder, seen)) {
                At(holder, b) = m;
                return true;
            }
        }
        return false;
    }

    const DraftLimits& limits_;
    std::uint64_t nodes_ = 0;
    const Geometry& geometry_;
    std::vector<DeskSet> domains_;
    const Partners& apart_;
    const Partners& beside_;
    const Groups& cliques_;
    std::mt19937_64& rng_;
    int n_;
    std::vector<char> assigned_;
    std::vector<int> match_;                  // the desk each student is matched to, -1 none
    std::vector<int> owner_;                  // the student matched to each desk, -1 none
    DeskSet free_;                            // desks matched to nobody
    std::vector<std::vector<DeskSet>> saved_; // the domains before each depth's choice
    std::vector<std::vector<int>> cliquesOf_; // per student, the cliques it belongs to
};

// Why one way of mixing (one parity) failed: the later the stage, the closer the
// draft came, and that reason is the one told.
struct Failure {
    int stage = 0;    // 0 a fixed student's desk, 1 too few desks, 2 no arrangement found
    int deficit = 0;  // students beyond the desks, for stage 1
    int student = -1; // for stage 0
    std::string reason;
};

class Drafter {
public:
    Drafter(const DraftProblem& problem, std::uint64_t seed, const DraftLimits& limits)
        : p_(problem), limits_(limits), geometry_(problem.columns, problem.rows), rng_(seed),
          n_(static_cast<int>(problem.students.size())), empty_(EmptyDesks(problem)),
          apart_(static_cast<std::size_t>(n_)), beside_(static_cast<std::size_t>(n_))
    {
        for (const auto& group : p_.apartGroups) {
            std::vector<int> members;
            for (int s : group)
                if (valid(s) && std::find(members.begin(), members.end(), s) == members.end())
                    members.push_back(s);
            if (members.size() < 2)
                continue;
            for (int a : members)
                for (int b : members)
                    if (a != b)
                        At(apart_, a).push_back(b);
            groups_.push_back(members);
            if (members.size() >= 3)
                cliques_.push_back(std::move(members));
        }
        if (p_.newNeighbours)
            for (int a = 0; a < n_; ++a)
                for (int b = 0; b < n_; ++b) {
                    const int da = student(a).desk;
                    const int db = student(b).desk;
                    if (a != b && onGrid(da) && onGrid(db) && geometry_.beside[static_cast<std::size_t>(da)].test(db))
                        At(beside_, a).push_back(b);
                }
    }

    Draft run()
    {
        if (auto reason = firstGlanceReason())
            return {{}, *reason, DraftOutcome::Impossible};
        std::vector<int> parities{0};
        if (p_.mixing != Mixing::None) {
            parities.push_back(1);
            std::shuffle(parities.begin(), parities.end(), rng_);
        }
        std::vector<Failure> failures(2);
        for (int parity : parities) {
            std::variant<std::vector<int>, Failure> outcome = attempt(parity);
            if (auto* desks = std::get_if<std::vector<int>>(&outcome))
                return {std::move(*desks), {}};
            failures[static_cast<std::size_t>(parity)] = std::get<Failure>(std::move(outcome));
        }
        if (limits_.reached())
            return {{}, {}, limits_.stop != nullptr && limits_.stop->load() ? DraftOutcome::Stopped : DraftOutcome::OutOfTime};
        return {{}, tell(failures, p_.mixing != Mixing::None), DraftOutcome::Impossible};
    }

private:
    // Reasons seen without trying anything: counts and fixed students.
    std::optional<std::string> firstGlanceReason() const
    {
        int usable = geometry_.desks;
        for (int d = 0; d < geometry_.desks; ++d)
            if (marked(d))
                --usable;
        if (n_ > usable)
            return Say(kTooFew, {Number(static_cast<std::size_t>(n_)), Number(static_cast<std::size_t>(usable))});
        for (int s = 0; s < n_; ++s) {
            const DraftStudent& st = student(s);
            if (!st.fixed)
                continue;
            if (!onGrid(st.desk))
                return Say(kFixedNowhere, {st.name});
            if (marked(st.desk))
                return Say(kFixedUnused, {st.name});
            if (st.front && !InFrontRows(st.desk, p_.columns, p_.rows, p_.frontRows))
                return Say(kFixedOutsideFront, {st.name, Number(static_cast<std::size_t>(p_.frontRows))});
        }
        for (int a = 0; a < n_; ++a)
            for (int b = a + 1; b < n_; ++b) {
                if (!student(a).fixed || !student(b).fixed)
                    continue;
                const auto sits = [&](const Partners& partners, const std::vector<DeskSet>& near) {
                    const auto& list = At(partners, a);
                    return std::find(list.begin(), list.end(), b) != list.end()
                           && near[static_cast<std::size_t>(student(a).desk)].test(student(b).desk);
                };
                if (sits(apart_, geometry_.around))
                    return Say(kFixedApart, {student(a).name, student(b).name});
                if (sits(beside_, geometry_.beside))
                    return Say(kFixedNeighbours, {student(a).name, student(b).name});
            }
        return std::nullopt;
    }

    std::vector<DeskSet> domainsFor(int parity) const
    {
        DeskSet fixedDesks;
        for (const DraftStudent& st : p_.students)
            if (st.fixed)
                fixedDesks.set(st.desk);
        std::vector<DeskSet> domains(static_cast<std::size_t>(n_));
        for (int s = 0; s < n_; ++s) {
            const DraftStudent& st = student(s);
            DeskSet& domain = At(domains, s);
            if (st.fixed) {
                domain.set(st.desk);
                continue;
            }
            for (int d = 0; d < geometry_.desks; ++d) {
                if (empty_[static_cast<std::size_t>(d)] || fixedDesks.test(d))
                    continue;
                if (st.front && !InFrontRows(d, p_.columns, p_.rows, p_.frontRows))
                    continue;
                const Sex deskSex = DeskSex(d, p_.columns, p_.mixing, parity);
                if (st.sex != Sex::None && deskSex != Sex::None && deskSex != st.sex)
                    continue;
                if (p_.everyoneMoves && d == st.desk)
                    continue;
                domain.set(d);
            }
        }
        return domains;
    }

    std::variant<std::vector<int>, Failure> attempt(int parity)
    {
        for (int s = 0; s < n_; ++s) {
            const DraftStudent& st = student(s);
            const Sex deskSex = st.fixed ? DeskSex(st.desk, p_.columns, p_.mixing, parity) : Sex::None;
            if (st.sex != Sex::None && deskSex != Sex::None && deskSex != st.sex)
                return Failure{0, 0, s, {}};
        }
        const std::vector<DeskSet> domains = domainsFor(parity);
        Solver solver(geometry_, domains, apart_, beside_, cliques_, rng_, limits_);
        if (const std::vector<int> group = solver.deficientGroup(); !group.empty())
            return shortOfDesks(group, domains);
        if (const int crowded = solver.crowdedClique(); crowded >= 0)
            return Failure{2, 0, -1, Say(kApartGroup, {names(At(cliques_, crowded))})};
        if (auto desks = solver.solve())
            return std::move(*desks);
        return Failure{2, 0, -1, unseparable(domains)};
    }

    // Some students cannot all be seated. Told first by the kinds of student a
    // teacher counts (the front rows, a sex under mixing, both), else by the names
    // of `group`, students that together have too few desks.
    Failure shortOfDesks(const std::vector<int>& group, const std::vector<DeskSet>& domains) const
    {
        const std::string k = Number(static_cast<std::size_t>(p_.frontRows));
        const std::string mode(p_.mixing == Mixing::Columns ? kColumnsMode : kCheckerMode);
        const bool mixing = p_.mixing != Mixing::None;
        struct Kind {
            bool front;
            Sex sex;
        };
        for (const Kind kind : {Kind{true, Sex::None}, Kind{false, Sex::Boy}, Kind{false, Sex::Girl},
                                Kind{true, Sex::Boy}, Kind{true, Sex::Girl}}) {
            if (kind.sex != Sex::None && !mixing)
                continue;
            int count = 0;
            DeskSet desks;
            for (int s = 0; s < n_; ++s) {
                const DraftStudent& st = student(s);
                if (st.fixed || (kind.front && !st.front) || (kind.sex != Sex::None && st.sex != kind.sex))
                    continue;
                ++count;
                desks.add(At(domains, s));
            }
            if (count <= desks.count())
                continue;
            const std::string n = Number(static_cast<std::size_t>(count));
            const std::string m = Number(static_cast<std::size_t>(desks.count()));
            const std::string who(kind.sex == Sex::Boy ? kBoys : kGirls);
            std::string reason = !kind.front             ? Say(kSexSeats, {mode, who, n, m})
                                 : kind.sex == Sex::None ? Say(kFrontSeats, {k, n, m})
                                                         : Say(kFrontSexSeats, {k, who, n, m});
            return Failure{1, count - desks.count(), -1, std::move(reason)};
        }
        const std::string narrowing = conditionsOn(group);
        if (group.size() == 1)
            return Failure{1, 1, -1, Say(kNoDesk, {student(group.front()).name, narrowing})};
        const std::size_t seats = group.size() - 1;
        return Failure{1, 1, -1, Say(kShort, {names(group), Number(group.size()), Number(seats), narrowing})};
    }

    // The conditions that narrow where these students may sit, as "前方・全員移動".
    std::string conditionsOn(const std::vector<int>& group) const
    {
        const auto any = [&](auto test) { return std::any_of(group.begin(), group.end(), test); };
        std::vector<std::string_view> found;
        if (any([&](int s) { return student(s).front; }))
            found.push_back(kFront);
        if (p_.mixing != Mixing::None && any([&](int s) { return student(s).sex != Sex::None; }))
            found.push_back(kMixing);
        if (p_.everyoneMoves && any([&](int s) { return onGrid(student(s).desk); }))
            found.push_back(kEveryoneMoves);
        if (std::find(empty_.begin(), empty_.end(), true) != empty_.end())
            found.push_back(kUnused);
        std::string text;
        for (std::string_view condition : found)
            text += (text.empty() ? "" : std::string(kDot)) + std::string(condition);
        return text;
    }

    // The search proved there is no arrangement: find the keep-apart group that
    // cannot be kept apart even alone, or say which conditions clash.
    std::string unseparable(const std::vector<DeskSet>& domains)
    {
        const Partners none(static_cast<std::size_t>(n_));
        const Groups noCliques;
        for (const auto& group : groups_) {
            Partners only(static_cast<std::size_t>(n_));
            for (int a : group)
                for (int b : group)
                    if (a != b)
                        At(only, a).push_back(b);
            const Groups clique = group.size() >= 3 ? Groups{group} : Groups{};
            if (!Solver(geometry_, domains, only, none, clique, rng_).solve())
                return Say(kApartGroup, {names(group)});
        }
        const bool anyApart = std::any_of(apart_.begin(), apart_.end(), [](const auto& list) { return !list.empty(); });
        const bool anyBeside =
            std::any_of(beside_.begin(), beside_.end(), [](const auto& list) { return !list.empty(); });
        if (anyBeside && (!anyApart || !Solver(geometry_, domains, none, beside_, noCliques, rng_).solve()))
            return std::string(kNeighbours);
        return std::string(anyBeside ? kApartAndNeighbours : kApartAll);
    }

    std::string tell(const std::vector<Failure>& failures, bool bothParities) const
    {
        if (!bothParities)
            return failures[0].reason;
        const Failure& a = failures[0];
        const Failure& b = failures[1];
        if (a.stage == 0 && b.stage == 0)
            return Say(kFixedMixing, {student(a.student).name, student(b.student).name,
                                      std::string(p_.mixing == Mixing::Columns ? kColumnsMode : kCheckerMode)});
        // The way round that came closer explains best.
        if (b.stage > a.stage || (b.stage == a.stage && b.deficit < a.deficit))
            return b.reason;
        return a.reason;
    }

    std::string names(const std::vector<int>& group) const
    {
        constexpr std::size_t kShown = 3;
        std::string text;
        for (std::size_t i = 0; i < group.size() && i < kShown; ++i) {
            if (i > 0)
                text += kComma;
            text += student(group[i]).name;
        }
        if (group.size() > kShown)
            text += Say(kOthers, {Number(group.size() - kShown)});
        return text;
    }

    const DraftStudent& student(int s) const { return p_.students[static_cast<std::size_t>(s)]; }
    bool valid(int s) const { return s >= 0 && s < n_; }
    bool onGrid(int desk) const { return desk >= 0 && desk < geometry_.desks; }
    bool marked(int desk) const
    {
        return static_cast<std::size_t>(desk) < p_.unused.size() && p_.unused[static_cast<std::size_t>(desk)];
    }

    const DraftProblem& p_;
    const DraftLimits& limits_;
    Geometry geometry_;
    std::mt19937_64 rng_;
    int n_;
    std::vector<bool> empty_;
    Partners apart_;
    Partners beside_;
    Groups groups_;  // the keep-apart groups, each student once
    Groups cliques_; // those of three or more
};

} // namespace

bool InFrontRows(int desk, int columns, int rows, int frontRows)
{
    return desk / columns >= rows - frontRows;
}

Sex DeskSex(int desk, int columns, Mixing mixing, int parity)
{
    const int column = desk % columns;
    const int row = desk / columns;
    switch (mixing) {
    case Mixing::Columns: return (column + parity) % 2 == 0 ? Sex::Boy : Sex::Girl;
    case Mixing::Checkerboard: return (column + row + parity) % 2 == 0 ? Sex::Boy : Sex::Girl;
    case Mixing::None: break;
    }
    return Sex::None;
}

std::vector<bool> EmptyDesks(const DraftProblem& problem)
{
    const int desks = problem.columns * problem.rows;
    std::vector<bool> empty(static_cast<std::size_t>(desks), false);
    std::vector<bool> held(static_cast<std::size_t>(desks), false);
    int free = desks - static_cast<int>(problem.students.size());
    for (int d = 0; d < desks; ++d)
        if (static_cast<std::size_t>(d) < problem.unused.size() && problem.unused[static_cast<std::size_t>(d)]) {
            empty[static_cast<std::size_t>(d)] = true;
            --free;
        }
    for (const DraftStudent& st : problem.students)
        if (st.fixed && st.desk >= 0 && st.desk < desks)
            held[static_cast<std::size_t>(st.desk)] = true;
    for (int d = 0; d < desks && free > 0; ++d)
        if (!empty[static_cast<std::size_t>(d)] && !held[static_cast<std::size_t>(d)]) {
            empty[static_cast<std::size_t>(d)] = true;
            --free;
        }
    return empty;
}

Draft DrawDraft(const DraftProblem& problem, std::uint64_t seed, const DraftLimits& limits)
{
    return Drafter(problem, seed, limits).run();
}

} // namespace kelmora
