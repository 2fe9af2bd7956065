#include "draft/DraftSearch.h"

#include <algorithm>

namespace kelmora::draftsearch {

namespace {

// Luby's restart sequence: 1, 1, 2, 1, 1, 2, 4, 1, 1, 2, 1, 1, 2, 4, 8, ...
std::uint64_t Luby(std::uint64_t i)
{
    for (;;) {
        int k = 1;
        while ((std::uint64_t(1) << k) - 1 < i)
            ++k;
        if (i == (std::uint64_t(1) << k) - 1)
            return std::uint64_t(1) << (k - 1);
        i -= (std::uint64_t(1) << (k - 1)) - 1;
    }
}

bool BlockAugment(int m, const std::vector<std::uint64_t>& blocks, std::array<int, 64>& holder, std::uint64_t& seen)
{
    for (std::uint64_t w = At(blocks, m) & ~seen; w != 0; w &= w - 1) {
        const int b = std::countr_zero(w);
        if ((seen & (std::uint64_t(1) << b)) != 0)
            continue;
        seen |= std::uint64_t(1) << b;
        if (At(holder, b) < 0 || BlockAugment(At(holder, b), blocks, holder, seen)) {
            At(holder, b) = m;
            return true;
        }
    }
    return false;
}

bool Augment(int m, const std::vector<Bits>& options, std::vector<int>& holder, Bits& seen)
{
    const Bits& mine = At(options, m);
    for (int b = mine.next(0); b >= 0; b = mine.next(b + 1)) {
        if (seen.test(b))
            continue;
        seen.set(b);
        if (At(holder, b) < 0 || Augment(At(holder, b), options, holder, seen)) {
            At(holder, b) = m;
            return true;
        }
    }
    return false;
}

// How many of the members get an option of their own, at most (Kuhn's matching).
int MatchedCount(const std::vector<Bits>& options, int optionCount)
{
    std::vector<int> holder(static_cast<std::size_t>(optionCount), -1);
    int matched = 0;
    for (std::size_t m = 0; m < options.size(); ++m) {
        Bits seen;
        if (Augment(static_cast<int>(m), options, holder, seen))
            ++matched;
    }
    return matched;
}

// How many of `group` get a 2 x 2 block of their own in one way of laying the blocks.
int BlockMatching(const Room& room, const std::vector<Bits>& domains, const std::vector<int>& group, int layout)
{
    std::vector<std::uint64_t> blocks;
    blocks.reserve(group.size());
    const std::vector<int>& blockOf = At(room.block, layout);
    for (int s : group) {
        std::uint64_t mask = 0;
        const Bits& domain = At(domains, s);
        for (int d = domain.next(0); d >= 0; d = domain.next(d + 1))
            mask |= std::uint64_t(1) << At(blockOf, d);
        blocks.push_back(mask);
    }
    std::array<int, 64> holder;
    holder.fill(-1);
    int matched = 0;
    for (std::size_t m = 0; m < blocks.size(); ++m) {
        std::uint64_t seen = 0;
        if (BlockAugment(static_cast<int>(m), blocks, holder, seen))
            ++matched;
    }
    return matched;
}

bool CliqueFits(const Room& room, const std::vector<Bits>& domains, const std::vector<int>& group)
{
    for (int layout = 0; layout < 4; ++layout)
        if (BlockMatching(room, domains, group, layout) < static_cast<int>(group.size()))
            return false;
    return true;
}

struct CliqueFinder {
    std::vector<Bits> adjacent;
    std::size_t limit;
    std::size_t calls = 0;
    std::vector<std::vector<int>> found;

