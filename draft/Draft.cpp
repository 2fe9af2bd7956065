// The draft in three steps. First the counts a teacher can check by hand (more
// students than desks, than the desks of a seat range they share, than 班 for
// students in different 班; too few boys or girls for the 班 that must mix). Then
// the search (DraftSearch) under the preference for where the spare desks are: the
// usual desks at the back first, then the fewest back rows, then anywhere; each
// step is tried only once the one before is proven to have no arrangement (or the
// preference's time is gone). Last, when even "anywhere" has none, the conditions are
// taken away one kind and then one at a time, keeping each removal that still
// leaves no arrangement, so that the refusal names a small set of the teacher's
// own conditions that clash.
#include "draft/Draft.h"

#include "draft/DraftSearch.h"

#include <algorithm>
#include <memory>
#include <numeric>
#include <optional>
#include <random>
#include <string_view>

namespace kelmora {

namespace {

// How long a draw may look for an arrangement that leaves the usual desks empty.
constexpr std::chrono::milliseconds kPreferenceTime{250};

using draftsearch::At;
using draftsearch::Bits;
using draftsearch::Link;
using draftsearch::Model;
using draftsearch::Near;
using draftsearch::Room;
using draftsearch::Search;
using draftsearch::Verdict;

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
constexpr std::string_view kNoSeat = "\x01\x82\xCC\x8D\xC0\x82\xEA\x82\xE9\x90\xC8\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82"
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

constexpr std::string_view kHintRoom = "(\x8F\x89\x8A\xFA\x90\xDD\x92\xE8\x82\xCC\x97\xF1\x90\x94\x81"
                                       "E\x8Ds\x90\x94\x82\xF0\x91\x9D\x82\xE2\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3"
                                       "\x82\xA2)"; // (初期設定の列数・行数を増やしてください)
constexpr std::string_view kHintUnused = "(\x8B\xF3\x90\xC8\x82\xCC\x88\xF3\x82\xF0\x8AO\x82\xB7\x82\xA9\x81"
                                         "A\x8F\x89\x8A\xFA\x90\xDD\x92\xE8\x82\xCC\x97\xF1\x90\x94\x81"
                                         "E\x8Ds\x90\x94\x82\xF0\x91\x9D\x82\xE2\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82"
                                         "\xB3\x82\xA2)"; // (空席の印を外すか、初期設定の列数・行数を増やしてください)
constexpr std::string_view kHintMax = "(\x90\xC8\x82\xCD\x8D\xC5\x91\xE5\x82\xC5\x82\xE0"
                                      "12\x81~12\x82\xCC"
                                      "144\x82\xC5\x82\xB7)"; // (席は最大でも12×12の144です)
constexpr std::string_view kApartGroupWith =
    "\x01\x82\xF0\x8C\xDD\x82\xA2\x82\xC9\x97\xA3\x82\xB9\x82\xE9\x95\xC0\x82\xD1\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82"
    "\xB9\x82\xF1(\x02)"; // {0}を互いに離せる並びがありません({1})
constexpr std::string_view kApartCrowd =
    "\x01\x82\xCC\x02\x90l\x82\xCD\x97\xA3\x82\xB7\x91g\x82\xC5\x82\xC7\x82\xCC\x93\xF1\x90l\x82\xE0\x97\xA3\x82\xB5"
    "\x82\xDC\x82\xB7\x82\xAA\x81"
    "A\x8C\xDD\x82\xA2\x82\xC9\x97\xA3\x82\xEA\x82\xBD\x90\xC8\x82\xCD\x03\x82\xDC\x82\xC5\x82\xC5\x82\xB7("
    "\x97\xA3\x82\xB7: \x04)"; // {0}の{1}人は離す組でどの二人も離しますが、互いに離れた席は{2}までです(離す: {3})
constexpr std::string_view kClash = "\x8E\x9F\x82\xCC\x8F\xF0\x8C\x8F\x82\xF0\x93\xAF\x8E\x9E\x82\xC9\x96\x9E\x82\xBD"
                                    "\x82\xB7\x95\xC0\x82\xD1\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1: "
                                    "\x01("
                                    "\x82\xC7\x82\xEA\x82\xA9\x82\xF0\x8AO\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82"
                                    "\xA2)"; // 次の条件を同時に満たす並びはありません: {0}(どれかを外してください)
constexpr std::string_view kOutOfTime =
    "\x8E\x9E\x8A\xD4\x93\xE0\x82\xC9\x95\xC0\x82\xD1\x82\xAA\x8C\xA9\x82\xC2\x82"
    "\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1"
    "\x82\xC5\x82\xB5\x82\xBD("
    "\x95\xC0\x82\xD1\x82\xAA\x82\xC8\x82\xA2\x82\xC6\x8C\x88\x82\xDC\x82\xC1\x82"
    "\xBD\x82\xED\x82\xAF\x82\xC5\x82\xCD"
    "\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1)\x81"
    "B\x93\xEF\x82\xB5\x82\xAD\x82\xB5\x82\xC4\x82\xA2\x82\xE9\x8F\xF0\x8C\x8F: "
    "\x01"; // 時間内に並びが見つかりませんでした(並びがないと決まったわけではありません)。難しくしている条件:
            // {0}
constexpr std::string_view kFrontOf = "\x91O\x95\xFB(\x01)";     // 前方({0})
constexpr std::string_view kFixedOf = "\x8C\xC5\x92\xE8(\x01)";  // 固定({0})
constexpr std::string_view kUnusedOf = "\x8B\xF3\x90\xC8(\x01)"; // 空席({0})
constexpr std::string_view kApartOf = "\x97\xA3\x82\xB7(\x01)";  // 離す({0})
constexpr std::string_view kDeskAt =
    "\x8D\xB6\x82\xA9\x82\xE7\x01\x97\xF1\x96\xDA\x91O\x82\xA9\x82\xE7\x02\x8Ds\x96\xDA"; // 左から{0}列目前から{1}行目
constexpr std::string_view kSlash = "\x81^";                                              // ／
constexpr std::string_view kFixed = "\x8C\xC5\x92\xE8";                                   // 固定
constexpr std::string_view kApart = "\x97\xA3\x82\xB7";                                   // 離す
constexpr std::string_view kNewNeighbours = "\x97\xD7\x82\xF0\x95\xCF\x82\xA6\x82\xE9"; // 隣を変える
constexpr std::string_view kFrontCount = "\x91O\x95\xFB\x01\x90l";                      // 前方{0}人
constexpr std::string_view kOthersGroups = "\x82\xD9\x82\xA9\x01\x91g";                 // ほか{0}組
constexpr std::string_view kOthersDesks = "\x82\xD9\x82\xA9\x01\x90\xC8";               // ほか{0}席
constexpr std::string_view kRangeOf = "\x94\xCD\x88\xCD(\x01)";                         // 範囲({0})
constexpr std::string_view kTogetherOf = "\x8B\xDF\x82\xC3\x82\xAF\x82\xE9(\x01)";      // 近づける({0})
constexpr std::string_view kSeparateOf =
    "\x93\xAF\x82\xB6\x94\xC7\x82\xC9\x82\xB5\x82\xC8\x82\xA2(\x01)";                      // 同じ班にしない({0})
constexpr std::string_view kOnePerGroup = "\x94\xC7\x82\xC9\x88\xEA\x90l\x82\xB8\x82\xC2"; // 班に一人ずつ
constexpr std::string_view kGroupMixing =
    "\x94\xC7\x82\xB2\x82\xC6\x82\xC9\x92j\x8F\x97\x82\xF0\x8D\xAC\x82\xBA\x82\xE9"; // 班ごとに男女を混ぜる
constexpr std::string_view kPastNeighbours =
    "\x82\xB1\x82\xEA\x82\xDC\x82\xC5\x97\xD7\x82\xC9\x82\xC8\x82\xC1\x82\xBD\x90l\x82\xC6\x82\xCD\x97\xD7\x82\xC9\x82"
    "\xB5\x82\xC8\x82\xA2"; // これまで隣になった人とは隣にしない
constexpr std::string_view kPastDesks =
    "\x91O\x89\xF1\x82\xC6\x93\xAF\x82\xB6\x90\xC8\x82\xC9\x82\xB5\x82\xC8\x82\xA2"; // 前回と同じ席にしない
constexpr std::string_view kSwapHalves =
    "\x91O\x89\xF1\x82\xCC\x91O\x8C\xE3\x82\xF0\x93\xFC\x82\xEA\x91\xD6\x82\xA6\x82\xE9"; // 前回の前後を入れ替える
constexpr std::string_view kRange = "\x94\xCD\x88\xCD";                                   // 範囲
constexpr std::string_view kOnePerCount =
    "\x94\xC7\x82\xC9\x88\xEA\x90l\x82\xB8\x82\xC2\x82\xCC\x01\x90l\x82\xC9\x94\xC7\x82\xCD\x02\x82\xB5\x82\xA9\x82\xA0"
    "\x82\xE8\x82\xDC\x82\xB9\x82\xF1"; // 班に一人ずつの{0}人に班は{1}しかありません
constexpr std::string_view kSeparateCount =
    "\x93\xAF\x82\xB6\x94\xC7\x82\xC9\x82\xB5\x82\xC8\x82\xA2(\x01)\x82\xCC\x02\x90l\x82\xC9\x94\xC7\x82\xCD\x03\x82"
    "\xB5\x82\xA9\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1"; // 同じ班にしない({0})の{1}人に班は{2}しかありません
constexpr std::string_view kRangeCount =
    "\x94\xCD\x88\xCD\x82\xAA\x93\xAF\x82\xB6\x01\x82\xCC\x02\x90l\x82\xC9\x90\xC8\x82\xCD\x03\x82\xB5\x82\xA9\x82\xA0"
    "\x82\xE8\x82\xDC\x82\xB9\x82\xF1"; // 範囲が同じ{0}の{1}人に席は{2}しかありません
constexpr std::string_view kMixCount =
    "\x94\xC7\x82\xB2\x82\xC6\x82\xC9\x92j\x8F\x97\x82\xF0\x8D\xAC\x82\xBA\x82\xE9\x82\xC9\x82\xCD\x01\x82\xCC\x94"
    "\xC7\x82\xBB\x82\xEA\x82\xBC\x82\xEA\x82\xC9\x02\x82\xAA\x97v\x82\xE8\x82\xDC\x82\xB7\x82\xAA\x81"
    "A\x03\x90l\x82\xC5\x82\xB7"; // 班ごとに男女を混ぜるには{0}の班それぞれに{1}が要りますが、{2}人です
constexpr std::string_view kTogetherCount = "\x8B\xDF\x82\xC3\x82\xAF\x82\xE9\x01\x91g"; // 近づける{0}組

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

std::string Number(int n)
{
    return std::to_string(n);
}

// The teacher's conditions, each one a unit a refusal can name.
enum class Kind : std::uint8_t {
    Front,
    Fixed,
    Unused,
    Apart,
    Mixing,
    Moves,
    Neighbours,
    Range,
    Together,
    Separate,
    OnePer,
    GroupMix,
    PastNeighbours,
    PastDesks,
    Swap,
};

struct Condition {
    Kind kind;
    // The student (Front, Fixed, Range), desk (Unused) or group (Apart, Together,
    // Separate); -1 for the options
    int index;
};

// Which conditions hold in one try.
struct Active {
    std::vector<char> front;    // per student
    std::vector<char> fixed;    // per student
    std::vector<char> unused;   // per desk
    std::vector<char> group;    // per keep-apart group
    std::vector<char> range;    // per student
    std::vector<char> together; // per 近づける group
    std::vector<char> separate; // per 同じ班にしない group
    bool mixing = false;
    bool moves = false;
    bool neighbours = false;
    bool onePer = false;
    bool groupMix = false;
    bool pastNeighbours = false;
    bool pastDesks = false;
    bool swap = false;

