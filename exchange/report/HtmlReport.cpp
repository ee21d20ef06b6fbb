#include "exchange/report/HtmlReport.h"

#include <cmath>
#include <cstdio>

#include "exchange/report/HtmlText.h"
#include "exchange/report/ReportStats.h"
#include "exchange/report/SvgChart.h"
#include "platform/Platform.h"
#include "rules/readings/HomePressureProtocol.h"
#include "rules/time/LocalDayClock.h"
#include "store/VariableTable.h"

namespace HtmlReport {

const char* const kClosingLine =
    "The figures in this report are the recorded readings compared with the ranges set for this person. "
    "They are not a diagnosis.";

namespace {

using HtmlText::escape;

const char* const kStyle = R"(
:root { color-scheme: light; }
body { font: 10.5pt/1.4 "DejaVu Sans", Arial, Helvetica, sans-serif; color: #111; max-width: 180mm; margin: 0 auto; }
@media screen { body { margin: 2em auto; padding: 0 1em; } }
h1 { font-size: 17pt; margin: 0 0 .3em; }
h2 { font-size: 13pt; margin: 1.4em 0 .4em; border-bottom: 1px solid #999; break-after: avoid; }
table { border-collapse: collapse; margin: .4em 0; }
th, td { text-align: left; padding: .15em .6em .15em 0; vertical-align: top; }
table.figures td, table.figures th { border-bottom: 1px solid #ddd; }
table.figures td.n, table.figures th.n { text-align: right; padding-left: 1.2em; }
.source, .note { color: #333; font-size: 9.5pt; }
svg.chart { width: 100%; height: auto; display: block; }
.legend { font-size: 9.5pt; margin: .2em 0 .5em; }
.legend span { display: inline-block; margin-right: 1.2em; }
.swatch { display: inline-block; width: .9em; height: .9em; vertical-align: -.1em; margin-right: .3em; border-radius: 50%; }
.band.swatch { border-radius: 0; }
.chartblock { break-inside: avoid; }
table.readings td:first-child { white-space: nowrap; }
.o { color: #b35c00; font-weight: bold; }
.p { color: #c0182a; font-weight: bold; }
.legend svg { width: .9em; height: .9em; vertical-align: -.1em; margin-right: .3em; }
table.home th { font-weight: normal; padding-right: 2em; }
.home { break-inside: avoid; }
.nb { white-space: nowrap; }
footer { margin-top: 2em; border-top: 1px solid #999; padding-top: .5em; font-size: 9.5pt; }
@media print {
  * { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
  details::details-content { content-visibility: visible; display: block; }
  details > summary { list-style: none; font-weight: bold; }
  table.figures, .averages { break-inside: avoid; }
  table.readings tr { break-inside: avoid; }
  .readingsblock { columns: 2; column-gap: 8mm; font-size: 9pt; }
}
)";

std::string fullName(const ReportHeader& h) {
    if (h.firstName.empty()) return h.lastName;
    if (h.lastName.empty()) return h.firstName;
    return h.firstName + " " + h.lastName;
}

std::string countText(long long n) { return std::to_string(n); }

const char* const kDash = "\xE2\x80\x93";  // en dash: no figure

// The heading of a column of values: "Systolic (mmHg)".
std::string columnName(const std::string& name, const char* unit) {
    return *unit ? name + " (" + unit + ")" : name;
}

// What every printed page carries in its margins: the person, the period,
// "page N of M".
std::string pageMargins(const ReportHeader& h) {
    const std::string person =
        fullName(h) + (h.dateOfBirth.empty() ? std::string(", date of birth not recorded") : ", born " + h.dateOfBirth);
    const char* const font = "font: 8.5pt \"DejaVu Sans\", Arial, Helvetica, sans-serif; color: #333;";
    return std::string("@page {\n  margin: 17mm 13mm 16mm;\n") + "  @top-left { content: " +
           HtmlText::cssString(person) + "; " + font + " }\n" + "  @top-right { content: " +
           HtmlText::cssString("Readings " + h.period.fromText() + " to " + h.period.toText()) + "; " + font +
           " }\n" + "  @bottom-right { content: \"page \" counter(page) \" of \" counter(pages); " + font +
           " }\n}\n";
}

std::string timeText(const TimeKey& key, std::string& day) {
    std::tm local{};
    if (!platform::instantToLocal(key.instant, local)) local = key.tm;
    day = ReportPeriod::dayText(local);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d", local.tm_hour, local.tm_min);
    return buf;
}

// A reading's value with its mark: class o and an arrow outside the normal
// range, class p and "!" beyond the panic limits.
void markedValue(std::string& out, const ReportVariable& v, const ReportSeries& s, double value) {
    if (std::isnan(value)) {
        out += kDash;  // no value of this member
        return;
    }
    const ReportSeries::Place place = s.place(value);
    const char* arrow = place == ReportSeries::Place::Above ? "\xE2\x86\x91"
                        : place == ReportSeries::Place::Below ? "\xE2\x86\x93"
                                                              : "";
    const bool panic = s.beyondPanic(value);
    if (!panic && *arrow == '\0') {
        out += ReportData::valueText(v, value);  // digits, sign and point only
        return;
    }
    out += panic ? "<b class=p>" : "<b class=o>";
    out += ReportData::valueText(v, value);
    out += arrow;
    if (panic) out += "!";
    out += "</b>";
}

std::string rangeText(const ReportVariable& v, double low, double high) {
    return ReportData::valueText(v, low) + " - " + ReportData::valueWithUnit(v, high);
}

void legend(std::string& out, const ReportVariable& v) {
    out += "<p class=legend>";
    for (std::size_t i = 0; i < v.series.size(); ++i) {
        const ReportSeries& s = v.series[i];
        out += std::string("<span><i class=swatch style=\"background:") + SvgChart::seriesColor(i) + "\"></i>" +
               escape(s.name);
        if (s.hasNormal) out += " (normal range: " + escape(rangeText(v, s.normalLow, s.normalHigh)) + ")";
        out += "</span>";
    }
    bool ranged = false, panicLimits = false;
    for (const ReportSeries& s : v.series) {
        ranged = ranged || s.hasNormal;
        panicLimits = panicLimits || s.hasPanicLow || s.hasPanicHigh;
    }
    if (ranged) {
        out += std::string("<span><i class=\"band swatch\" style=\"background:") + SvgChart::kBandColor +
               "\"></i>normal range</span>";
        out += "<span>" + SvgChart::markerIcon(SvgChart::Marker::Above) + SvgChart::markerIcon(SvgChart::Marker::Below) +
               "above or below the normal range</span>";
    }
    if (panicLimits) out += "<span>" + SvgChart::markerIcon(SvgChart::Marker::Panic) + "beyond the panic limits</span>";
    out += "</p>\n";
}

std::string panicText(const ReportVariable& v, const ReportSeries& s) {
    if (s.hasPanicLow && s.hasPanicHigh)
        return "below " + ReportData::valueText(v, s.panicLow) + " or above " + ReportData::valueText(v, s.panicHigh);
    if (s.hasPanicLow) return "below " + ReportData::valueText(v, s.panicLow);
    if (s.hasPanicHigh) return "above " + ReportData::valueText(v, s.panicHigh);
    return "not set";
}

void statistics(std::string& out, const ReportVariable& v) {
    std::vector<SeriesStats> stats;
    for (const ReportSeries& s : v.series) stats.push_back(ReportStats::of(s));
    out += "<table class=figures><tr><th>Statistic";
    for (const ReportSeries& s : v.series) out += "<th class=n>" + escape(columnName(s.name, v.unit));
    out += "</tr>\n";
    const auto row = [&](const char* label, auto cell) {
        out += std::string("<tr><td>") + label;
        for (std::size_t i = 0; i < stats.size(); ++i) {
            const std::string c = cell(i);
            out += "<td class=n>" + (c.empty() ? std::string(kDash) : escape(c));
        }
        out += "</tr>\n";
    };
    const auto value = [&](std::size_t i, double SeriesStats::*which) {
        return stats[i].count ? ReportData::valueText(v, stats[i].*which) : std::string();
    };
    const auto ranged = [&](std::size_t i, long long n) {
        return v.series[i].hasNormal ? countText(n) : std::string();
    };
    row("Readings", [&](std::size_t i) { return countText(stats[i].count); });
    row("Average", [&](std::size_t i) { return value(i, &SeriesStats::mean); });
    row("Minimum", [&](std::size_t i) { return value(i, &SeriesStats::minimum); });
    row("Maximum", [&](std::size_t i) { return value(i, &SeriesStats::maximum); });
    row("Standard deviation", [&](std::size_t i) { return stats[i].count > 1 ? value(i, &SeriesStats::sd) : ""; });
    row("Normal range", [&](std::size_t i) {
        const ReportSeries& s = v.series[i];
        return s.hasNormal ? ReportData::valueText(v, s.normalLow) + " - " + ReportData::valueText(v, s.normalHigh)
                           : std::string("not set");
    });
    row("Inside the normal range", [&](std::size_t i) { return stats[i].count ? stats[i].insideShare : std::string(); });
    row("Below the normal range", [&](std::size_t i) { return ranged(i, stats[i].below); });
    row("Above the normal range", [&](std::size_t i) { return ranged(i, stats[i].above); });
    row("Panic limits", [&](std::size_t i) { return panicText(v, v.series[i]); });
    row("Beyond the panic limits", [&](std::size_t i) { return countText(stats[i].beyondPanic); });
    out += "</table>\n";
}

void pressureAverages(std::string& out, const ReportVariable& v, std::int64_t lastWeekStart) {
    std::vector<TimeOfDayAverages> a;
    for (const ReportSeries& s : v.series) a.push_back(ReportStats::timeOfDay(s.points, lastWeekStart));
    out += "<table class=\"figures averages\"><tr><th>Average of the readings";
    for (const ReportSeries& s : v.series)
        out += "<th class=n>" + escape(columnName(s.name, v.unit)) + "<th class=n>Readings";
    out += "</tr>\n";
    const auto row = [&](const char* label, CountedAverage TimeOfDayAverages::*which) {
        out += std::string("<tr><td>") + label;
        for (const TimeOfDayAverages& t : a) {
            const CountedAverage& c = t.*which;
            out += "<td class=n>" + (c.count ? ReportData::valueText(v, c.value) : std::string(kDash)) +
                   "<td class=n>" + countText(c.count);
        }
        out += "</tr>\n";
    };
    row("Morning (before 12:00)", &TimeOfDayAverages::morning);
    row("Evening (from 18:00)", &TimeOfDayAverages::evening);
    row("Last 7 days of the period", &TimeOfDayAverages::lastWeek);
    out += "</table>\n";
}

// The home series of the guideline: its last complete stretch with its
// averages beside the home threshold, or what the latest days lack.
void homeSeries(std::string& out, const ReportVariable& v) {
    std::vector<HomeReading> readings;
    for (const ReportData::Row& r : ReportData::rowsNewestFirst(v)) {
        if (r.values.size() != 2 || std::isnan(r.values[0]) || std::isnan(r.values[1])) continue;
        HomeReading h;
        if (!platform::instantToLocal(r.when.instant, h.local)) h.local = r.when.tm;
        h.systolic = r.values[0];
        h.diastolic = r.values[1];
        readings.push_back(h);
    }
    HomeSeries home;
    if (!HomePressureProtocol::find(readings, home)) return;
    const std::string guideline = HomePressureProtocol::kGuideline;
    const std::string first = ReportPeriod::dayText(LocalDayClock::civilFromDays(home.firstDay));
    const std::string last = ReportPeriod::dayText(LocalDayClock::civilFromDays(home.lastDay));
    const std::string threshold = ReportData::valueText(v, HomePressureProtocol::kSystolicThreshold) + "/" +
                                  ReportData::valueWithUnit(v, HomePressureProtocol::kDiastolicThreshold);
    out += "<div class=home><h3>Home blood pressure (" + guideline + " protocol)</h3>\n";
    out += "<p class=note>Readings in the morning and in the evening on 7 days in a row; the first day is left out "
           "and the readings of the other six are averaged.</p>\n";
    const auto day = [](const std::string& d) { return "<span class=nb>" + d + "</span>"; };
    if (!home.complete)
        out += "<p>No 7 days in a row in this period have morning and evening readings. The 7 days up to the last "
               "reading, " + day(first) + " to " + day(last) + ", have " + HomePressureProtocol::missingText(home) +
               ".</p>\n";
    out += "<table class=\"figures home\">\n";
    if (home.complete) {
        out += "<tr><th>Days<td>" + day(first) + " to " + day(last) + " (the first day, " + day(first) +
               ", left out)</tr>\n";
        out += "<tr><th>Average<td>" + ReportData::valueText(v, home.systolic) + "/" +
               ReportData::valueWithUnit(v, home.diastolic) + "</tr>\n";
        out += "<tr><th>Readings used<td>" + countText(home.readingsUsed) + "</tr>\n";
    }
    out += "<tr><th>Home threshold<td>" + threshold + " (" + guideline + ")</tr>\n";
    out += "</table></div>\n";
}

// One row per day, newest first; within a day the newest reading first.
void readings(std::string& out, const ReportVariable& v) {
    const std::vector<ReportData::Row> rows = ReportData::rowsNewestFirst(v);
    out += "<details><summary>All " + countText(static_cast<long long>(rows.size())) + " readings of " +
           escape(v.name) + ", newest first</summary>\n";
    out += "<p class=note>\xE2\x86\x91 above and \xE2\x86\x93 below the normal range; ! beyond the panic limits.</p>\n";
    out += "<div class=readingsblock><table class=readings><tr><th>Date<th>Time and value";
    if (v.series.size() > 1) out += " (" + escape(v.series[0].name) + " / " + escape(v.series[1].name) + ")";
    if (*v.unit) out += std::string(", ") + escape(v.unit);
    out += "</tr>\n";
    std::string currentDay;
    for (const ReportData::Row& r : rows) {
        std::string day;
        const std::string time = timeText(r.when, day);
        if (day != currentDay) {
            out += currentDay.empty() ? "<tr><td>" : "</tr>\n<tr><td>";
            out += day + "<td>";
            currentDay = day;
        } else {
            out += ", ";
        }
        out += time + " ";
        for (std::size_t i = 0; i < r.values.size(); ++i) {
            if (i > 0) out += "/";
            markedValue(out, v, v.series[i], r.values[i]);
        }
    }
    if (!currentDay.empty()) out += "</tr>\n";
    out += "</table></div></details>\n";
}

}  // namespace

std::string page(const ReportHeader& header, const std::vector<ReportVariable>& variables) {
    const std::string name = escape(fullName(header));
    const std::string period = escape(header.period.fromText()) + " to " + escape(header.period.toText());
    std::string out;
    out.reserve(65536);
    out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    out += "<title>Readings of " + name + ", " + period + "</title>\n<style>" + kStyle + pageMargins(header) +
           "</style>\n</head>\n<body>\n";
    out += "<header>\n<h1>Readings of " + name + "</h1>\n<table class=facts>\n";
    out += "<tr><th>Name<td>" + name + "</tr>\n";
    out += "<tr><th>Date of birth<td>" +
           (header.dateOfBirth.empty() ? std::string("not recorded") : escape(header.dateOfBirth)) + "</tr>\n";
    out += "<tr><th>Period<td>" + period + "</tr>\n";
    out += "<tr><th>Report made<td>" + escape(header.madeOn) + "</tr>\n</table>\n";
    out += "<p class=source>Made with Quorvel";
    if (!header.folder.empty()) out += " from the data folder " + escape(header.folder);
    out += "</p>\n</header>\n<main>\n";

    if (variables.empty()) out += "<p>No readings were recorded in this period.</p>\n";
    const std::int64_t lastWeekStart = header.period.lastDaysStart(7);
    for (const ReportVariable& v : variables) {
        out += "<section>\n<h2>" + escape(v.title) + "</h2>\n<div class=chartblock>\n";
        out += SvgChart::chart(v, header.period.from, header.period.to);
        legend(out, v);
        out += "</div>\n";
        statistics(out, v);
        if (VariableTable::is(v.name, VariableId::BloodPressure)) {
            pressureAverages(out, v, lastWeekStart);
            homeSeries(out, v);
        }
        readings(out, v);
        out += "</section>\n";
    }
    out += std::string("</main>\n<footer><p>") + kClosingLine + "</p></footer>\n</body>\n</html>\n";
    return out;
}

}  // namespace HtmlReport