    // Bron and Kerbosch with a pivot; gives up quietly after a fixed number of calls.
    void extend(Bits& chosen, int size, Bits candidates, Bits excluded)
    {
        if (found.size() >= limit || ++calls > 20000)
            return;
        if (candidates.none() && excluded.none()) {
            if (size >= 3)
                found.push_back(chosen.list());
            return;
        }
        int pivot = -1;
        int best = -1;
        Bits both = candidates;
        both |= excluded;
        for (int u = both.next(0); u >= 0; u = both.next(u + 1))
            if (const int c = (candidates & At(adjacent, u)).count(); c > best) {
                best = c;
                pivot = u;
            }
        const Bits tries = candidates - At(adjacent, pivot);
        for (int v = tries.next(0); v >= 0; v = tries.next(v + 1)) {
            chosen.set(v);
            extend(chosen, size + 1, candidates & At(adjacent, v), excluded & At(adjacent, v));
            chosen.reset(v);
            candidates.reset(v);
            excluded.set(v);
        }
    }
};

} // namespace

Room::Room(int c, int r)
    : columns(c), rows(r), desks(c * r), around(static_cast<std::size_t>(desks)),
      beside(static_cast<std::size_t>(desks))
{
    for (int d = 0; d < desks; ++d)
        for (int dr = -1; dr <= 1; ++dr)
            for (int dc = -1; dc <= 1; ++dc) {
                const int col = column(d) + dc;
                const int rw = row(d) + dr;
                if ((dc == 0 && dr == 0) || col < 0 || col >= columns || rw < 0 || rw >= rows)
                    continue;
                At(around, d).set(rw * columns + col);
                if (dr == 0)
                    At(beside, d).set(rw * columns + col);
            }
    for (int layout = 0; layout < 4; ++layout)
        for (int d = 0; d < desks; ++d)
            At(block, layout).push_back((column(d) + (layout & 1)) / 2 * 7 + (row(d) + (layout >> 1)) / 2);
}

void Room::setGroups(const std::vector<int>& groupOfDesk)
{
    group.clear();
    groupDesks.clear();
    sameGroup.assign(static_cast<std::size_t>(desks), Bits{});
    if (groupOfDesk.size() != static_cast<std::size_t>(desks))
        return;
    group = groupOfDesk;
    for (int d = 0; d < desks; ++d) {
        const int g = At(group, d);
        if (g >= static_cast<int>(groupDesks.size()))
            groupDesks.resize(static_cast<std::size_t>(g) + 1);
        At(groupDesks, g).set(d);
    }
    for (int d = 0; d < desks; ++d) {
        At(sameGroup, d) = At(groupDesks, At(group, d));
        At(sameGroup, d).reset(d);
    }
}

const Bits& NearDesks(const Room& room, Near near, int desk)
{
    switch (near) {
    case Near::Beside: return At(room.beside, desk);
    case Near::Group: return At(room.sameGroup, desk);
    case Near::Around: break;
    }
    return At(room.around, desk);
}

Bits NearAny(const Room& room, Near near, const Bits& desks)
{
    Bits out;
    for (int d = desks.next(0); d >= 0; d = desks.next(d + 1))
        out |= NearDesks(room, near, d);
    return out;
}

int ApartCapacity(const Room& room, const std::vector<Bits>& domains, const std::vector<int>& group)
{
    int capacity = static_cast<int>(group.size());
    for (int layout = 0; layout < 4; ++layout)
        capacity = std::min(capacity, BlockMatching(room, domains, group, layout));
    return capacity;
}

std::vector<std::vector<int>> ApartCliques(const std::vector<std::vector<Link>>& links, std::size_t limit)
{
    CliqueFinder finder{std::vector<Bits>(links.size()), limit, 0, {}};
    Bits candidates;
    for (std::size_t s = 0; s < links.size(); ++s) {
        for (const Link& link : links[s])
            if (link.near == Near::Around)
                finder.adjacent[s].set(link.other);
        if (finder.adjacent[s].count() >= 2)
            candidates.set(static_cast<int>(s));
    }
    Bits chosen;
    finder.extend(chosen, 0, candidates, Bits{});
    return finder.found;
}

Search::Search(const Room& room, Model model, std::mt19937_64& rng, const DraftLimits& limits, bool alone)
    : alone_(alone), room_(room), model_(std::move(model)), rng_(rng), limits_(limits),
      n_(static_cast<int>(model_.domains.size())), agents_(n_ + static_cast<int>(model_.spares.size())),
      domains_(model_.domains), assigned_(static_cast<std::size_t>(n_), 0),
      match_(static_cast<std::size_t>(agents_), -1), owner_(static_cast<std::size_t>(room.desks), -1),
      saved_(static_cast<std::size_t>(n_) + 1), cliquesOf_(static_cast<std::size_t>(n_)),
      weight_(static_cast<std::size_t>(n_), 0)
{
    domains_.insert(domains_.end(), model_.spares.begin(), model_.spares.end());
    for (int d = 0; d < room.desks; ++d)
        free_.set(d);
    for (std::size_t g = 0; g < model_.cliques.size(); ++g)
        for (int s : model_.cliques[g])
            At(cliquesOf_, s).push_back(static_cast<int>(g));
    for (int s = 0; s < n_; ++s)
        At(weight_, s) = static_cast<int>(At(model_.links, s).size());
    for (const Model::Together& group : model_.together) {
        auto& partners = partners_.emplace_back();
        for (int m : group.members) {
            At(weight_, m) += room_.desks; // placed early, so that the room still has space near them
            std::vector<int>& mine = partners.emplace_back();
            for (int o : group.members)
                if (o != m && std::none_of(At(model_.links, m).begin(), At(model_.links, m).end(), [&](const Link& l) {
                        return l.other == o && (l.near == Near::Around || l.near == group.near);
                    }))
                    mine.push_back(o);
        }
    }
    for (std::size_t g = 0; g < model_.cliques.size(); ++g)
        if (!tighten(model_.cliques[g])) {
            rootClash_ = true;
            crowded_ = static_cast<int>(g);
            return;
        }
    if (!propagateTogether()) {
        rootClash_ = true;
        return;
    }
    if (!repairMatching()) {
        rootClash_ = true;
        short_ = deficientGroup();
        return;
    }
    filter();
    if (!propagateTogether() || !repairMatching() || !distinctFit() || !groupsMixed()) {
        rootClash_ = true;
        return;
    }
    for (std::size_t g = 0; g < model_.cliques.size(); ++g)
        if (!CliqueFits(room_, domains_, model_.cliques[g]) || !cliqueFitsBesideSpares(model_.cliques[g])
            || !cliqueFitsAlone(model_.cliques[g])) {
            rootClash_ = true;
            crowded_ = static_cast<int>(g);
            return;
        }
    root_ = domains_;
}

Verdict Search::run()
{
    if (settled_)
        return verdict_;
    if (rootClash_) {
        settled_ = true;
        verdict_ = Verdict::None;
        return verdict_;
    }
    // A run costs at least one node per student; the unit leaves room for some backtracking.
    const auto unit = static_cast<std::uint64_t>(4 * n_ + 64);
    runEnd_ = nodes_ + Luby(static_cast<std::uint64_t>(++run_)) * unit;
    domains_ = root_;
    std::fill(assigned_.begin(), assigned_.end(), 0);
    repairMatching(); // holds: the root did
    switch (search(0)) {
    case Step::Found:
        desks_.assign(match_.begin(), match_.begin() + n_);
        settled_ = true;
        verdict_ = Verdict::Found;
        break;
    case Step::Fail:
        settled_ = true;
        verdict_ = Verdict::None;
        break;
    case Step::Cut: return Verdict::Unknown;
    }
    return verdict_;
}

Verdict Search::settle(std::uint64_t nodeBudget)
{
    const std::uint64_t end = nodes_ + nodeBudget;
    for (;;) {
        const Verdict verdict = run();
        if (verdict != Verdict::Unknown || nodes_ >= end || limits_.reached())
            return verdict;
    }
}

Search::Step Search::search(int depth)
{
    if (depth == n_)
        return Step::Found;
    if (++nodes_ >= runEnd_ || limits_.reached()) // a node costs far more than a look at the clock
        return Step::Cut;
    const int s = mostConstrained();
    std::vector<int> values = At(domains_, s).list();
    std::shuffle(values.begin(), values.end(), rng_);
    At(saved_, depth) = domains_;
    At(assigned_, s) = 1;
    for (int d : values) {
        if (assign(s, d) && consistent(s))
            if (const Step step = search(depth + 1); step != Step::Fail)
                return step;
        domains_ = At(saved_, depth);
    }
    At(assigned_, s) = 0;
    return Step::Fail;
}

int Search::mostConstrained()
{
    // The rest of a 近づける group that has begun to sit go first: a group sits
    // as a block while the room still has space around its first member.
    Bits started;
    for (const Model::Together& group : model_.together)
        if (std::any_of(group.members.begin(), group.members.end(), [&](int m) { return At(assigned_, m) != 0; }))
            for (int m : group.members)
                started.set(m);
    int best = -1;
    bool bestStarted = false;
    int bestCount = 0;
    int bestWeight = 0;
    int ties = 0;
    for (int s = 0; s < n_; ++s) {
        if (At(assigned_, s))
            continue;
        const bool isStarted = started.test(s);
        const int count = At(domains_, s).count();
        const int weight = At(weight_, s);
        if (best < 0 || (isStarted && !bestStarted)
            || (isStarted == bestStarted && (count < bestCount || (count == bestCount && weight > bestWeight)))) {
            best = s;
            bestStarted = isStarted;
            bestCount = count;
            bestWeight = weight;
            ties = 1;
        } else if (isStarted == bestStarted && count == bestCount && weight == bestWeight
                   && std::uniform_int_distribution<int>(0, ties++)(rng_) == 0) {
            best = s; // each of the tied students is equally likely
        }
    }
    return best;
}

// Forward checking: the desk leaves every other domain, and its neighbours leave
// the domains of the students linked to this one.
bool Search::assign(int s, int d)
{
    Bits only;
    only.set(d);
    At(domains_, s) = only;
    for (int t = 0; t < agents_; ++t) {
        if (t == s || (t < n_ && At(assigned_, t)))
            continue;
        Bits& domain = At(domains_, t);
        domain.reset(d);
        if (domain.none())
            return false;
    }
    for (const Link& link : At(model_.links, s)) {
        if (At(assigned_, link.other))
            continue;
        Bits& domain = At(domains_, link.other);
        domain -= NearDesks(room_, link.near, d);
        if (domain.none())
            return false;
    }
    return true;
}

bool Search::repairMatching()
{
    for (int a = 0; a < agents_; ++a) {
        const int desk = At(match_, a);
        if (desk >= 0 && !At(domains_, a).test(desk))
            unmatch(a);
    }
    for (int a = 0; a < agents_; ++a) {
        Bits visited;
        if (At(match_, a) < 0 && !augment(a, visited))
            return false;
    }
    return true;
}

// Kuhn's augmenting path; a free desk of the domain is taken at once.
bool Search::augment(int agent, Bits& visited)
{
    const Bits& domain = At(domains_, agent);
    if (const int d = (domain & free_).next(0); d >= 0) {
        match(agent, d);
        return true;
    }
    for (int d = domain.next(0); d >= 0; d = domain.next(d + 1)) {
        if (visited.test(d))
            continue;
        visited.set(d);
        if (augment(At(owner_, d), visited)) {
            match(agent, d);
            return true;
        }
    }
    return false;
}

void Search::match(int agent, int d)
{
    if (At(match_, agent) >= 0)
        unmatch(agent);
    if (At(owner_, d) >= 0)
        At(match_, At(owner_, d)) = -1;
    At(match_, agent) = d;
    At(owner_, d) = agent;
    free_.reset(d);
}

void Search::unmatch(int agent)
{
    const int d = At(match_, agent);
    At(owner_, d) = -1;
    At(match_, agent) = -1;
    free_.set(d);
}

// Régin's filtering for "no two on one desk": a desk stays in an agent's domain
// only if some matching of everyone uses it. With the matching at hand, agent x
// can take y's desk when x and y lie on a cycle of such swaps (the same strongly
// connected component of "y's desk is in x's domain"), or when y can move on
// along swaps to a free desk. Everything else would leave somebody without a
// desk, so it goes now rather than deep in the search.
bool Search::filter()
{
    std::vector<Bits> holders(static_cast<std::size_t>(room_.desks)); // per desk, the agents that may take it
    Bits reached;                                                     // agents that can move on to a free desk
    for (int a = 0; a < agents_; ++a) {
        const Bits& domain = At(domains_, a);
        for (int d = domain.next(0); d >= 0; d = domain.next(d + 1))
            At(holders, d).set(a);
        if (!(domain & free_).none())
            reached.set(a);
    }
    for (Bits wave = reached; !wave.none();) {
        Bits next;
        for (int a = wave.next(0); a >= 0; a = wave.next(a + 1))
            next |= At(holders, At(match_, a));
        next -= reached;
        reached |= next;
        wave = next;
    }
    // Tarjan's strongly connected components over the agents; an agent y leads
    // to every other agent that may take y's desk.
    std::vector<int> index(static_cast<std::size_t>(agents_), -1);
    std::vector<int> low(static_cast<std::size_t>(agents_), 0);
    std::vector<int> component(static_cast<std::size_t>(agents_), -1);
    std::vector<int> stack;
    Bits onStack;
    int counter = 0;
    int components = 0;
    struct Frame {
        int agent;
        Bits rest; // successors still to visit
    };
    std::vector<Frame> frames;
    for (int root = 0; root < agents_; ++root) {
        if (At(index, root) >= 0)
            continue;
        const auto open = [&](int a) {
            At(index, a) = At(low, a) = counter++;
            stack.push_back(a);
            onStack.set(a);
            Bits rest = At(holders, At(match_, a));
            rest.reset(a);
            frames.push_back({a, rest});
        };
        open(root);
        while (!frames.empty()) {
            Frame& frame = frames.back();
            const int a = frame.agent;
            if (const int b = frame.rest.next(0); b >= 0) {
                frame.rest.reset(b);
                if (At(index, b) < 0)
                    open(b); // invalidates `frame`
                else if (onStack.test(b))
                    At(low, a) = std::min(At(low, a), At(index, b));
                continue;
            }
            if (At(low, a) == At(index, a)) {
                for (int b = -1; b != a;) {
                    b = stack.back();
                    stack.pop_back();
                    onStack.reset(b);
                    At(component, b) = components;
                }
                ++components;
            }
            frames.pop_back();
            if (!frames.empty())
                At(low, frames.back().agent) = std::min(At(low, frames.back().agent), At(low, a));
        }
    }
    for (int a = 0; a < agents_; ++a) {
        Bits& domain = At(domains_, a);
        const Bits others = domain - free_;
        for (int d = others.next(0); d >= 0; d = others.next(d + 1)) {
            const int holder = At(owner_, d);
            if (holder != a && !reached.test(holder) && At(component, holder) != At(component, a))
                domain.reset(d);
        }
    }
    return true;
}

// The spare desks all lie in one region, which leaves the students only the
// region's other desks: a clique too big for the rest of the room must put
// members into the region, and there may not be room for them.
bool Search::cliqueFitsBesideSpares(const std::vector<int>& clique) const
{
    if (model_.spares.empty())
        return true;
    Bits region;
    for (const Bits& spare : model_.spares)
        region |= spare;
    std::vector<Bits> outside(domains_.begin(), domains_.begin() + n_);
    for (Bits& domain : outside)
        domain -= region;
    // Every desk of the region is taken, by a student or left spare.
    const int needInside = static_cast<int>(clique.size()) - ApartCapacity(room_, outside, clique);
    return needInside <= region.count() - static_cast<int>(model_.spares.size());
}

// When a clique has exactly as many 2 x 2 blocks within reach as members (in
// one of the four layouts), every such block holds a member. A block with a
// single desk within reach then has a member on that desk, whoever it is, so no
// member may sit next to it. Repeated until nothing changes: a clique as big as
// the room allows is pinned to the few places it fits, and a clash shows at once.
// False when some member is left without a desk.
bool Search::tighten(const std::vector<int>& clique)
{
    for (bool changed = true; changed;) {
        changed = false;
        for (int layout = 0; layout < 4; ++layout) {
            const std::vector<int>& blockOf = At(room_.block, layout);
            Bits reach;
            for (int s : clique)
                reach |= At(domains_, s);
            std::array<int, 64> desksIn{};
            std::array<int, 64> lastDesk{};
            for (int d = reach.next(0); d >= 0; d = reach.next(d + 1)) {
                ++At(desksIn, At(blockOf, d));
                At(lastDesk, At(blockOf, d)) = d;
            }
            const auto blocks = static_cast<std::size_t>(
                std::count_if(desksIn.begin(), desksIn.end(), [](int count) { return count > 0; }));
            if (blocks != clique.size())
                continue;
            for (std::size_t b = 0; b < desksIn.size(); ++b) {
                if (desksIn[b] != 1)
                    continue;
                const Bits& near = At(room_.around, lastDesk[b]);
                for (int s : clique) {
                    Bits& domain = At(domains_, s);
                    if ((domain & near).none())
                        continue;
                    domain -= near;
                    changed = true;
                    if (domain.none())
                        return false;
                }
            }
        }
    }
    return true;
}

// A clique about as big as the room can keep apart has few ways to sit: its
// members alone, on their own desks, are searched briefly first. Proving that
// even they cannot sit apart is cheap there and would be slow in the whole class.
bool Search::cliqueFitsAlone(const std::vector<int>& clique)
{
    constexpr int kSlack = 2;     // tried when at most this many blocks to spare
    constexpr int kBudget = 4000; // nodes
    if (alone_ || ApartCapacity(room_, domains_, clique) > static_cast<int>(clique.size()) - 1 + kSlack)
        return true;
    Model members;
    members.cliques.emplace_back();
    members.links.resize(clique.size());
    for (std::size_t i = 0; i < clique.size(); ++i) {
        members.domains.push_back(At(domains_, clique[i]));
        members.cliques[0].push_back(static_cast<int>(i));
        for (std::size_t j = 0; j < clique.size(); ++j)
            if (i != j)
                members.links[i].push_back({static_cast<int>(j), Near::Around});
    }
    Search alone(room_, std::move(members), rng_, limits_, true);
    return alone.settle(kBudget) != Verdict::None;
}

bool Search::tightenCliquesOf(int s)
{
    return std::all_of(At(cliquesOf_, s).begin(), At(cliquesOf_, s).end(),
                       [&](int g) { return tighten(At(model_.cliques, g)); });
}

bool Search::cliquesFit(int s) const
{
    return std::all_of(At(cliquesOf_, s).begin(), At(cliquesOf_, s).end(),
                       [&](int g) { return CliqueFits(room_, domains_, At(model_.cliques, g)); });
}

// After a choice: the conditions on groups of students, then a desk for everyone.
bool Search::consistent(int s)
{
    return tightenCliquesOf(s) && propagateTogether() && repairMatching() && cliquesFit(s) && distinctFit()
           && groupsMixed();
}

// A member may only take a desk near a desk another member of its group may
// still take; repeated until nothing changes. When every member has a single
// desk, that is the condition itself.
bool Search::propagateTogether()
{
    for (bool changed = true; changed;) {
        changed = false;
        for (std::size_t g = 0; g < model_.together.size(); ++g)
            for (std::size_t i = 0; i < model_.together[g].members.size(); ++i) {
                const int m = model_.together[g].members[i];
                Bits reach;
                for (int o : partners_[g][i])
                    reach |= NearAny(room_, model_.together[g].near, At(domains_, o));
                Bits& domain = At(domains_, m);
                if (const Bits kept = domain & reach; kept != domain) {
                    if (kept.none())
                        return false;
                    domain = kept;
                    changed = true;
                }
                // A member with few desks left and a single partner that can still
                // come near it: that partner must.
                constexpr int kFew = 8;
                if (domain.count() > kFew)
                    continue;
                const Bits near = NearAny(room_, model_.together[g].near, domain);
                int only = -1;
                int supporters = 0;
                for (int o : partners_[g][i])
                    if (!(At(domains_, o) & near).none()) {
                        only = o;
                        ++supporters;
                    }
                if (supporters != 1)
                    continue;
                Bits& partner = At(domains_, only);
                if (const Bits kept = partner & near; kept != partner) {
                    partner = kept;
                    changed = true;
                }
            }
    }
    return true;
}

// Students who must sit in different 班 need a 班 each: a matching of them to the
// 班 their desks reach (36 of them for 36 班 must each get a 班 of its own).
bool Search::distinctFit() const
{
    const auto groups = static_cast<int>(room_.groupDesks.size());
    for (const std::vector<int>& set : model_.distinct) {
        std::vector<Bits> reach(set.size());
        for (std::size_t i = 0; i < set.size(); ++i)
            for (int g = 0; g < groups; ++g)
                if (!(At(domains_, set[i]) & At(room_.groupDesks, g)).none())
                    reach[i].set(g);
        if (MatchedCount(reach, groups) < static_cast<int>(set.size()))
            return false;
    }
    return true;
}

// No 班 of two or more students may be all boys or all girls. A 班 sure to get two
// (two of its desks are taken or sure to be filled) and without, say, a
// non-boy yet needs one of its own from those not yet seated: a matching of such
// 班 to the non-boys who can reach them. Desks are sure to be filled when the
// students (and the spare desks) are as many as the desks they can take.
bool Search::groupsMixed() const
{
    if (model_.groupSexes.empty())
        return true;
    Bits reach;
    for (int s = 0; s < n_; ++s)
        reach |= At(domains_, s);
    Bits filled;
    if (reach.count() == n_) {
        filled = reach;
    } else if (agents_ > n_) {
        Bits all = reach;
        Bits spare;
        for (int a = n_; a < agents_; ++a) {
            all |= At(domains_, a);
            spare |= At(domains_, a);
        }
        if (all.count() == agents_)
            filled = all - spare;
    }
    for (const Sex sex : {Sex::Boy, Sex::Girl}) {
        std::vector<Bits> takers; // per 班 in need, the students not of `sex` who can reach it
        for (const Bits& desks : room_.groupDesks) {
            Bits sure = desks & filled;
            bool mixed = false;
            for (int d = desks.next(0); d >= 0; d = desks.next(d + 1)) {
                const int who = At(owner_, d);
                if (who < 0 || who >= n_ || !At(assigned_, who))
                    continue;
                sure.set(d);
                mixed = mixed || At(model_.groupSexes, who) != sex;
            }
            if (mixed || sure.count() < 2)
                continue;
            Bits& mine = takers.emplace_back();
            for (int s = 0; s < n_; ++s)
                if (!At(assigned_, s) && At(model_.groupSexes, s) != sex && !(At(domains_, s) & desks).none())
                    mine.set(s);
            if (mine.none())
                return false;
        }
        if (MatchedCount(takers, n_) < static_cast<int>(takers.size()))
            return false;
    }
    return true;
}

// After a failed matching: an unmatched agent and the holders of every desk its
// augmenting search reached, who together have fewer desks than they are.
std::vector<int> Search::deficientGroup()
{
    for (int a = 0; a < agents_; ++a) {
        if (At(match_, a) >= 0)
            continue;
        Bits visited;
        if (augment(a, visited))
            continue;
        std::vector<int> group{a};
        for (int d = visited.next(0); d >= 0; d = visited.next(d + 1))
            group.push_back(At(owner_, d));
        return group;
    }
    return {};
}

} // namespace kelmora::draftsearch