    void set(const Condition& c, bool on)
    {
        switch (c.kind) {
        case Kind::Front: At(front, c.index) = on; break;
        case Kind::Fixed: At(fixed, c.index) = on; break;
        case Kind::Unused: At(unused, c.index) = on; break;
        case Kind::Apart: At(group, c.index) = on; break;
        case Kind::Mixing: mixing = on; break;
        case Kind::Moves: moves = on; break;
        case Kind::Neighbours: neighbours = on; break;
        case Kind::Range: At(range, c.index) = on; break;
        case Kind::Together: At(together, c.index) = on; break;
        case Kind::Separate: At(separate, c.index) = on; break;
        case Kind::OnePer: onePer = on; break;
        case Kind::GroupMix: groupMix = on; break;
        case Kind::PastNeighbours: pastNeighbours = on; break;
        case Kind::PastDesks: pastDesks = on; break;
        case Kind::Swap: swap = on; break;
        }
    }
    bool has(const Condition& c) const
    {
        switch (c.kind) {
        case Kind::Front: return At(front, c.index) != 0;
        case Kind::Fixed: return At(fixed, c.index) != 0;
        case Kind::Unused: return At(unused, c.index) != 0;
        case Kind::Apart: return At(group, c.index) != 0;
        case Kind::Mixing: return mixing;
        case Kind::Moves: return moves;
        case Kind::Neighbours: return neighbours;
        case Kind::Range: return At(range, c.index) != 0;
        case Kind::Together: return At(together, c.index) != 0;
        case Kind::Separate: return At(separate, c.index) != 0;
        case Kind::OnePer: return onePer;
        case Kind::GroupMix: return groupMix;
        case Kind::PastNeighbours: return pastNeighbours;
        case Kind::PastDesks: return pastDesks;
        case Kind::Swap: return swap;
        }
        return false;
    }
};

// Where the spare desks may be: the usual ones (EmptyDesks), within the back
// `backRows` rows, or anywhere.
struct SpareRule {
    enum class Where : std::uint8_t { Usual, Back, Anywhere } where = Where::Anywhere;
    int backRows = 0;
};

struct Settled {
    Verdict verdict = Verdict::Unknown;
    std::vector<int> desks;
};

class Drafter {
public:
    Drafter(const DraftProblem& problem, std::uint64_t seed, const DraftLimits& limits)
        : p_(problem), limits_(&limits), room_(problem.columns, problem.rows), rng_(seed),
          n_(static_cast<int>(problem.students.size()))
    {
        const auto desks = static_cast<std::size_t>(room_.desks);
        if (problem.groupOfDesk.size() == desks
            && std::all_of(problem.groupOfDesk.begin(), problem.groupOfDesk.end(),
                           [&](int g) { return g >= 0 && g < room_.desks; }))
            room_.setGroups(problem.groupOfDesk);
    }

