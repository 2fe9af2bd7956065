#pragma once
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace kelmora {

// Names cut from the student list or from desks, waiting to be pasted: first in,
// first out. The name queue and the position queue move in step, so the i-th name
// always belongs to the i-th roster position.
class CutQueue {
public:
    void append(std::string name, std::int32_t position)
    {
        names_.push_back(std::move(name));
        positions_.push_back(position);
    }
    bool empty() const { return names_.empty(); }
    std::size_t size() const { return names_.size(); }
    const std::string& frontName() const
    {
        assert(!empty());
        return names_.front();
    }
    std::int32_t frontPosition() const
    {
        assert(!empty());
        return positions_.front();
    }
    void removeFront()
    {
        assert(!empty());
        names_.pop_front();
        positions_.pop_front();
    }
    // For undoing: a name goes back to the front, or the last added leaves again.
    void prepend(std::string name, std::int32_t position)
    {
        names_.push_front(std::move(name));
        positions_.push_front(position);
    }
    void removeBack()
    {
        assert(!empty());
        names_.pop_back();
        positions_.pop_back();
    }
    friend bool operator==(const CutQueue&, const CutQueue&) = default;
    const std::deque<std::string>& names() const { return names_; }
    const std::deque<std::int32_t>& positions() const { return positions_; }

private:
    std::deque<std::string> names_;
    std::deque<std::int32_t> positions_;
};

} // namespace kelmora
