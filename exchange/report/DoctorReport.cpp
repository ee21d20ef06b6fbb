#include "exchange/report/DoctorReport.h"

#include <vector>

#include "app/Trace.h"
#include "exchange/DataFolder.h"
#include "exchange/report/HtmlReport.h"
#include "exchange/report/ReportData.h"
#include "store/Global.h"

namespace {

std::string cleanForFileName(const std::string& s) {
    std::string out;
    for (char c : s) {
        const unsigned char u = static_cast<unsigned char>(c);
        const bool bad = u < 0x20 || u == 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' ||
                         c == '"' || c == '<' || c == '>' || c == '|' || c == ' ';
        out += bad ? '_' : c;
    }
    return out;
}

}  // namespace

std::string DoctorReport::defaultName(const std::string& first, const std::string& last, const std::string& toDay) {
    std::string name = cleanForFileName(first) + "-" + cleanForFileName(last) + "-" + toDay + ".html";
    if (name[0] == '.' || name[0] == '-') name = "_" + name;
    return name;
}

int DoctorReport::make(const ReportRequest& request, std::string& page, std::string& fileName, Diagnostics& tell) {
    DataFolder folder;
    const Expected<UserRecord> opened = folder.openUser(request.dataDir, request.user, false);
    if (!opened) {
        tell.error() << opened.error().reason << std::endl;
        return exchange::kProblem;
    }
    const UserRecord& record = *opened;
    const std::string note = folder.linkNote(record.file);
    if (!note.empty()) tell.error() << note << std::endl;
    XmlDocument doc;
    std::vector<char> text;
    const Expected<void> loaded = folder.loadFile(record.file, doc, text);
    if (!loaded) {
        tell.error() << loaded.error().reason << std::endl;
        return exchange::kProblem;
    }
    XmlNode* patient = doc->first_node("patient");
    if (!patient) {
        tell.error() << folder.path() << record.file << ": no patient element" << std::endl;
        return exchange::kProblem;
    }
    if (Global::defaultLow.empty()) {
        // The store's default normal ranges, without the trace log the
        // window program keeps: reading makes no record.
        const int threshold = Trace::threshold();
        Trace::setThreshold(0);
        Global::init();
        Trace::setThreshold(threshold);
    }

    const XmlNode* info = patient->first_node("info");
    const XmlNode* name = info ? info->first_node("name") : nullptr;
    ReportHeader header;
    header.firstName = Global::childText(name, "first");
    header.lastName = Global::childText(name, "last");
    header.dates = request.units.dateStyle;
    header.dateOfBirth =
        ReportPeriod::recordedDayText(Global::textOf(name ? name->next_sibling("dob") : nullptr), header.dates);
    if (request.showFolder) header.folder = folder.path();
    header.madeOn = ReportPeriod::shownDay(request.madeOn, header.dates);
    header.period = request.period;
    page = HtmlReport::page(header, ReportData::gather(patient, request.period.from, request.period.to, request.units));

    fileName = defaultName(header.firstName, header.lastName, request.period.toText());
    return exchange::kOk;
}
