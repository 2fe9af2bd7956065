#pragma once
// The search under the draft: students to desks, each student within its own set
// of desks, no two on one desk, pairs of students kept off each other's
// neighbouring desks, and optionally spare desks that must stay within given
// desks. It knows nothing of fronts, sexes or fixing: the caller turns those into
// the sets of desks. Another kind of condition fits in as one of: a narrower set
// of desks per student, a pair relation (Link) with its own neighbourhood, or a
// group checked as a whole at each node (as cliques are).
#include "draft/Draft.h"

#include <array>
#include <bit>
#include <cstdint>
#include <random>
#include <vector>

namespace kelmora::draftsearch {

// A set of up to 192 desks, or of students (a room holds at most 144 of either).
class Bits {
public:
    void set(int i) { words_[Word(i)] |= Bit(i); }
    void reset(int i) { words_[Word(i)] &= ~Bit(i); }
    bool test(int i) const { return (words_[Word(i)] & Bit(i)) != 0; }
    int count() const
    {
        int n = 0;
        for (std::uint64_t w : words_)
            n += std::popcount(w);
        return n;
    }
    bool none() const { return (words_[0] | words_[1] | words_[2]) == 0; }
    Bits& operator&=(const Bits& o)
    {
        for (std::size_t i = 0; i < words_.size(); ++i)
            words_[i] &= o.words_[i];
        return *this;
    }
    Bits& operator|=(const Bits& o)
    {
        for (std::size_t i = 0; i < words_.size(); ++i)
            words_[i] |= o.words_[i];
        return *this;
    }
    Bits& operator-=(const Bits& o)
    {
        for (std::size_t i = 0; i < words_.size(); ++i)
            words_[i] &= ~o.words_[i];
        return *this;
    }
    friend Bits operator&(Bits a, const Bits& b) { return a &= b; }
    friend Bits operator-(Bits a, const Bits& b) { return a -= b; }
    friend bool operator==(const Bits&, const Bits&) = default;
    // The first member at or after `from`, or -1.
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
    std::vector<int> list() const
    {
        std::vector<int> out;
        for (int i = next(0); i >= 0; i = next(i + 1))
            out.push_back(i);
        return out;
    }

private:
    static std::size_t Word(int i) { return static_cast<std::size_t>(i >> 6); }
    static std::uint64_t Bit(int i) { return std::uint64_t(1) << (i & 63); }
    std::array<std::uint64_t, 3> words_{};
};
static_assert(kMaxDraftDesks <= 3 * 64);

// Indexing by the int numbers the search counts in.
template <typename V>
auto& At(V& v, int i)
{
    return v[static_cast<std::size_t>(i)];
}

struct Room {
    int columns = 0;
    int rows = 0;
    int desks = 0;
    std::vector<Bits> around; // the up to 8 desks touching each desk
    std::vector<Bits> beside; // the desks left and right of each desk
    // Four ways of cutting the room into 2 x 2 blocks (shifted by a desk across,
    // down, or both): the block of each desk, at most 7 x 7 = 49 of them.
    std::array<std::vector<int>, 4> block;
    // The 班: per desk its 班 (empty without 班), per 班 its desks, and per desk
    // the other desks of its 班.
    std::vector<int> group;
    std::vector<Bits> groupDesks;
    std::vector<Bits> sameGroup;

