// The points of one series, ordered by instant, in one array of (instant,
// value) pairs: two points at the same instant are one point. Several times
// smaller and faster to walk than a tree node per point. Copies share one
// array until one of them changes (a shown copy of a whole series costs
// nothing).
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "rules/time/TimeKey.h"

// The time of a point: its instant.
struct PointTime {
    std::int64_t instant = 0;
};

class PointMap {
public:
    using value_type = std::pair<PointTime, double>;
    using Storage = std::vector<value_type>;
    using iterator = Storage::iterator;
    using const_iterator = Storage::const_iterator;
    using const_reverse_iterator = Storage::const_reverse_iterator;

    PointMap() = default;
    // A copy of a stretch of another series (already ordered).
    PointMap(const_iterator first, const_iterator last) : points_(std::make_shared<Storage>(first, last)) {}
    // The points of source from first to last: all of them share its array.
    static PointMap stretchOf(const PointMap& source, const_iterator first, const_iterator last) {
        if (first == source.begin() && last == source.end()) return source;
        return PointMap(first, last);
    }

    // Points in any order; of two at the same instant the later one stays.
    static PointMap fromUnordered(Storage points) {
        bool strictlyIncreasing = true;
        for (std::size_t i = 1; i < points.size() && strictlyIncreasing; ++i)
            strictlyIncreasing = points[i - 1].first.instant < points[i].first.instant;
        if (!strictlyIncreasing) {
            putInOrder(points);
            // Of a run of points at one instant the last one stays.
            auto kept = points.begin();
            for (auto it = points.begin(); it != points.end(); ++it) {
                if (kept != points.begin() && std::prev(kept)->first.instant == it->first.instant)
                    *std::prev(kept) = *it;
                else
                    *kept++ = *it;
            }
            points.erase(kept, points.end());
        }
        // Held as long as the series is charted: more than a little spare room is given back.
        if (points.capacity() - points.size() > points.size() / 64 + 16) points.shrink_to_fit();
        PointMap map;
        map.points_ = std::make_shared<Storage>(std::move(points));
        return map;
    }

    // The value at the key's instant; a new point (value 0) when there is none.
    double& operator[](const TimeKey& key) {
        Storage& points = own();
        auto it = std::lower_bound(points.begin(), points.end(), key.instant,
                                   [](const value_type& p, std::int64_t t) { return p.first.instant < t; });
        if (it == points.end() || it->first.instant != key.instant)
            it = points.insert(it, value_type{PointTime{key.instant}, 0.0});
        return it->second;
    }

    // The first point at or after the key's instant.
    const_iterator lower_bound(const TimeKey& key) const {
        return std::lower_bound(data().begin(), data().end(), key.instant,
                                [](const value_type& p, std::int64_t t) { return p.first.instant < t; });
    }

    // The first point after the key's instant.
    const_iterator upper_bound(const TimeKey& key) const {
        return std::upper_bound(data().begin(), data().end(), key.instant,
                                [](std::int64_t t, const value_type& p) { return t < p.first.instant; });
    }

    // Adds a point later than every point held.
    void append(const value_type& point) { own().push_back(point); }

    const_iterator begin() const { return data().begin(); }
    const_iterator end() const { return data().end(); }
    const_reverse_iterator rbegin() const { return data().rbegin(); }
    const_reverse_iterator rend() const { return data().rend(); }
    std::size_t size() const { return data().size(); }
    bool empty() const { return data().empty(); }
    void clear() { points_.reset(); }

private:
    // Orders the points by instant, keeping points at one instant in the
    // order given (as std::stable_sort does). Points that are nearly in order
    // (a few out of place around a clock change) are each moved back to their
    // place; when that would take many moves, stable_sort orders the rest.
    static void putInOrder(Storage& points) {
        const auto earlier = [](const value_type& a, const value_type& b) { return a.first.instant < b.first.instant; };
        std::size_t movesLeft = 8 * points.size();
        for (auto it = points.begin(); it != points.end(); ++it) {
            // Points before it are in order; it goes after every point not later than it.
            auto place = it;
            while (place != points.begin() && earlier(*it, *std::prev(place)) && movesLeft > 0) {
                --place;
                --movesLeft;
            }
            if (movesLeft == 0) {
                // The points are still those given, each run at one instant
                // in its order: sorting them stably orders them as sorting
                // the given ones would.
                std::stable_sort(points.begin(), points.end(), earlier);
                return;
            }
            std::rotate(place, it, std::next(it));
        }
    }

    const Storage& data() const {
        static const Storage none;
        return points_ ? *points_ : none;
    }
    // The array to change, no longer shared with any copy.
    Storage& own() {
        if (!points_)
            points_ = std::make_shared<Storage>();
        else if (points_.use_count() > 1)
            points_ = std::make_shared<Storage>(*points_);
        return *points_;
    }

    std::shared_ptr<Storage> points_;  // null: no points
};
