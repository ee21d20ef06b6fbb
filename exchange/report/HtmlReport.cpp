#include "exchange/report/HtmlReport.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <utility>

#include "exchange/report/HtmlText.h"
#include "exchange/report/ReportStats.h"
#include "exchange/report/SvgChart.h"
#include "platform/Platform.h"
#include "rules/readings/HomePressureProtocol.h"
#include "rules/readings/VariableUnits.h"
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
h3 { font-size: 11.5pt; margin: 1em 0 .3em; break-after: avoid; }
.summary h3 { margin-top: .6em; }
table.summary td, table.summary th { font-size: 9.5pt; }
table.statistics { width: 100%; font-size: 8pt; table-layout: fixed; }
table.averages { font-size: 9pt; }
table.statistics td, table.statistics th { padding: .15em .2em .15em 0; }
table.statistics td.n, table.statistics th.n { padding-left: .2em; }
table.statistics col { width: 6.5%; }
table.statistics col.name { width: 12%; }
table.statistics col.wide { width: 9%; }
table.statistics col.limits { width: 10.5%; }
table.statistics th { vertical-align: bottom; }
table.statistics th.group { text-align: center; border-bottom: 1px solid #999; padding-left: .5em; }
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
table.bystatistic { display: none; }
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
  .readingsblock { columns: 3; column-gap: 6mm; font-size: 7.5pt; }
  body { font-size: 9pt; line-height: 1.25; max-width: none; }
  h1 { font-size: 14pt; margin: 0 0 .1em; }
  h2 { font-size: 11.5pt; margin: .6em 0 .2em; }
  h3 { font-size: 9.5pt; margin: .3em 0 .1em; }
  table { margin: .2em 0; }
  th, td { padding: .05em .6em .05em 0; }
  table.summary td, table.summary th, table.home td, table.home th, .note, .source { font-size: 8.5pt; }
  .note, .source { margin: .2em 0; }
  /* The facts about the person on two lines. */
  table.facts tbody { display: grid; grid-template-columns: auto auto; justify-content: start; column-gap: 6mm; }
  table.summary, table.home { width: 100%; line-height: 1.15; }
  table.home th { white-space: nowrap; padding-right: 1em; }
  /* A chart with its legend under it and its figures beside both, one row
     per statistic, so that a week's charts print on two pages. */
  .chartblock { display: grid; grid-template-columns: 53% minmax(0, 1fr); column-gap: 4mm; align-items: start; }
  .chartblock > * { grid-column: 1 / -1; }
  .chartblock > svg.chart, .chartblock > .legend { grid-column: 1; }
  .chartblock > table.statistics { display: none; }
  .chartblock > table.bystatistic { display: table; grid-column: 2; grid-row: 2 / span 2; width: 100%;
                                    font-size: 8pt; line-height: 1.05; margin: 0; }
  table.bystatistic th, table.bystatistic td { white-space: nowrap; padding: .05em 0 .05em .6em; }
  table.bystatistic th:first-child { font-weight: normal; padding-left: 0; }
  table.bystatistic tr:first-child th { font-weight: bold; }
  .chartblock > .legend { font-size: 8pt; line-height: 1.15; margin: .1em 0 0; }
  .chartblock > .legend span { margin-right: .8em; }
  .chartblock > table.averages { font-size: 8pt; margin: .2em 0 0; }
  /* Labels of a chart drawn narrower than on screen, still legible. */
  svg.chart text { font-size: 14px; }
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
           HtmlText::cssString("Readings " + ReportPeriod::shownDay(h.period.firstDay, h.dates) + " to " +
                               ReportPeriod::shownDay(h.period.lastDay, h.dates)) + "; " + font +
           " }\n" + "  @bottom-right { content: \"page \" counter(page) \" of \" counter(pages); " + font +
           " }\n}\n";
}

