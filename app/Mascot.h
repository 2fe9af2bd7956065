#pragma once
#include <cstdint>
#include <random>

// The mascot picture's arithmetic: which frame the animation draws at each tick
// of Timer2, and where the picture jumps when the pointer touches it. No widgets
// here, so the rules can be driven tick by tick in tests.
namespace kelmora::mascot {

// The program's one pseudo-random generator. The animation reseeds it from the
// clock at every tick and the runaway step draws from it, so both share it.
using Generator = std::mt19937;
Generator& ProgramGenerator();

// Number of images in ImageList1 and their indices.
inline constexpr int kFrameFirst = 0;  // first phase of the motion
inline constexpr int kFrameSecond = 1; // second phase
inline constexpr int kFrameRare = 2;   // the rare variant of the second phase
inline constexpr int kTickWrap = 200;  // the tick counter runs 0..199

// One tick of the animation. Returns the frame to draw now (the one chosen at
// the tick before), then advances tickCounter and picks the next frame into
// `frame`. `clockSecond` is the calendar time in whole seconds; the generator is
// reseeded with it, so the choice depends on nothing but the counter and that
// second.
int AnimationStep(int& tickCounter, int& frame, std::int64_t clockSecond, Generator& generator);
int AnimationStep(int& tickCounter, int& frame, std::int64_t clockSecond);

// The first entry of the list 1..50 after the reseed-and-shuffle of one tick.
int ShuffledHead(std::int64_t clockSecond, Generator& generator);

// A whole number drawn uniformly from 0 to n - 1; 0 when n is 0 or less.
int Random(Generator& generator, int n);

struct Place {
    int top = 0;
    int left = 0;
    friend bool operator==(const Place&, const Place&) = default;
};

// The bounds of the two draws of a runaway step: a below rowDraws(), b below
// columnDraws(). outerH/outerW are the size of the panel the picture lives in,
// h/w the picture's own size.
struct RunawayArea {
    int outerH = 0;
    int outerW = 0;
    int h = 0;
    int w = 0;
    int rowDraws() const;    // outerH * 100 / h, 0 for an empty picture
    int columnDraws() const; // outerW * 100 / w
};

// Where the picture lands for the draws a and b: whole hundredths of its own
// size, pulled back onto the bottom and right edges when it would reach past them.
Place RunawayPlace(const RunawayArea& area, int a, int b);

// The runaway step: draws a, then b, from the generator and places the picture.
Place RunawayStep(const RunawayArea& area, Generator& generator);
Place RunawayStep(const RunawayArea& area);

} // namespace kelmora::mascot
