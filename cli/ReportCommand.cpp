#include "cli/ReportCommand.h"

#include <ctime>
#include <iostream>
#include <vector>

#include "app/Trace.h"
#include "cli/Commands.h"
#include "cli/DataFolder.h"
#include "cli/HtmlReport.h"
#include "cli/ReportData.h"
#include "cli/ReportPeriod.h"
#include "platform/Platform.h"
#include "store/Global.h"
#include "cli/OutputFile.h"

namespace cli {

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

std::tm today() {
    std::tm now{};
    platform::instantToLocal(static_cast<std::int64_t>(std::time(nullptr)), now);
    return now;
}

}  // namespace

std::string defaultReportName(const std::string& first, const std::string& last, const std::string& toDay) {
    std::string name = cleanForFileName(first) + "-" + cleanForFileName(last) + "-" + toDay + ".html";
    if (name[0] == '.' || name[0] == '-') name = "_" + name;
    return name;
}

int runReport(const ReportOptions& options) { return runReport(options, std::cout, std::cerr); }

int runReport(const ReportOptions& options, std::ostream& out, std::ostream& err) {
    const char* const me = "quorvel-data report: ";
    if (options.user.empty()) {
        err << me << "--user is required" << std::endl;
        return kUsage;
    }
    const std::tm now = today();
    ReportPeriod period;
    std::string error;
    if (!ReportPeriod::fromOptions(options.from, options.to, options.last, now, period, error)) {
        err << me << error << std::endl;
        return kUsage;
    }

    DataFolder folder;
    UserRecord record;
    if (!folder.openUser(options.dataDir, options.user, false, record, error)) {
        err << me << error << std::endl;
        return kProblem;
    }
    XmlDocument doc;
    std::vector<char> text;
    if (!folder.loadFile(record.file, doc, text, error)) {
        err << me << error << std::endl;
        return kProblem;
    }
    XmlNode* patient = doc->first_node("patient");
    if (!patient) {
        err << me << folder.path() << record.file << ": no patient element" << std::endl;
        return kProblem;
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
    header.dateOfBirth = Global::textOf(name ? name->next_sibling("dob") : nullptr);
    header.folder = folder.path();
    header.madeOn = ReportPeriod::dayText(now);
    header.period = period;
    const std::string page = HtmlReport::page(header, ReportData::gather(patient, period.from, period.to));

    std::string path = options.output;
    if (path.empty()) path = defaultReportName(header.firstName, header.lastName, period.toText());
    OutputFile outFile;
    const int opened = outFile.open(path, error);
    if (opened != kOk) {
        err << me << error << std::endl;
        return opened;
    }
    if (!outFile.write(page, error)) {
        err << me << path << ": " << error << "; nothing written" << std::endl;
        return kProblem;
    }
    out << "Wrote " << path << std::endl;
    return kOk;
}

}  // namespace cli
