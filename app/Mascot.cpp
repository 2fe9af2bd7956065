#include "app/Mascot.h"

#include <array>
#include <numeric>
#include <utility>

namespace kelmora::mascot {

Generator& ProgramGenerator()
{
    static Generator generator;
    return generator;
}

int ShuffledHead(std::int64_t clockSecond, Generator& generator)
{
    std::array<int, 50> list{};
    std::iota(list.begin(), list.end(), 1);
    generator.seed(static_cast<Generator::result_type>(clockSecond));
    for (std::size_t i = 1; i < list.size(); ++i) {
        const std::size_t j = generator() % (i + 1);
        std::swap(list[i], list[j]);
    }
    return list[0];
}

int AnimationStep(int& tickCounter, int& frame, std::int64_t clockSecond, Generator& generator)
{
    const int drawn = frame;
    ++tickCounter;
    frame = tickCounter % 2 == 0 ? kFrameFirst : kFrameSecond;
    // The shuffle runs every tick, whatever the frame, so the generator is left
    // in the same state for the runaway step either way.
    const int head = ShuffledHead(clockSecond, generator);
    if (frame == kFrameSecond && head % 13 == 0)
        frame = kFrameRare;
    if (tickCounter >= kTickWrap)
        tickCounter = 0;
    return drawn;
}

int AnimationStep(int& tickCounter, int& frame, std::int64_t clockSecond)
{
    return AnimationStep(tickCounter, frame, clockSecond, ProgramGenerator());
}

int Random(Generator& generator, int n)
{
    if (n <= 0)
        return 0;
    return std::uniform_int_distribution<int>(0, n - 1)(generator);
}

int RunawayArea::rowDraws() const
{
    return h > 0 ? outerH * 100 / h : 0;
}

int RunawayArea::columnDraws() const
{
    return w > 0 ? outerW * 100 / w : 0;
}

Place RunawayPlace(const RunawayArea& area, int a, int b)
{
    Place place{area.h * a / 100, area.w * b / 100};
    if (place.top + area.h > area.outerH)
        place.top = area.outerH - area.h;
    if (place.left + area.w > area.outerW)
        place.left = area.outerW - area.w;
    return place;
}

Place RunawayStep(const RunawayArea& area, Generator& generator)
{
    const int a = Random(generator, area.rowDraws());
    const int b = Random(generator, area.columnDraws());
    return RunawayPlace(area, a, b);
}

Place RunawayStep(const RunawayArea& area)
{
    return RunawayStep(area, ProgramGenerator());
}

} // namespace kelmora::mascot