std::string timeText(const ReportVariable& v, const TimeKey& key, std::string& day) {
    std::tm local{};
    if (!platform::instantToLocal(key.instant, local)) local = key.tm;
    day = ReportPeriod::shownDay(local, v.dates);
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

// One row per series, one column per statistic, so that the table stays
// short beside its chart.
void statistics(std::string& out, const ReportVariable& v) {
    std::vector<SeriesStats> stats;
    for (const ReportSeries& s : v.series) stats.push_back(ReportStats::of(s));
    const auto value = [&](std::size_t i, double SeriesStats::*which) {
        return stats[i].count ? ReportData::valueText(v, stats[i].*which) : std::string();
    };
    const auto ranged = [&](std::size_t i, long long n) {
        return v.series[i].hasNormal ? countText(n) : std::string();
    };
    const std::pair<const char*, std::function<std::string(std::size_t)>> columns[] = {
        {"Readings", [&](std::size_t i) { return countText(stats[i].count); }},
        {"Average", [&](std::size_t i) { return value(i, &SeriesStats::mean); }},
        {"Minimum", [&](std::size_t i) { return value(i, &SeriesStats::minimum); }},
        {"Maximum", [&](std::size_t i) { return value(i, &SeriesStats::maximum); }},
        {"Standard deviation", [&](std::size_t i) { return stats[i].count > 1 ? value(i, &SeriesStats::sd) : ""; }},
        {"Range",
         [&](std::size_t i) {
             const ReportSeries& s = v.series[i];
             return s.hasNormal ? ReportData::valueText(v, s.normalLow) + " - " + ReportData::valueText(v, s.normalHigh)
                                : std::string("not set");
         }},
        {"Inside", [&](std::size_t i) { return stats[i].count ? stats[i].insideShare : std::string(); }},
        {"Below", [&](std::size_t i) { return ranged(i, stats[i].below); }},
        {"Above", [&](std::size_t i) { return ranged(i, stats[i].above); }},
        {"Limits", [&](std::size_t i) { return panicText(v, v.series[i]); }},
        {"Beyond", [&](std::size_t i) { return countText(stats[i].beyondPanic); }},
    };
    // The last six columns under the limits they belong to: the normal
    // range (the range, readings inside, below and above it) and the panic
    // limits (the limits, readings beyond them).
    out += "<table class=\"figures statistics\"><colgroup><col class=name><col span=5 class=wide><col class=range><col span=3><col class=limits><col>"
           "</colgroup>\n<tr><td colspan=6><th colspan=4 class=group>Normal "
           "range<th colspan=2 class=group>Panic limits</tr>\n<tr><th>Statistic";
    for (const auto& c : columns) out += std::string("<th class=n>") + c.first;
    out += "</tr>\n";
    for (std::size_t i = 0; i < stats.size(); ++i) {
        out += "<tr><td>" + escape(columnName(v.series[i].name, v.unit));
        for (const auto& c : columns) {
            const std::string cell = c.second(i);
            out += "<td class=n>" + (cell.empty() ? std::string(kDash) : escape(cell));
        }
        out += "</tr>\n";
    }
    out += "</table>\n";
    // The same figures for print, one row per statistic and one column per
    // series, short enough to stand beside the chart.
    const auto pair = [](const std::string& a, const char* between, const std::string& b) {
        return a.empty() && b.empty() ? std::string() : a + between + b;
    };
    const std::pair<const char*, std::function<std::string(std::size_t)>> rows[] = {
        columns[0],
        columns[1],
        {"Minimum - maximum",
         [&](std::size_t i) { return pair(value(i, &SeriesStats::minimum), " - ", value(i, &SeriesStats::maximum)); }},
        columns[4],
        {"Normal range", columns[5].second},
        {"Inside it", columns[6].second},
        {"Below / above it", [&](std::size_t i) { return pair(ranged(i, stats[i].below), " / ", ranged(i, stats[i].above)); }},
        {"Panic limits",
         [&](std::size_t i) {
             const ReportSeries& s = v.series[i];
             std::string text;
             if (s.hasPanicLow) text = "< " + ReportData::valueText(v, s.panicLow);
             if (s.hasPanicHigh) text += (text.empty() ? "> " : " or > ") + ReportData::valueText(v, s.panicHigh);
             return text.empty() ? std::string("not set") : text;
         }},
        {"Beyond them", columns[10].second},
    };
    out += "<table class=\"figures bystatistic\"><tr><th>Statistic";
    for (const ReportSeries& s : v.series) out += "<th class=n>" + escape(s.name);
    out += "</tr>\n";
    for (const auto& r : rows) {
        out += std::string("<tr><th>") + r.first;
        for (std::size_t i = 0; i < stats.size(); ++i) {
            const std::string cell = r.second(i);
            out += "<td class=n>" + (cell.empty() ? std::string(kDash) : escape(cell));
        }
        out += "</tr>\n";
    }
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

std::string dayOf(const ReportVariable& v, std::int64_t day) {
    return "<span class=nb>" + ReportPeriod::shownDay(LocalDayClock::civilFromDays(day), v.dates) + "</span>";
}

std::string pressureText(const ReportVariable& v, double systolic, double diastolic) {
    return ReportData::valueText(v, systolic) + "/" + ReportData::valueWithUnit(v, diastolic);
}

std::string plural(long long n, const char* one, const char* many) {
    return countText(n) + " " + (n == 1 ? one : many);
}

std::string shareText(long long part, long long whole) {
    return VariableUnits::number(100.0 * static_cast<double>(part) / static_cast<double>(whole), 1) + "%";
}

// The series of the guideline among the blood pressure readings.
bool findHomeSeries(const ReportVariable& v, HomeSeries& home) {
    std::vector<HomeReading> readings;
    for (const ReportData::Row& r : ReportData::rowsNewestFirst(v)) {
        if (r.values.size() != 2 || std::isnan(r.values[0]) || std::isnan(r.values[1])) continue;
        HomeReading h;
        if (!platform::instantToLocal(r.when.instant, h.local)) h.local = r.when.tm;
        h.systolic = r.values[0];
        h.diastolic = r.values[1];
        readings.push_back(h);
    }
    return HomePressureProtocol::find(readings, home);
}

// What the home average leaves out: day 1, the afternoon, missing mornings
// and evenings.
std::string leftOutText(const ReportVariable& v, const HomeSeries& home) {
    std::vector<std::string> parts;
    parts.push_back("day 1, " + dayOf(v, home.firstDay) + " (" + plural(home.firstDayReadings, "reading", "readings") +
                    ")");
    if (home.middayReadings)
        parts.push_back(plural(home.middayReadings, "reading", "readings") + " between 12:00 and 18:00");
    if (home.daysWithoutMorning) parts.push_back("no morning reading on " + plural(home.daysWithoutMorning, "day", "days"));
    if (home.daysWithoutEvening) parts.push_back("no evening reading on " + plural(home.daysWithoutEvening, "day", "days"));
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) text += (i ? "; " : "") + parts[i];
    return text;
}

// Blood pressure at home as the guideline reads it: the average of the
// latest days that meet its rule, what it rests on and leaves out, its
// class against the home threshold beside the person's own normal range.
void homeSummary(std::string& out, const ReportVariable& v) {
    const std::string guideline = HomePressureProtocol::kGuideline;
    const std::string threshold = ReportData::valueText(v, HomePressureProtocol::kSystolicThreshold) + "/" +
                                  ReportData::valueWithUnit(v, HomePressureProtocol::kDiastolicThreshold);
    out += "<div class=home><h3>" + escape(v.title) + " at home (" + guideline + " protocol)</h3>\n";
    out += "<p class=note>Morning (before 12:00) and evening (from 18:00) readings on 7 days in a row are asked "
           "for, at least " + std::to_string(HomePressureProtocol::kLeastDays) +
           " days are accepted; day 1 is left out and every other reading, each of a sitting, is averaged.</p>\n";
    out += "<table class=\"figures home\">\n";
    HomeSeries home;
    const bool any = findHomeSeries(v, home);
    if (!any) {
        out += "<tr><th>Home average<td>none: no reading in this period was taken in the morning or the "
               "evening</tr>\n";
    } else if (!home.accepted) {
        out += "<tr><th>Home average<td>none: the latest days in a row with morning or evening readings, " +
               dayOf(v, home.firstDay) + " to " + dayOf(v, home.lastDay) + ", are " + plural(home.days, "day", "days") +
               "; at least " + std::to_string(HomePressureProtocol::kLeastDays) + " are needed</tr>\n";
    } else {
        const long long used = home.all.readings;
        const double sys = VariableUnits::rounded(home.all.systolic, v.decimals);
        const double dia = VariableUnits::rounded(home.all.diastolic, v.decimals);
        const bool raised = HomePressureProtocol::raised(sys, dia);
        out += "<tr><th>Home average<td><strong>" + pressureText(v, home.all.systolic, home.all.diastolic) +
               "</strong> over " + plural(home.days - 1, "day", "days") + ", " + dayOf(v, home.firstDay + 1) +
               " to " + dayOf(v, home.lastDay) + ", from " + plural(used, "reading", "readings") + "</tr>\n";
        out += std::string("<tr><th>Class<td><strong>") + (raised ? "raised" : "normal") + "</strong>: " +
               (raised ? "at or above " : "below ") + "the home threshold of " + threshold + " (" +
               HomePressureProtocol::kGuidelineName + ")</tr>\n";
        const auto part = [&](const char* label, const HomeAverage& a) {
            out += std::string("<tr><th>") + label + "<td>" +
                   (a.readings ? pressureText(v, a.systolic, a.diastolic) + " from " +
                                     plural(a.readings, "reading", "readings")
                               : std::string("no readings")) +
                   "</tr>\n";
        };
        part("Morning average", home.morning);
        part("Evening average", home.evening);
        out += "<tr><th>At or above " + ReportData::valueText(v, HomePressureProtocol::kSystolicThreshold) + "/" +
               ReportData::valueText(v, HomePressureProtocol::kDiastolicThreshold) + "<td>" +
               countText(home.atOrAboveThreshold) + " of " + plural(used, "reading", "readings") + " (" +
               shareText(home.atOrAboveThreshold, used) + ")</tr>\n";
        out += "<tr><th>Left out<td>" + leftOutText(v, home) + "</tr>\n";
    }
    if (v.irregular > 0)
        out += "<tr><th>Irregular heartbeat flagged by the meter<td>" + plural(v.irregular, "reading", "readings") +
               "</tr>\n";
    out += "<tr><th>Home threshold<td>" + threshold + " (" + guideline + ")</tr>\n";
    std::string own;
    for (const ReportSeries& s : v.series) {
        if (!own.empty()) own += ", ";
        own += escape(s.name) + " " + (s.hasNormal ? rangeText(v, s.normalLow, s.normalHigh) : std::string("not set"));
    }
    out += "<tr><th>Normal range set for this person<td>" + own + "</tr>\n";
    out += "</table></div>\n";
}

// One line per series of every other variable: its average and range, the
// readings outside the person's normal range, and those against the
// variable's own clinical limit.
void otherSummary(std::string& out, const std::vector<const ReportVariable*>& others) {
    if (others.empty()) return;
    out += "<table class=\"figures summary\"><tr><th>Other readings<th class=n>Readings<th class=n>Average"
           "<th class=n>Range<th>Outside the normal range set for this person<th>Also</tr>\n";
    for (const ReportVariable* vp : others) {
        const ReportVariable& v = *vp;
        for (const ReportSeries& s : v.series) {
            const SeriesStats st = ReportStats::of(s);
            if (st.count == 0) continue;
            const std::string name = v.series.size() > 1 ? v.name + ", " + s.name : v.name;
            out += "<tr><td>" + escape(columnName(name, v.unit)) + "<td class=n>" + countText(st.count) +
                   "<td class=n>" + escape(ReportData::valueText(v, st.mean)) + "<td class=n><span class=nb>" +
                   escape(ReportData::valueText(v, st.minimum)) + " - " +
                   escape(ReportData::valueText(v, st.maximum)) + "</span><td>";
            if (s.hasNormal)
                out += countText(st.below + st.above) + " of " + countText(st.count) + " (" + countText(st.below) +
                       " below, " + countText(st.above) + " above <span class=nb>" +
                       escape(ReportData::valueText(v, s.normalLow)) + " - " +
                       escape(ReportData::valueText(v, s.normalHigh)) + "</span>)";
            else
                out += "normal range not set";
            out += "<td>";
            if (v.clinical.set) {
                long long n = 0;
                for (const auto& p : s.points) n += v.clinical.counts(p.second, v.decimals);
                out += countText(n) + " " + v.clinical.what;
                if (v.clinical.atOrAbove)
                    out += " (from <span class=nb>" + escape(ReportData::valueWithUnit(v, v.clinical.value)) +
                           "</span>)";
            }
            out += "</tr>\n";
        }
    }
    out += "</table>\n";
}

// One reading of a day's row: its time and its values. Whatever else a
// reading comes to carry is written here.
void readingItem(std::string& out, const ReportVariable& v, const ReportData::Row& r, const std::string& time) {
    out += time + " ";
    for (std::size_t i = 0; i < r.values.size(); ++i) {
        if (i > 0) out += "/";
        markedValue(out, v, v.series[i], r.values[i]);
    }
    // What was said about it: arm, position and flag in short form, then the note.
    if (r.details) {
        const std::string taken = r.details->shortText();
        if (!taken.empty()) out += " <span class=taken>" + escape(taken) + "</span>";
        if (!r.details->note.empty())
            out += " <span class=said>\u201C" + escape(ReadingDetails::oneLine(r.details->note)) + "\u201D</span>";
    }
}

// One row per day, newest first; within a day the newest reading first.
void readings(std::string& out, const ReportVariable& v) {
    const std::vector<ReportData::Row> rows = ReportData::rowsNewestFirst(v);
    out += "<h3>" + escape(v.title) + "</h3>\n<details><summary>All " +
           countText(static_cast<long long>(rows.size())) + " readings of " + escape(v.name) +
           ", newest first</summary>\n";
    out += "<div class=readingsblock><table class=readings><tr><th>Date<th>Time and value";
    if (v.series.size() > 1) out += " (" + escape(v.series[0].name) + " / " + escape(v.series[1].name) + ")";
    if (*v.unit) out += std::string(", ") + escape(v.unit);
    out += "</tr>\n";
    std::string currentDay;
    for (const ReportData::Row& r : rows) {
        std::string day;
        const std::string time = timeText(v, r.when, day);
        if (day != currentDay) {
            out += currentDay.empty() ? "<tr><td>" : "</tr>\n<tr><td>";
            out += day + "<td>";
            currentDay = day;
        } else {
            out += ", ";
        }
        readingItem(out, v, r, time);
    }
    if (!currentDay.empty()) out += "</tr>\n";
    out += "</table></div></details>\n";
}

}  // namespace

