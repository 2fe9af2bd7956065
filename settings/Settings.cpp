#include "settings/Settings.h"

#include <charconv>
#include <stdexcept>

namespace kelmora {

int ParseWholeNumber(std::string_view text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty())
        throw std::invalid_argument("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

std::string DeskCountText(int columns, int rows)
{
    return std::to_string(columns * rows);
}

} // namespace kelmora
