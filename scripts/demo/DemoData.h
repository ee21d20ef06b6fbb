// Sample data folder for demonstrations: a registry with three people and,
// for each, a user file made from the template with about a year of
// plausible readings of every variable the template lists. Some readings
// fall outside the person's normal range; the third person measures blood
// sugar fasting only. The output depends only on the template, the seed
// and the last day, so the same call always writes the same bytes.
//
// The files are built as documents and printed by the store's printer, so
// they have exactly the layout the program writes itself.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "store/XmlDocument.h"
#include "store/XmlFile.h"

namespace demo {

struct Date {
    int year = 0;
    int month = 0;  // 1 to 12
    int day = 0;
};

struct Options {
    std::string templatePath;  // the template_new.xml to copy users from
    std::string outFolder;     // existing folder; files are written into it
    Date lastDay;              // the last day with readings
    std::uint32_t seed = 20240601u;
    int days = 365;            // days with readings, ending with lastDay
};

// ---- calendar arithmetic on day numbers (days since 1970-01-01), no time zone

inline std::int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153u * static_cast<unsigned>(m + (m > 2 ? -3 : 9)) + 2u) / 5u + static_cast<unsigned>(d) - 1u;
    const unsigned doe = yoe * 365u + yoe / 4u - yoe / 100u + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

inline Date civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460u + doe / 36524u - doe / 146096u) / 365u;
    const unsigned doy = doe - (365u * yoe + yoe / 4u - yoe / 100u);
    const unsigned mp = (5u * doy + 2u) / 153u;
    Date out;
    out.day = static_cast<int>(doy - (153u * mp + 2u) / 5u + 1u);
    out.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    out.year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (out.month <= 2 ? 1 : 0));
    return out;
}

inline bool isValidDate(const Date& d) {
    if (d.year < 1970 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1) return false;
    return civilFromDays(daysFromCivil(d.year, d.month, d.day)).day == d.day;
}

// Reads "YYYY/MM/DD" (one-digit month and day allowed); nothing may follow.
inline bool parseDate(const std::string& text, Date& out) {
    Date d;
    int used = 0;
    if (std::sscanf(text.c_str(), "%d/%d/%d%n", &d.year, &d.month, &d.day, &used) != 3) return false;
    if (static_cast<std::size_t>(used) != text.size() || !isValidDate(d)) return false;
    out = d;
    return true;
}

inline Date today() {
    std::tm local{};
    platform::instantToLocal(static_cast<std::int64_t>(std::time(nullptr)), local);
    return Date{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

// The entry texts exactly as the new entry window fills them in.
inline std::string dateText(const Date& d) {
    char text[32];
    std::snprintf(text, sizeof text, "%d/%02d/%02d", d.year, d.month, d.day);
    return text;
}

inline std::string timeText(int hour24, int minute, int second) {
    int h = hour24 % 12;
    if (h == 0) h = 12;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d %s", h, minute, second, hour24 >= 12 ? "PM" : "AM");
    return text;
}

inline std::string valueText(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", v);
    return text;
}

// ---- random numbers: the engine's raw output is fixed by the standard, and
// the conversions below are our own, so every platform draws the same values.

class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed ? seed : 1u) {}
    std::uint32_t next() {
        // xorshift32
        std::uint32_t x = state_;
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        state_ = x;
        return x;
    }
    double uniform() { return (next() >> 8) * (1.0 / 16777216.0); }  // [0, 1)
    int between(int lo, int hi) { return lo + static_cast<int>(uniform() * (hi - lo + 1)); }
    bool chance(double p) { return uniform() < p; }
    double normal(double mean, double sd) {
        double u1 = uniform();
        if (u1 < 1e-12) u1 = 1e-12;
        const double u2 = uniform();
        return mean + sd * std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }

private:
    std::uint32_t state_;
};

// ---- the three people