    Draft run()
    {
        if (limits_->reached()) {
            if (n_ <= usable()) // cheap then: the reason names the conditions
                gatherConditions();
            return cutShort();
        }
        if (auto reason = countReason()) {
            std::vector<DraftCondition> clash;
            if (n_ <= room_.desks)
                for (int d = 0; d < room_.desks; ++d)
                    if (marked(d))
                        clash.push_back({DraftConditionKind::Unused, d});
            return {{}, *reason, DraftOutcome::Impossible, std::move(clash)};
        }
        gatherConditions();
        if (Draft counted = countedClash(); !counted.reason.empty())
            return counted;
        std::vector<SpareRule> rules;
        const int spare = usable() - n_;
        if (spare > 0) {
            rules.push_back({SpareRule::Where::Usual, 0});
            for (int k = 1; k < p_.rows; ++k) {
                int inBack = 0;
                for (int d = 0; d < k * p_.columns; ++d)
                    inBack += marked(d) ? 0 : 1;
                if (inBack >= spare)
                    rules.push_back({SpareRule::Where::Back, k});
            }
        }
        // The preference gets a quarter of a second (or half the time left, if
        // less): a teacher is better served at once by spare desks elsewhere than
        // by waiting for a proof that the usual ones cannot be kept free.
        const DraftLimits* outer = limits_;
        DraftLimits preferring = *outer;
        const auto now = std::chrono::steady_clock::now();
        preferring.deadline = std::min(outer->deadline, now + kPreferenceTime);
        if (outer->deadline != std::chrono::steady_clock::time_point::max() && outer->deadline > now)
            preferring.deadline = std::min(preferring.deadline, now + (outer->deadline - now) / 2);
        limits_ = &preferring;
        for (const SpareRule& rule : rules) {
            Settled settled = settle(full_, rule, 0);
            if (settled.verdict == Verdict::Found) {
                limits_ = outer;
                return {std::move(settled.desks), {}, DraftOutcome::Found, {}};
            }
            if (settled.verdict == Verdict::Unknown)
                break;
        }
        limits_ = outer;
        Settled anywhere = settle(full_, {}, 0);
        if (anywhere.verdict == Verdict::Found)
            return {std::move(anywhere.desks), {}, DraftOutcome::Found, {}};
        if (anywhere.verdict == Verdict::Unknown)
            return cutShort();
        Active core = explain();
        std::string reason = tell(core);
        return {{}, std::move(reason), DraftOutcome::Impossible, named(core)};
    }

private:
    // Too many students for the desks: said before anything that grows with the class.
    std::optional<std::string> countReason() const
    {
        const int desks = p_.columns * p_.rows;
        if (n_ <= usable())
            return std::nullopt;
        std::string reason = Say(kTooFew, {Number(n_), Number(usable())});
        if (n_ > kMaxDraftDesks)
            reason += kHintMax;
        else if (n_ > desks)
            reason += kHintRoom;
        else
            reason += kHintUnused;
        return reason;
    }

    void gatherConditions()
    {
        full_.front.assign(static_cast<std::size_t>(n_), 0);
        full_.fixed.assign(static_cast<std::size_t>(n_), 0);
        full_.unused.assign(static_cast<std::size_t>(room_.desks), 0);
        for (int s = 0; s < n_; ++s) {
            if (student(s).front)
                conditions_.push_back({Kind::Front, s});
            if (student(s).fixed)
                conditions_.push_back({Kind::Fixed, s});
        }
        for (int d = 0; d < room_.desks; ++d)
            if (marked(d))
                conditions_.push_back({Kind::Unused, d});
        std::vector<char> seen(static_cast<std::size_t>(n_), 0);
        for (std::size_t source = 0; source < p_.apartGroups.size(); ++source) {
            const std::vector<int>& group = p_.apartGroups[source];
            std::vector<int> members;
            for (int s : group)
                if (s >= 0 && s < n_ && !At(seen, s)) {
                    At(seen, s) = 1;
                    members.push_back(s);
                }
            for (int s : members)
                At(seen, s) = 0;
            if (members.size() < 2)
                continue;
            std::sort(members.begin(), members.end());
            conditions_.push_back({Kind::Apart, static_cast<int>(groups_.size())});
            groups_.push_back(std::move(members));
            groupSource_.push_back(static_cast<int>(source));
        }
        full_.group.assign(groups_.size(), 0);
        const auto any = [&](auto test) { return std::any_of(p_.students.begin(), p_.students.end(), test); };
        if (p_.mixing != Mixing::None && any([](const DraftStudent& s) { return s.sex != Sex::None; }))
            conditions_.push_back({Kind::Mixing, -1});
        if (p_.everyoneMoves && any([&](const DraftStudent& s) { return onGrid(s.desk); }))
            conditions_.push_back({Kind::Moves, -1});
        if (p_.newNeighbours) {
            // Today's left and right neighbours, from the desks: one pass over the room.
            std::vector<int> sitter(static_cast<std::size_t>(room_.desks), -1);
            for (int s = 0; s < n_; ++s)
                if (onGrid(student(s).desk) && At(sitter, student(s).desk) < 0)
                    At(sitter, student(s).desk) = s;
            for (int d = 0; d + 1 < room_.desks; ++d)
                if (room_.column(d) + 1 < p_.columns && At(sitter, d) >= 0 && At(sitter, d + 1) >= 0)
                    pairs_.emplace_back(At(sitter, d), At(sitter, d + 1));
            if (!pairs_.empty())
                conditions_.push_back({Kind::Neighbours, -1});
        }
        gatherNewConditions();
        for (const Condition& c : conditions_)
            full_.set(c, true);
        const std::vector<bool> usual = EmptyDesks(p_);
        for (int d = 0; d < room_.desks; ++d)
            if (usual[static_cast<std::size_t>(d)])
                usualEmpty_.set(d);
    }

    // Members of a group as the search takes them: on the roster, each once, sorted.
    std::vector<int> members(const std::vector<int>& group) const
    {
        std::vector<int> out;
        for (int s : group)
            if (s >= 0 && s < n_)
                out.push_back(s);
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    }

    int swapOf(int s) const
    {
        return static_cast<std::size_t>(s) < p_.swapHalves.size() ? p_.swapHalves[static_cast<std::size_t>(s)] : 0;
    }

