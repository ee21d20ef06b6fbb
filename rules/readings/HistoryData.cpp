#include "rules/readings/HistoryData.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "app/NumberText.h"
#include "rules/readings/EntryRules.h"
#include "rules/readings/ReadingDetails.h"
#include "rules/units/Units.h"
#include "store/VariableTable.h"

std::vector<std::string> HistoryData::columnsFor(const std::string& variableName, bool& grouped,
                                                 const Units::Preferences& units) {
    std::vector<std::string> columns{"Date", "Time"};
    grouped = false;
    const Variable* variable = VariableTable::find(variableName);
    if (variable && variable->grouped()) {
        for (const VariableMember& m : variable->members) columns.push_back(m.label);
        grouped = true;
    } else {
        columns.push_back(variableName);
    }
    // Once units are named, each value column names the unit of its values.
    for (std::size_t c = 2; c < columns.size(); ++c)
        columns[c] = Units::label(columns[c], Units::quantityOf(variableName), units);
    return columns;
}

void HistoryData::addDetailColumns(const XmlNode* variable, const std::string& variableName,
                                   std::vector<std::string>& columns) {
    bool any = false;
    for (const XmlNode* e = variable ? variable->first_node("entry") : nullptr; e && !any; e = e->next_sibling("entry"))
        any = !ReadingDetails::of(e).empty();
    if (!any) return;
    if (VariableTable::is(variableName, VariableId::BloodPressure)) columns.push_back(kTakenColumn);
    columns.push_back(kNoteColumn);
}

std::string HistoryData::keyFor(const std::vector<std::string>& columns, std::size_t index, bool grouped) {
    if (index == 2 && !grouped) return "value";
    if (index < columns.size() && columns[index] == kTakenColumn) return "taken";
    std::string key = index < columns.size() ? columns[index].substr(0, columns[index].find(" (")) : std::string();
    if (!key.empty()) key[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(key[0])));
    return key;
}

namespace {

// A value as the file keeps it, written before or after the window took
// decimal notation only.
bool storedValue(const std::string& text, double& value) {
    return NumberText::read(text, value, NumberText::stored()) == NumberText::Result::Read;
}

std::size_t decimalsOf(const std::string& text) {
    const std::size_t point = text.find('.');
    return point == std::string::npos ? 0 : text.size() - point - 1;
}

// Every number of one value column with as many decimals as the one that
// has most ("37.0" beside "36.9", not "37"); texts that are not numbers stay.
// The value columns end before `columns`.
void sameDecimals(std::vector<HistoryRow>& rows, std::size_t columns) {
    for (std::size_t c = 2; c < columns; ++c) {
        std::size_t most = 0;
        for (const HistoryRow& row : rows) {
            double value = 0;
            if (c < row.cells.size() && storedValue(row.cells[c], value) &&
                std::isfinite(value))
                most = std::max(most, decimalsOf(row.cells[c]));
        }
        if (most == 0) continue;
        for (HistoryRow& row : rows) {
            double value = 0;
            if (c >= row.cells.size() || decimalsOf(row.cells[c]) == most ||
                row.cells[c].find_first_of("eE") != std::string::npos ||
                !storedValue(row.cells[c], value) || !std::isfinite(value))
                continue;
            row.cells[c] = Units::fixed(value, static_cast<int>(most));
        }
    }
}

}  // namespace

std::vector<HistoryRow> HistoryData::readRows(const XmlNode* variable, const std::string& variableName,
                                              const std::vector<std::string>& columns, bool grouped,
                                              const Units::Preferences& units, std::ostream& errors) {
    std::vector<HistoryRow> rows;
    if (!variable) {
        errors << "HistoryTableWindow::loadData" << " : Error: no entry for variable " << variableName << "\n";
        errors.flush();
        return rows;
    }
    std::vector<std::string> keys;
    for (std::size_t c = 0; c < columns.size(); ++c) keys.push_back(keyFor(columns, c, grouped));
    // Once units are named, values show in the chosen unit as typed (38.5,
    // not 101.300000); otherwise as the file holds them.
    const Units::Quantity quantity = Units::quantityOf(variableName);
    // The decimals are lined up on the point; the chosen mark comes last.
    Units::Preferences withPoint = units;
    withPoint.decimalComma = false;

    for (XmlNode* entry = variable->first_node("entry"); entry; entry = entry->next_sibling("entry")) {
        HistoryRow row;
        row.entry = entry;
        row.cells.reserve(keys.size());
        const ReadingDetails details = ReadingDetails::of(entry);
        for (const std::string& key : keys) {
            if (key == "note" || key == "taken") {
                row.cells.push_back(key == "note" ? ReadingDetails::oneLine(details.note) : details.shortText());
                continue;
            }
            const XmlNode* child = entry->first_node(key.c_str(), key.size());
            if (child) {
                row.cells.emplace_back(child->value(), child->value_size());
                double value = 0;
                if (units.named && row.cells.size() > 2 &&
                    storedValue(row.cells.back(), value))
                    row.cells.back() = Units::readingText(quantity, value, withPoint);
                continue;
            }
            const XmlAttribute* id = entry->first_attribute();
            errors << "HistoryTableWindow::loadData" << " : Error: attribute " << key << " of entry id="
                   << (id ? std::string(id->value(), id->value_size()) : std::string()) << " for variable "
                   << variableName << " is missing." << "\n";
            errors.flush();
            row.cells.emplace_back();
        }
        rows.push_back(std::move(row));
    }
    // The value columns; a note and how it was taken are texts, not numbers.
    std::size_t values = columns.size();
    while (values > 2 && (keys[values - 1] == "note" || keys[values - 1] == "taken")) --values;
    if (units.named) sameDecimals(rows, values);
    if (units.decimalComma)
        for (HistoryRow& row : rows)
            for (std::size_t c = 2; c < values && c < row.cells.size(); ++c) row.cells[c] = Units::marked(row.cells[c], units);
    return rows;
}

namespace {

// The number a row is ordered by; lowest for a cell that cannot be read.
double sortKey(const HistoryRow& row, std::size_t column) {
    const double unread = -std::numeric_limits<double>::infinity();
    if (column <= 1) {
        if (row.cells.size() < 2) return unread;
        std::tm when{};
        if (EntryRules::readFields(row.cells[0], row.cells[1], when) != EntryRules::Refusal::NotRefused) return unread;
        const double timeOfDay = when.tm_hour * 3600.0 + when.tm_min * 60.0 + when.tm_sec;
        if (column == 1) return timeOfDay;
        return ((when.tm_year * 12.0 + when.tm_mon) * 32.0 + when.tm_mday) * 86400.0 + timeOfDay;
    }
    if (column >= row.cells.size()) return unread;
    double value = 0;
    return storedValue(row.cells[column], value) ? value : unread;
}

}  // namespace

void HistoryData::sortRows(std::vector<HistoryRow>& rows, std::size_t column, bool ascending) {
    std::vector<std::pair<double, std::size_t>> keys;
    keys.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) keys.emplace_back(sortKey(rows[i], column), i);
    std::stable_sort(keys.begin(), keys.end(), [ascending](const auto& a, const auto& b) {
        return ascending ? a.first < b.first : a.first > b.first;
    });
    std::vector<HistoryRow> sorted;
    sorted.reserve(rows.size());
    for (const auto& k : keys) sorted.push_back(std::move(rows[k.second]));
    rows.swap(sorted);
}
