#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "rules/chart/PointMap.h"

namespace {

PointMap pointsAt(std::vector<std::int64_t> instants) {
    PointMap::Storage s;
    for (std::int64_t t : instants) s.push_back({PointTime{t}, static_cast<double>(t)});
    return PointMap::fromUnordered(s);
}

std::vector<std::int64_t> instantsOf(const PointMap& m) {
    std::vector<std::int64_t> out;
    for (const auto& p : m) out.push_back(p.first.instant);
    return out;
}

}  // namespace

TEST(PointMap, ACopyKeepsItsPointsWhicheverSideChangesLater) {
    PointMap original = pointsAt({10, 20, 30});
    PointMap copy = original;
    original.append({PointTime{40}, 4});
    copy[TimeKey::fromInstant(15)] = 1.5;
    EXPECT_EQ(instantsOf(original), (std::vector<std::int64_t>{10, 20, 30, 40}));
    EXPECT_EQ(instantsOf(copy), (std::vector<std::int64_t>{10, 15, 20, 30}));
    copy.clear();
    EXPECT_EQ(original.size(), 4u);
}

TEST(PointMap, AStretchOfTheWholeSeriesSharesItsPointsAndAPartIsCopied) {
    const PointMap series = pointsAt({10, 20, 30});
    const PointMap whole = PointMap::stretchOf(series, series.begin(), series.end());
    const PointMap part = PointMap::stretchOf(series, series.begin() + 1, series.end());
    EXPECT_EQ(&*whole.begin(), &*series.begin());
    EXPECT_EQ(instantsOf(part), (std::vector<std::int64_t>{20, 30}));
    EXPECT_NE(&*part.begin(), &*(series.begin() + 1));
}

TEST(PointMap, PointsInAnyOrderAreOrderedAndTheLaterOfOneInstantStays) {
    // Nearly in order (a repeated hour), and far from it (many times the
    // moves a nearly ordered series needs).
    std::vector<std::vector<std::int64_t>> cases{{10, 20, 30, 25, 20, 40, 35, 50}, {}};
    for (int i = 0; i < 300; ++i) cases[1].push_back((300 - i) % 97);
    for (const auto& instants : cases) {
        PointMap::Storage given;
        std::map<std::int64_t, double> expected;
        for (std::size_t i = 0; i < instants.size(); ++i) {
            given.push_back({PointTime{instants[i]}, static_cast<double>(i)});
            expected[instants[i]] = static_cast<double>(i);
        }
        const PointMap points = PointMap::fromUnordered(given);
        std::vector<std::pair<std::int64_t, double>> got;
        for (const auto& p : points) got.push_back({p.first.instant, p.second});
        EXPECT_EQ(got, (std::vector<std::pair<std::int64_t, double>>(expected.begin(), expected.end())))
            << instants.size() << " points";
    }
}