    // Seat ranges, 近づける, the 班 and the year. The 班 conditions hold trivially
    // without 班, and count as conditions only with them.
    void gatherNewConditions()
    {
        const auto nStudents = static_cast<std::size_t>(n_);
        full_.range.assign(nStudents, 0);
        ranges_.assign(nStudents, Bits{});
        pastDesks_.assign(nStudents, Bits{});
        bool anyPastDesk = false;
        bool anySwap = false;
        for (int s = 0; s < n_; ++s) {
            const auto i = static_cast<std::size_t>(s);
            if (i < p_.ranges.size() && !p_.ranges[i].empty()) {
                for (int d : p_.ranges[i])
                    if (onGrid(d))
                        At(ranges_, s).set(d);
                conditions_.push_back({Kind::Range, s});
            }
            if (i < p_.pastDesks.size())
                for (int d : p_.pastDesks[i])
                    if (onGrid(d)) {
                        At(pastDesks_, s).set(d);
                        anyPastDesk = true;
                    }
            anySwap = anySwap || swapOf(s) != 0;
        }
        for (std::size_t g = 0; g < p_.together.size(); ++g) {
            std::vector<int> group = members(p_.together[g].students);
            if (group.size() < 2)
                continue;
            conditions_.push_back({Kind::Together, static_cast<int>(together_.size())});
            together_.push_back(
                {std::move(group), p_.together[g].near == Closeness::Beside ? Near::Beside : Near::Around});
            togetherSource_.push_back(static_cast<int>(g));
        }
        full_.together.assign(together_.size(), 0);
        const bool hasGroups = !room_.group.empty();
        for (std::size_t g = 0; g < p_.separateGroups.size() && hasGroups; ++g) {
            std::vector<int> group = members(p_.separateGroups[g]);
            if (group.size() < 2)
                continue;
            conditions_.push_back({Kind::Separate, static_cast<int>(separate_.size())});
            separate_.push_back(std::move(group));
            separateSource_.push_back(static_cast<int>(g));
        }
        full_.separate.assign(separate_.size(), 0);
        if (hasGroups) {
            onePer_ = members(p_.onePerGroup);
            if (onePer_.size() >= 2)
                conditions_.push_back({Kind::OnePer, -1});
            if (p_.mixGroups
                && std::any_of(p_.students.begin(), p_.students.end(), [](auto& s) { return s.sex != Sex::None; }))
                conditions_.push_back({Kind::GroupMix, -1});
        }
        for (const auto& [x, y] : p_.pastNeighbours)
            if (x >= 0 && y >= 0 && x < n_ && y < n_ && x != y)
                pastPairs_.emplace_back(x, y);
        if (!pastPairs_.empty())
            conditions_.push_back({Kind::PastNeighbours, -1});
        if (anyPastDesk)
            conditions_.push_back({Kind::PastDesks, -1});
        if (anySwap)
            conditions_.push_back({Kind::Swap, -1});
    }

    // Clashes a teacher can count, said before any search: more students sharing
    // one seat range than it has desks, more students to keep in different 班
    // than there are 班.
    Draft countedClash() const
    {
        for (int s = 0; s < n_; ++s) {
            if (!At(full_.range, s))
                continue;
            std::vector<int> same;
            for (int t = 0; t < n_; ++t)
                if (At(full_.range, t) && At(ranges_, t) == At(ranges_, s))
                    same.push_back(t);
            const int desks = At(ranges_, s).count();
            if (same.front() != s || static_cast<int>(same.size()) <= desks)
                continue;
            if (desks == 0) // no desk of the room at all
                return {{},
                        Say(kNoSeat, {student(s).name, std::string(kRange)}),
                        DraftOutcome::Impossible,
                        {{DraftConditionKind::Range, s}}};
            std::vector<DraftCondition> clash; // one more than the desks already clash
            for (int i = 0; i <= desks; ++i)
                clash.push_back({DraftConditionKind::Range, At(same, i)});
            return {{},
                    Say(kRangeCount, {names(same), Number(same.size()), Number(desks)}),
                    DraftOutcome::Impossible,
                    std::move(clash)};
        }
        const auto groups = static_cast<std::size_t>(
            std::count_if(room_.groupDesks.begin(), room_.groupDesks.end(), [](const Bits& b) { return !b.none(); }));
        if (full_.onePer && onePer_.size() > groups)
            return {{},
                    Say(kOnePerCount, {Number(onePer_.size()), Number(groups)}),
                    DraftOutcome::Impossible,
                    {{DraftConditionKind::OnePerGroup, -1}}};
        // Every 班 of two or more students needs a boy and a girl. However the spare
        // desks fall, this many 班 hold two or more: at best the largest are filled
        // and every other 班 holds one student at most.
        std::vector<std::size_t> sizes; // usable desks of each 班, largest first
        for (const Bits& b : room_.groupDesks) {
            std::size_t usable = 0;
            for (int d = b.next(0); d >= 0; d = b.next(d + 1))
                usable += marked(d) ? 0 : 1;
            sizes.push_back(usable);
        }
        std::sort(sizes.rbegin(), sizes.rend());
        std::size_t pairsOfDesks = 0;
        for (std::size_t seated = static_cast<std::size_t>(
                 std::count_if(sizes.begin(), sizes.end(), [](std::size_t size) { return size != 0; }));
             seated < static_cast<std::size_t>(n_) && pairsOfDesks < sizes.size() && sizes[pairsOfDesks] >= 2;
             ++pairsOfDesks)
            seated += sizes[pairsOfDesks] - 1;
        const auto count = [&](Sex sex) {
            return static_cast<std::size_t>(
                std::count_if(p_.students.begin(), p_.students.end(), [&](auto& st) { return st.sex == sex; }));
        };
        // An unmarked student can be the girl of one 班 or the boy of one: told as a
        // clash then, since a count of boys or girls alone does not show it.
        if (full_.groupMix)
            for (const Sex sex : {Sex::Boy, Sex::Girl})
                if (count(sex) + count(Sex::None) < pairsOfDesks)
                    return {{},
                            count(Sex::None) > 0
                                ? Say(kClash, {std::string(kGroupMixing)})
                                : Say(kMixCount, {Number(pairsOfDesks), std::string(sex == Sex::Boy ? kBoys : kGirls),
                                                  Number(count(sex))}),
                            DraftOutcome::Impossible,
                            {{DraftConditionKind::GroupMixing, -1}}};
        for (std::size_t g = 0; g < separate_.size(); ++g)
            if (separate_[g].size() > groups)
                return {{},
                        Say(kSeparateCount, {names(separate_[g], kDot), Number(separate_[g].size()), Number(groups)}),
                        DraftOutcome::Impossible,
                        {{DraftConditionKind::Separate, At(separateSource_, static_cast<int>(g))}}};
        return {};
    }