    Room(int columns, int rows);
    void setGroups(const std::vector<int>& groupOfDesk);
    int column(int desk) const { return desk % columns; }
    int row(int desk) const { return desk / columns; }
};

// What "near" means for a pair kept apart (Around, Beside, Group: in one 班) or
// for a group kept together (Around, Beside).
enum class Near : std::uint8_t { Around, Beside, Group };

// The desks near `desk`, and near any desk of `desks`.
const Bits& NearDesks(const Room& room, Near near, int desk);
Bits NearAny(const Room& room, Near near, const Bits& desks);

// The other student of a pair that must not sit on neighbouring desks.
struct Link {
    int other = 0;
    Near near = Near::Around;
};

struct Model {
    std::vector<Bits> domains;             // per student, the desks it may take
    std::vector<std::vector<Link>> links;  // per student, both ways round
    std::vector<std::vector<int>> cliques; // three or more students all kept apart (Around) from one another
    // Per desk left empty, the desks it may be, all alike; when given, students and
    // spares are as many as the desks, so that together they fill every one.
    std::vector<Bits> spares;
    // 近づける: each member has another member of its group near.
    struct Together {
        std::vector<int> members;
        Near near = Near::Beside;
    };
    std::vector<Together> together;
    // Students who must all sit in different 班 (each also linked pairwise, Group):
    // checked as a whole by matching them to 班 of their own.
    std::vector<std::vector<int>> distinct;
    // Per student, when no 班 of two or more may be all boys or all girls; else empty.
    std::vector<Sex> groupSexes;
};

// How many of `group` (kept apart from one another) fit on mutually apart desks
// of their own sets at most: two desks of one 2 x 2 block always touch, so each
// needs a block of its own, for each of the four ways of laying the blocks.
int ApartCapacity(const Room& room, const std::vector<Bits>& domains, const std::vector<int>& group);

// The largest groups of students who must all be kept apart (Around), found
// across overlapping pairs and groups: the maximal cliques of three or more of
// the graph of `links`, at most `limit` of them.
std::vector<std::vector<int>> ApartCliques(const std::vector<std::vector<Link>>& links, std::size_t limit);

enum class Verdict : std::uint8_t { Found, None, Unknown };

// Depth-first search with forward checking, the most constrained student first
// (ties at random) and desks in random order. At every node a bipartite matching
// of students (and spare desks) to desks is kept (Hall's condition), and each
// clique's 2 x 2-block capacity checked; 近づける groups narrow their members to
// desks near one another, students kept in different 班 are matched to 班, and
// 班 that must mix boys and girls to the students who can mix them. Runs restart with growing node budgets
// (Luby's sequence), so one unlucky early choice does not hold a draw for long,
// yet a run that ends within its budget has searched everything: a None is proof.
class Search {
public:
    // `alone`: a search for the members of one clique, which does not search them alone again.
    Search(const Room& room, Model model, std::mt19937_64& rng, const DraftLimits& limits, bool alone = false);
    // Students that together have too few desks, or the index of a clique that
    // does not fit, before any choice; both empty/-1 when the root holds.
    const std::vector<int>& shortStudents() const { return short_; }
    int crowdedClique() const { return crowded_; }
    bool clashAtRoot() const { return rootClash_; }
    // One more run, longer than the last ones; Unknown when it was cut short.
    Verdict run();
    // Runs until settled, the total node budget is spent, or the limits are reached.
    Verdict settle(std::uint64_t nodeBudget);
    const std::vector<int>& desks() const { return desks_; }
    std::uint64_t nodes() const { return nodes_; }

private:
    enum class Step : std::uint8_t { Found, Fail, Cut };
    Step search(int depth);
    int mostConstrained();
    bool assign(int s, int d);
    bool repairMatching();
    bool filter();
    bool augment(int agent, Bits& visited);
    void match(int agent, int d);
    void unmatch(int agent);
    bool cliquesFit(int s) const;
    bool propagateTogether();
    bool distinctFit() const;
    bool groupsMixed() const;
    bool consistent(int s);
    bool cliqueFitsBesideSpares(const std::vector<int>& clique) const;
    bool cliqueFitsAlone(const std::vector<int>& clique);
    bool tighten(const std::vector<int>& clique);
    bool tightenCliquesOf(int s);
    std::vector<int> deficientGroup();

    bool alone_;
    const Room& room_;
    Model model_;
    std::mt19937_64& rng_;
    const DraftLimits& limits_;
    int n_;                  // students
    int agents_;             // students, then spare desks
    std::vector<Bits> root_; // the domains before any choice, spares included
    std::vector<Bits> domains_;
    std::vector<char> assigned_;
    std::vector<int> match_;
    std::vector<int> owner_;
    Bits free_;
    std::vector<std::vector<Bits>> saved_;
    std::vector<std::vector<int>> cliquesOf_;
    std::vector<int> weight_; // per student, its links: ties go to the more entangled
    // Per 近づける group and member, the other members that may be near it: not
    // those a link keeps at least that far away.
    std::vector<std::vector<std::vector<int>>> partners_;
    std::vector<int> short_;
    int crowded_ = -1;
    bool rootClash_ = false;
    bool settled_ = false;
    Verdict verdict_ = Verdict::Unknown;
    int run_ = 0;
    std::uint64_t nodes_ = 0;
    std::uint64_t runEnd_ = 0;
    bool cut_ = false;
    std::vector<int> desks_;
};

} // namespace kelmora::draftsearch