std::string page(const ReportHeader& header, const std::vector<ReportVariable>& variables) {
    const std::string name = escape(fullName(header));
    const std::string period = escape(ReportPeriod::shownDay(header.period.firstDay, header.dates)) + " to " +
                               escape(ReportPeriod::shownDay(header.period.lastDay, header.dates));
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
    if (!variables.empty()) {
        // What a doctor reads first: blood pressure at home, then a line for
        // each other variable.
        out += "<section class=summary>\n<h2>Summary</h2>\n";
        std::vector<const ReportVariable*> others;
        for (const ReportVariable& v : variables) {
            if (VariableTable::is(v.name, VariableId::BloodPressure)) homeSummary(out, v);
            else others.push_back(&v);
        }
        otherSummary(out, others);
        out += "</section>\n<section>\n<h2>Charts</h2>\n";
    }
    const std::int64_t lastWeekStart = header.period.lastDaysStart(7);
    for (const ReportVariable& v : variables) {
        // A chart with its legend and statistics on one printed page.
        out += "<div class=chartblock>\n<h3>" + escape(v.title) + "</h3>\n";
        out += SvgChart::chart(v, header.period.from, header.period.to);
        legend(out, v);
        statistics(out, v);
        if (VariableTable::is(v.name, VariableId::BloodPressure)) pressureAverages(out, v, lastWeekStart);
        out += "</div>\n";
    }
    if (!variables.empty()) {
        out += "</section>\n<section class=lists>\n<h2>All readings</h2>\n";
        out += "<p class=note>\xE2\x86\x91 above and \xE2\x86\x93 below the normal range; ! beyond the panic "
               "limits.</p>\n";
        for (const ReportVariable& v : variables) readings(out, v);
        out += "</section>\n";
    }
    out += std::string("</main>\n<footer><p>") + kClosingLine + "</p></footer>\n</body>\n</html>\n";
    return out;
}

}  // namespace HtmlReport