    // The search's model of one try: the conditions of `a`, boys on the desks of
    // `parity`, the spare desks where `rule` allows.
    Model model(const Active& a, int parity, const SpareRule& rule) const
    {
        Bits usableDesks;
        Bits held;
        Bits frontDesks;
        std::array<Bits, 3> sexDesks; // by Sex
        Bits frontHalf;
        Bits backHalf;
        for (int d = 0; d < room_.desks; ++d) {
            if (InFrontHalf(d, p_.columns, p_.rows))
                frontHalf.set(d);
            if (InBackHalf(d, p_.columns, p_.rows))
                backHalf.set(d);
            if (!At(a.unused, d))
                usableDesks.set(d);
            if (InFrontRows(d, p_.columns, p_.rows, p_.frontRows))
                frontDesks.set(d);
            if (a.mixing)
                sexDesks.at(static_cast<std::size_t>(DeskSex(d, p_.columns, p_.mixing, parity))).set(d);
        }
        for (int s = 0; s < n_; ++s)
            if (At(a.fixed, s) && onGrid(student(s).desk))
                held.set(student(s).desk);
        Bits open = usableDesks - held;
        if (rule.where == SpareRule::Where::Usual)
            open -= usualEmpty_;
        Model m;
        m.domains.resize(static_cast<std::size_t>(n_));
        m.links.resize(static_cast<std::size_t>(n_));
        for (int s = 0; s < n_; ++s) {
            const DraftStudent& st = student(s);
            Bits& domain = At(m.domains, s);
            if (At(a.fixed, s)) {
                if (onGrid(st.desk) && usableDesks.test(st.desk))
                    domain.set(st.desk);
            } else {
                domain = open;
                if (a.moves && onGrid(st.desk))
                    domain.reset(st.desk);
            }
            if (At(a.front, s))
                domain &= frontDesks;
            if (a.mixing && st.sex != Sex::None)
                domain &= sexDesks.at(static_cast<std::size_t>(st.sex));
            if (At(a.range, s))
                domain &= At(ranges_, s);
            // The year's conditions move students, as 全員移動 does: a fixed one stays.
            if (!At(a.fixed, s) && a.pastDesks)
                domain -= At(pastDesks_, s);
            if (!At(a.fixed, s) && a.swap && swapOf(s) != 0)
                domain &= swapOf(s) > 0 ? backHalf : frontHalf;
        }
        std::vector<std::vector<int>> cliques;
        for (std::size_t g = 0; g < groups_.size(); ++g) {
            if (!a.group[g])
                continue;
            for (int x : groups_[g])
                for (int y : groups_[g])
                    if (x != y)
                        At(m.links, x).push_back({y, Near::Around});
            if (groups_[g].size() >= 3)
                cliques.push_back(groups_[g]);
        }
        // Students all kept apart across overlapping groups count as one group too.
        for (std::vector<int>& clique : draftsearch::ApartCliques(m.links, 64))
            if (std::find(cliques.begin(), cliques.end(), clique) == cliques.end())
                cliques.push_back(std::move(clique));
        m.cliques = std::move(cliques);
        if (a.neighbours)
            for (const auto& [x, y] : pairs_) {
                if (keptTogether(a, x, y)) // the teacher asks for them side by side
                    continue;
                At(m.links, x).push_back({y, Near::Beside});
                At(m.links, y).push_back({x, Near::Beside});
            }
        if (a.pastNeighbours)
            for (const auto& [x, y] : pastPairs_) {
                At(m.links, x).push_back({y, Near::Beside});
                At(m.links, y).push_back({x, Near::Beside});
            }
        const auto inDifferentGroups = [&m](const std::vector<int>& set) {
            for (int x : set)
                for (int y : set)
                    if (x != y)
                        At(m.links, x).push_back({y, Near::Group});
            m.distinct.push_back(set);
        };
        for (std::size_t g = 0; g < separate_.size(); ++g)
            if (a.separate[g])
                inDifferentGroups(separate_[g]);
        if (a.onePer)
            inDifferentGroups(onePer_);
        for (std::size_t g = 0; g < together_.size(); ++g)
            if (a.together[g])
                m.together.push_back(together_[g]);
        if (a.groupMix)
            for (const DraftStudent& st : p_.students)
                m.groupSexes.push_back(st.sex);
        if (rule.where == SpareRule::Where::Back) {
            Bits back;
            for (int d = 0; d < rule.backRows * p_.columns; ++d)
                back.set(d);
            m.spares.assign(static_cast<std::size_t>(usableDesks.count() - n_), usableDesks & back);
        }
        return m;
    }

    bool keptTogether(const Active& a, int x, int y) const
    {
        for (std::size_t g = 0; g < together_.size(); ++g)
            if (a.together[g] && bothIn(together_[g].members, x, y))
                return true;
        return false;
    }

    std::vector<int> parities(const Active& a)
    {
        std::vector<int> list{0};
        if (a.mixing) {
            list.push_back(1);
            std::shuffle(list.begin(), list.end(), rng_);
        }
        return list;
    }

    // Searches both ways of mixing side by side, one run each in turn, so that a
    // hard way round does not hold up an easy one. `budget` 0: no node budget.
    Settled settle(const Active& a, const SpareRule& rule, std::uint64_t budget)
    {
        std::vector<std::unique_ptr<Search>> live;
        for (int parity : parities(a)) {
            auto search = std::make_unique<Search>(room_, model(a, parity, rule), rng_, *limits_);
            if (!search->clashAtRoot())
                live.push_back(std::move(search));
        }
        std::uint64_t spent = 0;
        while (!live.empty()) {
            for (std::size_t i = 0; i < live.size();) {
                const std::uint64_t before = live[i]->nodes();
                const Verdict verdict = live[i]->run();
                spent += live[i]->nodes() - before;
                if (verdict == Verdict::Found)
                    return {Verdict::Found, live[i]->desks()};
                if (verdict == Verdict::None)
                    live.erase(live.begin() + static_cast<std::ptrdiff_t>(i));
                else
                    ++i;
            }
            if (limits_->reached() || (budget > 0 && spent >= budget))
                return {};
        }
        return {Verdict::None, {}};
    }

    Draft cutShort() const
    {
        if (limits_->stop != nullptr && limits_->stop->load())
            return {{}, {}, DraftOutcome::Stopped, {}};
        return {{}, Say(kOutOfTime, {hardest()}), DraftOutcome::OutOfTime, {}};
    }