struct Person {
    const char* first;
    const char* last;
    const char* dob;
    const char* gender;
    const char* weight;
    const char* height;
    const char* stepSize;
    const char* race;
    bool postprandial;  // measures blood sugar after meals too
    double pulse, systolic, diastolic, fasting, afterMeal, spo2, temperature, weightLb;
    int mood;
};

inline const std::vector<Person>& people() {
    static const std::vector<Person> list = {
        {"Margaret", "Holloway", "1948/4/12", "Female", "148", "5 ft 4 in", "26", "White", true,
         78, 132, 84, 104, 150, 96, 97.9, 148, 6},
        {"Daniel", "Okafor", "1971/9/30", "Male", "212", "6 ft 1 in", "31", "Black", true,
         72, 128, 82, 128, 182, 97, 98.2, 212, 7},
        {"Sofia", "Lindqvist", "1990/1/22", "Female", "132", "5 ft 6.5 in", "27", "White", false,
         68, 114, 72, 92, 0, 98, 98.4, 132, 8},
    };
    return list;
}

// ---- building documents

class Builder {
public:
    explicit Builder(RapidDocument& doc) : doc_(doc) {}
    XmlNode* element(XmlNode* parent, const char* name, const std::string& value = std::string()) {
        XmlNode* node = doc_.allocate_node(rapidxml::node_element, doc_.allocate_string(name),
                                           value.empty() ? nullptr : doc_.allocate_string(value.c_str()));
        parent->append_node(node);
        return node;
    }
    void setText(XmlNode* node, const std::string& value) { node->value(doc_.allocate_string(value.c_str())); }
    void attribute(XmlNode* node, const char* name, const std::string& value) {
        XmlAttribute* attr = node->first_attribute(name);
        char* text = doc_.allocate_string(value.c_str());
        if (attr)
            attr->value(text);
        else
            node->prepend_attribute(doc_.allocate_attribute(doc_.allocate_string(name), text));
    }

private:
    RapidDocument& doc_;
};

// One reading to store: date, time and up to two named values.
struct Reading {
    std::int64_t day;
    int hour, minute, second;
    std::vector<std::pair<const char*, double>> values;
};

inline double roundTo(double v, double step) { return std::round(v / step) * step; }

