// The points of one series, ordered by instant, in one array of (instant,
// value) pairs: two points at the same instant are one point. Several times
// smaller and faster to walk than a tree node per point.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "ui/chart/TimeKey.h"

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
    PointMap(const_iterator first, const_iterator last) : points_(first, last) {}

    // Points in any order; of two at the same instant the later one stays.
    static PointMap fromUnordered(Storage points) {
        const auto earlier = [](const value_type& a, const value_type& b) { return a.first.instant < b.first.instant; };
        bool strictlyIncreasing = true;
        for (std::size_t i = 1; i < points.size() && strictlyIncreasing; ++i)
            strictlyIncreasing = points[i - 1].first.instant < points[i].first.instant;
        PointMap map;
        if (strictlyIncreasing) {
            map.points_ = std::move(points);
            return map;
        }
        std::stable_sort(points.begin(), points.end(), earlier);
        Storage& out = map.points_;
        out.reserve(points.size());
        for (const value_type& p : points) {
            if (!out.empty() && out.back().first.instant == p.first.instant)
                out.back() = p;
            else
                out.push_back(p);
        }
        return map;
    }

    // The value at the key's instant; a new point (value 0) when there is none.
    double& operator[](const TimeKey& key) {
        auto it = std::lower_bound(points_.begin(), points_.end(), key.instant,
                                   [](const value_type& p, std::int64_t t) { return p.first.instant < t; });
        if (it == points_.end() || it->first.instant != key.instant)
            it = points_.insert(it, value_type{PointTime{key.instant}, 0.0});
        return it->second;
    }

    // The first point at or after the key's instant.
    const_iterator lower_bound(const TimeKey& key) const {
        return std::lower_bound(points_.begin(), points_.end(), key.instant,
                                [](const value_type& p, std::int64_t t) { return p.first.instant < t; });
    }

    // The first point after the key's instant.
    const_iterator upper_bound(const TimeKey& key) const {
        return std::upper_bound(points_.begin(), points_.end(), key.instant,
                                [](std::int64_t t, const value_type& p) { return t < p.first.instant; });
    }

    // Adds a point later than every point held.
    void append(const value_type& point) { points_.push_back(point); }

    iterator begin() { return points_.begin(); }
    iterator end() { return points_.end(); }
    const_iterator begin() const { return points_.begin(); }
    const_iterator end() const { return points_.end(); }
    const_reverse_iterator rbegin() const { return points_.rbegin(); }
    const_reverse_iterator rend() const { return points_.rend(); }
    std::size_t size() const { return points_.size(); }
    bool empty() const { return points_.empty(); }
    void clear() { points_.clear(); }

private:
    Storage points_;
};