    // No arrangement at all: shrinks the conditions to a set that still has none,
    // first by whole kinds, then one by one. A removal is kept only when the
    // search proves the rest impossible; a try cut short keeps the condition, so
    // the set told is always a true clash, if not always the smallest.
    Active explain()
    {
        const DraftLimits* outer = limits_;
        DraftLimits inner = *outer;
        inner.deadline = std::min(outer->deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(1200));
        limits_ = &inner;
        constexpr std::uint64_t kBudget = 20000;
        Active core = full_;
        const auto stillNone = [&](const Active& trial) {
            return !inner.reached() && settle(trial, {}, kBudget).verdict == Verdict::None;
        };
        // Pairs and options go first, so that a clash a teacher can count is the one told.
        for (Kind kind : {Kind::Neighbours, Kind::PastNeighbours, Kind::Moves, Kind::PastDesks, Kind::Swap,
                          Kind::Together, Kind::Apart, Kind::Separate, Kind::OnePer, Kind::GroupMix, Kind::Mixing,
                          Kind::Unused, Kind::Fixed, Kind::Range, Kind::Front}) {
            Active trial = core;
            bool any = false;
            for (const Condition& c : conditions_)
                if (c.kind == kind && trial.has(c)) {
                    trial.set(c, false);
                    any = true;
                }
            if (any && stillNone(trial))
                core = std::move(trial);
        }
        // Again until nothing more goes: taking 固定 away can add a condition (全員移動
        // and the year's conditions then move the student), so one pass may leave a
        // condition that is no longer needed.
        for (bool shrunk = true; shrunk && !inner.reached();
             shrunk = shrunk && (core.moves || core.pastDesks || core.swap)) {
            shrunk = false;
            for (const Condition& c : conditions_) {
                if (!core.has(c))
                    continue;
                Active trial = core;
                trial.set(c, false);
                if (stillNone(trial)) {
                    core = std::move(trial);
                    shrunk = true;
                }
            }
        }
        limits_ = outer;
        return core;
    }

    std::vector<DraftCondition> named(const Active& core) const
    {
        std::vector<DraftCondition> clash;
        for (const Condition& c : conditions_) {
            if (!core.has(c))
                continue;
            switch (c.kind) {
            case Kind::Front: clash.push_back({DraftConditionKind::Front, c.index}); break;
            case Kind::Fixed: clash.push_back({DraftConditionKind::Fixed, c.index}); break;
            case Kind::Unused: clash.push_back({DraftConditionKind::Unused, c.index}); break;
            case Kind::Apart: clash.push_back({DraftConditionKind::Apart, At(groupSource_, c.index)}); break;
            case Kind::Mixing: clash.push_back({DraftConditionKind::Mixing, -1}); break;
            case Kind::Moves: clash.push_back({DraftConditionKind::EveryoneMoves, -1}); break;
            case Kind::Neighbours: clash.push_back({DraftConditionKind::NewNeighbours, -1}); break;
            case Kind::Range: clash.push_back({DraftConditionKind::Range, c.index}); break;
            case Kind::Together: clash.push_back({DraftConditionKind::Together, At(togetherSource_, c.index)}); break;
            case Kind::Separate: clash.push_back({DraftConditionKind::Separate, At(separateSource_, c.index)}); break;
            case Kind::OnePer: clash.push_back({DraftConditionKind::OnePerGroup, -1}); break;
            case Kind::GroupMix: clash.push_back({DraftConditionKind::GroupMixing, -1}); break;
            case Kind::PastNeighbours: clash.push_back({DraftConditionKind::PastNeighbours, -1}); break;
            case Kind::PastDesks: clash.push_back({DraftConditionKind::PastDesks, -1}); break;
            case Kind::Swap: clash.push_back({DraftConditionKind::SwapHalves, -1}); break;
            }
        }
        return clash;
    }

    // The clash of `core` in words: the plainest text that fits it.
    std::string tell(const Active& core)
    {
        const auto anyOn = [](const std::vector<char>& v) { return std::find(v.begin(), v.end(), 1) != v.end(); };
        const bool pairs = anyOn(core.group) || anyOn(core.together) || anyOn(core.separate) || core.neighbours
                           || core.pastNeighbours || core.onePer || core.groupMix;
        if (anyOn(core.range) || anyOn(core.together) || anyOn(core.separate) || core.onePer || core.groupMix
            || core.pastNeighbours || core.pastDesks || core.swap) {
            if (!pairs)
                if (auto reason = shortStudents(core))
                    return *reason;
            return Say(kClash, {listed(core)});
        }
        std::vector<int> fixed;
        std::vector<int> front;
        std::vector<int> unused;
        std::vector<int> groups;
        for (const Condition& c : conditions_)
            if (core.has(c)) {
                switch (c.kind) {
                case Kind::Front: front.push_back(c.index); break;
                case Kind::Fixed: fixed.push_back(c.index); break;
                case Kind::Unused: unused.push_back(c.index); break;
                case Kind::Apart: groups.push_back(c.index); break;
                default: break;
                }
            }
        const bool options = core.mixing || core.moves || core.neighbours;
        const auto onlyFixed = [&](std::size_t count) {
            return fixed.size() == count && front.empty() && unused.empty() && groups.empty();
        };
        if (onlyFixed(1) && !options && !onGrid(student(fixed[0]).desk))
            return Say(kFixedNowhere, {student(fixed[0]).name});
        if (fixed.size() == 1 && unused.size() == 1 && front.empty() && groups.empty() && !options
            && student(fixed[0]).desk == unused[0])
            return Say(kFixedUnused, {student(fixed[0]).name});
        if (fixed.size() == 1 && front == fixed && unused.empty() && groups.empty() && !options)
            return Say(kFixedOutsideFront, {student(fixed[0]).name, Number(p_.frontRows)});
        if (fixed.size() == 2 && front.empty() && unused.empty() && options == false && groups.size() == 1
            && bothIn(groups_[static_cast<std::size_t>(groups[0])], fixed[0], fixed[1]))
            return Say(kFixedApart, {student(fixed[0]).name, student(fixed[1]).name});
        if (onlyFixed(2) && core.neighbours && !core.mixing && !core.moves)
            return Say(kFixedNeighbours, {student(fixed[0]).name, student(fixed[1]).name});
        if (onlyFixed(2) && core.mixing && !core.moves && !core.neighbours)
            return Say(kFixedMixing, {student(fixed[0]).name, student(fixed[1]).name, std::string(modeText())});
        if (groups.empty() && !core.neighbours)
            if (auto reason = shortOfDesks(core))
                return *reason;
        if (!core.neighbours && groups.size() == 1)
            return Say(kApartGroupWith, {names(groups_[static_cast<std::size_t>(groups[0])]), apartAnd(core)});
        if (!core.neighbours && !groups.empty())
            if (auto reason = crowded(core))
                return *reason;
        const bool restOff = fixed.empty() && front.empty() && unused.empty() && !core.mixing && !core.moves;
        if (restOff && groups.empty() && core.neighbours)
            return std::string(kNeighbours);
        if (restOff && !groups.empty())
            return std::string(core.neighbours ? kApartAndNeighbours : kApartAll);
        return Say(kClash, {listed(core)});
    }

    static bool bothIn(const std::vector<int>& group, int a, int b)
    {
        return std::find(group.begin(), group.end(), a) != group.end()
               && std::find(group.begin(), group.end(), b) != group.end();
    }