inline double clampTo(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

// The number in a range element (or its named child), NAN when empty.
inline double rangeValue(XmlNode* variable, const char* rangeName, const char* member) {
    XmlNode* range = variable->first_node(rangeName);
    if (!range) return NAN;
    if (member) range = range->first_node(member);
    if (!range || !range->value() || !*range->value()) return NAN;
    char* end = nullptr;
    double v = std::strtod(range->value(), &end);
    return end == range->value() ? NAN : v;
}

// Readings never fall between 2 and 4 in the morning, so no time lies in a
// daylight-saving gap of the local clock.
inline void addTime(Reading& r, Random& rnd, int fromHour, int toHour) {
    r.hour = rnd.between(fromHour, toHour);
    r.minute = rnd.between(0, 59);
    r.second = rnd.between(0, 59);
}

inline std::vector<Reading> readingsFor(const std::string& name, XmlNode* variable, const Person& p, Random& rnd,
                                        std::int64_t firstDay, int days) {
    std::vector<Reading> out;
    auto reading = [&](std::int64_t day, int fromHour, int toHour) {
        Reading r;
        r.day = day;
        addTime(r, rnd, fromHour, toHour);
        return r;
    };
    for (int i = 0; i < days; ++i) {
        const std::int64_t day = firstDay + i;
        const double season = std::sin(6.283185307179586 * i / 365.0);  // slow yearly swing
        if (name == "Pulse") {
            if (!rnd.chance(0.85)) continue;
            Reading r = reading(day, 7, 8);
            double v = rnd.normal(p.pulse + 2 * season, 6);
            if (rnd.chance(0.04)) v = rnd.chance(0.5) ? rnd.normal(112, 6) : rnd.normal(52, 3);
            r.values.push_back({"value", roundTo(clampTo(v, 38, 170), 1)});
            out.push_back(r);
        } else if (name == "Blood Pressure") {
            if (!rnd.chance(0.8)) continue;
            Reading r = reading(day, 7, 8);
            double s = rnd.normal(p.systolic + 4 * season, 8);
            double d = rnd.normal(p.diastolic + 2 * season, 5);
            if (rnd.chance(0.03)) {
                s += 30;
                d += 15;
            }
            r.values.push_back({"systolic", roundTo(clampTo(s, 80, 220), 1)});
            if (!rnd.chance(0.03))  // now and then only the upper value was noted
                r.values.push_back({"diastolic", roundTo(clampTo(d, 45, 130), 1)});
            out.push_back(r);
        } else if (name == "Blood Sugar") {
            if (rnd.chance(p.postprandial ? 0.9 : 0.45)) {
                Reading r = reading(day, 6, 7);
                double v = rnd.normal(p.fasting, p.postprandial ? 14 : 7);
                if (rnd.chance(0.03)) v = rnd.normal(68, 5);
                r.values.push_back({"fasting", roundTo(clampTo(v, 45, 320), 1)});
                out.push_back(r);
            }
            if (p.postprandial && rnd.chance(0.7)) {
                Reading r = reading(day, 19, 21);
                double v = rnd.normal(p.afterMeal, 25);
                r.values.push_back({"postprandial", roundTo(clampTo(v, 60, 380), 1)});
                out.push_back(r);
            }
        } else if (name == "SpO2") {
            if (!rnd.chance(0.4)) continue;
            Reading r = reading(day, 8, 11);
            double v = rnd.normal(p.spo2, 1.2);
            if (rnd.chance(0.03)) v = rnd.normal(91, 1.5);
            r.values.push_back({"value", roundTo(clampTo(v, 80, 100), 1)});
            out.push_back(r);
        } else if (name == "Temperature") {
            // one week of fever halfway through, otherwise about twice a week
            const bool fever = i >= days / 2 && i < days / 2 + 6;
            if (!fever && !rnd.chance(0.3)) continue;
            Reading r = reading(day, 9, 20);
            double v = fever ? rnd.normal(100.8, 0.6) : rnd.normal(p.temperature, 0.35);
            r.values.push_back({"value", roundTo(clampTo(v, 95, 105), 0.1)});
            out.push_back(r);
        } else if (name == "Weight") {
            if (i % 7 != 3) continue;
            Reading r = reading(day, 6, 7);
            const double drift = -0.015 * i * (p.weightLb > 180 ? 1.0 : 0.2);
            r.values.push_back({"value", roundTo(rnd.normal(p.weightLb + drift, 0.8), 0.1)});
            out.push_back(r);
        } else if (name == "Mood") {
            if (!rnd.chance(0.7)) continue;
            Reading r = reading(day, 20, 22);
            int v = static_cast<int>(std::lround(rnd.normal(p.mood + season, 1.3)));
            r.values.push_back({"value", static_cast<double>(v < 1 ? 1 : (v > 10 ? 10 : v))});
            out.push_back(r);
        } else {
            // A variable this generator does not know: values around the
            // middle of its normal range, or 0 to 100 without one.
            if (!rnd.chance(0.3)) continue;
            double lo = rangeValue(variable, "normalLow", nullptr);
            double hi = rangeValue(variable, "normalHigh", nullptr);
            if (std::isnan(lo) || std::isnan(hi) || hi <= lo) {
                lo = 0;
                hi = 100;
            }
            Reading r = reading(day, 9, 18);
            r.values.push_back({"value", roundTo(rnd.normal((lo + hi) / 2, (hi - lo) / 4), 0.1)});
            out.push_back(r);
        }
    }
    return out;
}

inline bool writeText(const std::string& path, const std::string& text, std::string& error) {
    std::FILE* out = platform::openFile(path, "wb");
    if (!out) {
        error = "cannot create " + path;
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (std::fclose(out) != 0 || !written) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

inline std::string joinPath(const std::string& folder, const char* name) {
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') return folder + "/" + name;
    return folder + name;
}

// Writes config.hma and user0.hma, user1.hma, user2.hma into outFolder.
// Returns false with the reason when the template cannot be read or a file
// cannot be written.
inline bool generate(const Options& options, std::string& error) {
    if (!isValidDate(options.lastDay)) {
        error = "the last day is not a valid date";
        return false;
    }
    if (options.days < 1 || options.days > 3660) {
        error = "the number of days must be between 1 and 3660";
        return false;
    }
    std::vector<char> templateText;
    if (!XmlFile::readJoined(options.templatePath, templateText, error)) {
        error = "cannot read the template " + options.templatePath + ": " + error;
        return false;
    }

    XmlDocument config;
    RapidDocument& cfg = config.get();
    Builder configBuilder(cfg);
    XmlNode* configRoot = cfg.allocate_node(rapidxml::node_element, "config");
    cfg.append_node(configRoot);

    const std::int64_t lastDay = daysFromCivil(options.lastDay.year, options.lastDay.month, options.lastDay.day);
    const std::int64_t firstDay = lastDay - options.days + 1;
    Random rnd(options.seed);

    int id = 0;
    for (const Person& p : people()) {
        std::vector<char> text = templateText;
        XmlDocument user;
        std::string parseError;
        if (!XmlFile::parse(text, user, parseError)) {
            error = "the template is damaged: " + parseError;
            return false;
        }
        RapidDocument& doc = user.get();
        Builder b(doc);
        XmlNode* patient = doc.first_node("patient");
        XmlNode* info = patient ? patient->first_node("info") : nullptr;
        XmlNode* name = info ? info->first_node("name") : nullptr;
        if (!name || !name->first_node("first") || !name->first_node("last")) {
            error = "the template has no patient with info and name";
            return false;
        }
        const std::string idText = std::to_string(id);
        b.attribute(patient, "id", idText);
        b.setText(name->first_node("first"), p.first);
        b.setText(name->first_node("last"), p.last);
        const std::pair<const char*, const char*> fields[] = {{"dob", p.dob},         {"gender", p.gender},
                                                              {"weight", p.weight},   {"height", p.height},
                                                              {"stepSize", p.stepSize}, {"race", p.race}};
        for (const auto& f : fields) {
            XmlNode* node = info->first_node(f.first);
            if (node) b.setText(node, f.second);
        }

        for (XmlNode* v = patient->first_node("variable"); v; v = v->next_sibling("variable")) {
            XmlAttribute* attr = v->first_attribute();
            if (!attr) continue;
            int entryId = 0;
            for (const Reading& r : readingsFor(attr->value(), v, p, rnd, firstDay, options.days)) {
                XmlNode* entry = b.element(v, "entry");
                b.attribute(entry, "id", std::to_string(entryId++));
                for (const auto& value : r.values) b.element(entry, value.first, valueText(value.second));
                b.element(entry, "date", dateText(civilFromDays(r.day)));
                b.element(entry, "time", timeText(r.hour, r.minute, r.second));
            }
        }

        char fileName[32];
        std::snprintf(fileName, sizeof fileName, "user%d.hma", id);
        if (!writeText(joinPath(options.outFolder, fileName), XmlFile::print(user), error)) return false;

        XmlNode* record = configBuilder.element(configRoot, "patient");
        configBuilder.attribute(record, "id", idText);
        XmlNode* recordName = configBuilder.element(record, "name");
        configBuilder.element(recordName, "first", p.first);
        configBuilder.element(recordName, "last", p.last);
        configBuilder.element(record, "file", fileName);
        ++id;
    }
    return writeText(joinPath(options.outFolder, "config.hma"), XmlFile::print(config), error);
}

}  // namespace demo