    // A clash of desk sets alone (no pairs): some students have too few desks, for
    // each way of mixing. Told by the kinds of student a teacher counts (the front
    // rows, a sex under mixing, both), counted with the room's 空席 marks,
    // else by the names of students who together have too few desks.
    std::optional<std::string> shortOfDesks(const Active& core)
    {
        Active seen = core;
        seen.unused = full_.unused;
        seen.front = full_.front; // counted: every student the teacher marked
        seen.moves = false;       // a count of desks in the room, not of those left to move to
        Active seenUnmixed = seen;
        seenUnmixed.mixing = false;
        const Model unmixed = model(seenUnmixed, 0, {});
        std::optional<std::string> best;
        int bestDeficit = 0;
        for (int parity : parities(core)) {
            const Model shown = model(seen, parity, {});
            const Model m = model(core, parity, {});
            std::string reason;
            int deficit = 0;
            if (!countedShort(core, unmixed, shown, reason, deficit)) {
                Search search(room_, m, rng_, *limits_);
                const std::vector<int>& group = search.shortStudents();
                if (group.empty())
                    return std::nullopt; // not a clash of desk sets after all
                const std::string narrowing = conditionsOn(core, group);
                deficit = 1;
                if (group.size() == 1)
                    reason = Say(kNoSeat, {student(group[0]).name, narrowing});
                else
                    reason = Say(kShort, {names(group), Number(group.size()), Number(group.size() - 1), narrowing});
            }
            if (!best || deficit < bestDeficit) {
                best = std::move(reason);
                bestDeficit = deficit;
            }
        }
        return best;
    }

    // Students who together have too few desks, for every way of mixing; told by
    // their names and what narrows their desks.
    std::optional<std::string> shortStudents(const Active& core)
    {
        std::optional<std::string> reason;
        for (int parity : parities(core)) {
            Search search(room_, model(core, parity, {}), rng_, *limits_);
            const std::vector<int>& group = search.shortStudents();
            if (group.empty())
                return std::nullopt;
            if (reason)
                continue;
            const std::string narrowing = conditionsOn(core, group);
            reason = group.size() == 1
                         ? Say(kNoSeat, {student(group[0]).name, narrowing})
                         : Say(kShort, {names(group), Number(group.size()), Number(group.size() - 1), narrowing});
        }
        return reason;
    }

    // `unmixed` counts desks for the front rows alone, `mixed` for a sex.
    bool countedShort(const Active& core, const Model& unmixed, const Model& mixed, std::string& reason,
                      int& deficit) const
    {
        const std::string k = Number(p_.frontRows);
        struct Who {
            bool front;
            Sex sex;
        };
        for (const Who who : {Who{true, Sex::None}, Who{false, Sex::Boy}, Who{false, Sex::Girl}, Who{true, Sex::Boy},
                              Who{true, Sex::Girl}}) {
            if (who.sex != Sex::None && !core.mixing)
                continue;
            int count = 0;
            Bits desks;
            for (int s = 0; s < n_; ++s) {
                const DraftStudent& st = student(s);
                if (At(core.fixed, s) || (who.front && !At(full_.front, s))
                    || (who.sex != Sex::None && st.sex != who.sex))
                    continue;
                ++count;
                desks |= At(who.sex == Sex::None ? unmixed.domains : mixed.domains, s);
            }
            if (count <= desks.count())
                continue;
            const std::string many = Number(count);
            const std::string seats = Number(desks.count());
            const std::string sex(who.sex == Sex::Boy ? kBoys : kGirls);
            reason = !who.front             ? Say(kSexSeats, {std::string(modeText()), sex, many, seats})
                     : who.sex == Sex::None ? Say(kFrontSeats, {k, many, seats})
                                            : Say(kFrontSexSeats, {k, sex, many, seats});
            deficit = count - desks.count();
            return true;
        }
        return false;
    }

    // Students who must all be apart and do not fit, for every way of mixing.
    std::optional<std::string> crowded(const Active& core)
    {
        std::optional<std::string> reason;
        for (int parity : parities(core)) {
            const Model m = model(core, parity, {});
            Search search(room_, m, rng_, *limits_);
            if (search.crowdedClique() < 0)
                return std::nullopt;
            if (reason)
                continue;
            const std::vector<int>& clique = At(m.cliques, search.crowdedClique());
            std::vector<int> involved;
            for (std::size_t g = 0; g < groups_.size(); ++g)
                if (core.group[g] && std::count_if(groups_[g].begin(), groups_[g].end(), [&](int s) {
                                         return std::find(clique.begin(), clique.end(), s) != clique.end();
                                     }) >= 2)
                    involved.push_back(static_cast<int>(g));
            if (involved.size() == 1) {
                reason = Say(kApartGroupWith, {names(clique), apartAnd(core)});
            } else if (!kindsBesideApart(core).empty()) {
                return std::nullopt; // the desks counted depend on more than the groups: listed instead
            } else {
                std::string labels;
                for (int g : involved)
                    labels += (labels.empty() ? "" : std::string(kSlash)) + names(groups_[static_cast<std::size_t>(g)]);
                reason = Say(kApartCrowd, {names(clique), Number(clique.size()),
                                           Number(draftsearch::ApartCapacity(room_, m.domains, clique)), labels});
            }
        }
        return reason;
    }

    // "離す", then the other kinds of condition in `core`: "離す・前方・男女".
    std::string apartAnd(const Active& core) const
    {
        std::string kinds(kApart);
        for (std::string_view extra : kindsBesideApart(core))
            kinds += std::string(kDot) + std::string(extra);
        return kinds;
    }

    std::vector<std::string_view> kindsBesideApart(const Active& core) const
    {
        std::vector<std::string_view> kinds;
        const auto anyOn = [](const std::vector<char>& v) { return std::find(v.begin(), v.end(), 1) != v.end(); };
        if (anyOn(core.front))
            kinds.push_back(kFront);
        if (anyOn(core.fixed))
            kinds.push_back(kFixed);
        if (anyOn(core.unused))
            kinds.push_back(kUnused);
        if (core.mixing)
            kinds.push_back(kMixing);
        if (core.moves)
            kinds.push_back(kEveryoneMoves);
        return kinds;
    }

    // The conditions that narrow where these students may sit, as "前方・全員移動".
    std::string conditionsOn(const Active& core, const std::vector<int>& group) const
    {
        const auto any = [&](auto test) { return std::any_of(group.begin(), group.end(), test); };
        std::vector<std::string_view> found;
        if (any([&](int s) { return s < n_ && At(core.front, s); }))
            found.push_back(kFront);
        if (core.mixing && any([&](int s) { return s < n_ && student(s).sex != Sex::None; }))
            found.push_back(kMixing);
        if (core.moves && any([&](int s) { return s < n_ && onGrid(student(s).desk); }))
            found.push_back(kEveryoneMoves);
        if (any([&](int s) { return s < n_ && At(core.range, s); }))
            found.push_back(kRange);
        if (core.pastDesks && any([&](int s) { return s < n_ && !At(pastDesks_, s).none(); }))
            found.push_back(kPastDesks);
        if (core.swap && any([&](int s) { return s < n_ && swapOf(s) != 0; }))
            found.push_back(kSwapHalves);
        if (std::find(core.fixed.begin(), core.fixed.end(), 1) != core.fixed.end())
            found.push_back(kFixed);
        if (std::find(core.unused.begin(), core.unused.end(), 1) != core.unused.end())
            found.push_back(kUnused);
        std::string text;
        for (std::string_view condition : found)
            text += (text.empty() ? "" : std::string(kDot)) + std::string(condition);
        return text;
    }

    // The conditions that make a search long: the biggest keep-apart groups, then
    // the front marks and the options that tie students to kinds of desk.
    std::string hardest() const
    {
        std::vector<std::size_t> order(groups_.size());
        std::iota(order.begin(), order.end(), std::size_t(0));
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return groups_[a].size() > groups_[b].size(); });
        constexpr std::size_t kShown = 3;
        std::vector<std::string> items;
        for (std::size_t i = 0; i < order.size() && i < kShown; ++i)
            items.push_back(Say(kApartOf, {names(groups_[order[i]])}));
        if (order.size() > kShown)
            items.push_back(Say(kOthersGroups, {Number(order.size() - kShown)}));
        if (const auto front = std::count(full_.front.begin(), full_.front.end(), 1); front > 0)
            items.push_back(Say(kFrontCount, {Number(static_cast<std::size_t>(front))}));
        if (full_.mixing)
            items.emplace_back(modeText());
        if (full_.moves)
            items.emplace_back(kEveryoneMoves);
        if (full_.neighbours)
            items.emplace_back(kNewNeighbours);
        if (!together_.empty())
            items.push_back(Say(kTogetherCount, {Number(together_.size())}));
        for (const auto& [on, text] : {std::pair{full_.onePer, kOnePerGroup}, std::pair{full_.groupMix, kGroupMixing},
                                       std::pair{full_.pastNeighbours, kPastNeighbours},
                                       std::pair{full_.pastDesks, kPastDesks}, std::pair{full_.swap, kSwapHalves}})
            if (on)
                items.emplace_back(text);
        std::string text;
        for (const std::string& item : items)
            text += (text.empty() ? "" : std::string(kSlash)) + item;
        return text.empty() ? std::string("-") : text;
    }

    // Every condition of `a`, named with its students and desks.
    std::string listed(const Active& a) const
    {
        std::vector<std::string> items;
        std::vector<int> front;
        std::vector<int> fixed;
        std::vector<std::string> desks;
        for (const Condition& c : conditions_) {
            if (!a.has(c))
                continue;
            if (c.kind == Kind::Front)
                front.push_back(c.index);
            else if (c.kind == Kind::Fixed)
                fixed.push_back(c.index);
            else if (c.kind == Kind::Unused)
                desks.push_back(
                    Say(kDeskAt, {Number(room_.column(c.index) + 1), Number(p_.rows - room_.row(c.index))}));
        }
        if (!front.empty())
            items.push_back(Say(kFrontOf, {names(front)}));
        if (!fixed.empty())
            items.push_back(Say(kFixedOf, {names(fixed)}));
        if (!desks.empty()) {
            std::string text;
            for (std::size_t i = 0; i < desks.size() && i < 3; ++i)
                text += (i > 0 ? std::string(kComma) : "") + desks[i];
            if (desks.size() > 3)
                text += Say(kOthersDesks, {Number(desks.size() - 3)});
            items.push_back(Say(kUnusedOf, {text}));
        }
        for (std::size_t g = 0; g < groups_.size(); ++g)
            if (a.group[g])
                items.push_back(Say(kApartOf, {names(groups_[g])}));
        if (a.mixing)
            items.emplace_back(modeText());
        if (a.moves)
            items.emplace_back(kEveryoneMoves);
        if (a.neighbours)
            items.emplace_back(kNewNeighbours);
        std::vector<int> ranged;
        for (int s = 0; s < n_; ++s)
            if (At(a.range, s))
                ranged.push_back(s);
        if (!ranged.empty())
            items.push_back(Say(kRangeOf, {names(ranged)}));
        for (std::size_t g = 0; g < together_.size(); ++g)
            if (a.together[g])
                items.push_back(Say(kTogetherOf, {names(together_[g].members, kDot)}));
        for (std::size_t g = 0; g < separate_.size(); ++g)
            if (a.separate[g])
                items.push_back(Say(kSeparateOf, {names(separate_[g], kDot)}));
        for (const auto& [on, text] : {std::pair{a.onePer, kOnePerGroup}, std::pair{a.groupMix, kGroupMixing},
                                       std::pair{a.pastNeighbours, kPastNeighbours}, std::pair{a.pastDesks, kPastDesks},
                                       std::pair{a.swap, kSwapHalves}})
            if (on)
                items.emplace_back(text);
        std::string text;
        for (const std::string& item : items)
            text += (text.empty() ? "" : std::string(kSlash)) + item;
        return text;
    }

    std::string_view modeText() const { return p_.mixing == Mixing::Columns ? kColumnsMode : kCheckerMode; }

    std::string names(const std::vector<int>& group, std::string_view separator = kComma) const
    {
        constexpr std::size_t kShown = 3;
        std::string text;
        for (std::size_t i = 0; i < group.size() && i < kShown; ++i) {
            if (i > 0)
                text += separator;
            text += student(group[i]).name;
        }
        if (group.size() > kShown)
            text += Say(kOthers, {Number(group.size() - kShown)});
        return text;
    }

    int usable() const
    {
        int count = 0;
        for (int d = 0; d < p_.columns * p_.rows; ++d)
            count += marked(d) ? 0 : 1;
        return count;
    }

    const DraftStudent& student(int s) const { return p_.students[static_cast<std::size_t>(s)]; }
    bool onGrid(int desk) const { return desk >= 0 && desk < room_.desks; }
    bool marked(int desk) const
    {
        return static_cast<std::size_t>(desk) < p_.unused.size() && p_.unused[static_cast<std::size_t>(desk)];
    }

    const DraftProblem& p_;
    const DraftLimits* limits_;
    Room room_;
    std::mt19937_64 rng_;
    int n_;
    std::vector<Condition> conditions_;
    std::vector<std::vector<int>> groups_;       // the keep-apart groups, each student once, sorted
    std::vector<int> groupSource_;               // per group, its index in the problem's apartGroups
    std::vector<std::pair<int, int>> pairs_;     // today's left and right neighbours
    std::vector<Bits> ranges_;                   // per student, its seat range (when it has one)
    std::vector<Bits> pastDesks_;                // per student
    std::vector<Model::Together> together_;      // 近づける groups, members each once, sorted
    std::vector<int> togetherSource_;            // per group, its index in the problem's together
    std::vector<std::vector<int>> separate_;     // 同じ班にしない groups, likewise
    std::vector<int> separateSource_;            // per group, its index in separateGroups
    std::vector<int> onePer_;                    // 班に一人ずつ
    std::vector<std::pair<int, int>> pastPairs_; // sat beside each other before
    Active full_;                                // every condition the teacher set
    Bits usualEmpty_;                            // EmptyDesks
};

} // namespace

bool InFrontHalf(int desk, int columns, int rows)
{
    return desk / columns >= rows - rows / 2;
}

bool InBackHalf(int desk, int columns, int rows)
{
    return desk / columns < rows / 2;
}

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
