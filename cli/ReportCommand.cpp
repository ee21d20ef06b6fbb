#include "cli/ReportCommand.h"

#include <ctime>
#include <vector>

#include "cli/HtmlReport.h"
#include "cli/ReportData.h"
#include "cli/ReportPeriod.h"
#include "platform/Platform.h"
#include "store/Global.h"
#include "store/SafeWriter.h"
#include "store/XmlFile.h"

namespace {

struct Loaded {
    std::vector<char> text;
    XmlDocument doc;
};

bool loadXml(const std::string& path, Loaded& loaded, std::string& error) {
    if (!XmlFile::readJoined(path, loaded.text, error)) return false;
    std::string reason;
    if (!XmlFile::parse(loaded.text, loaded.doc, reason)) {
        error = path + ": not well-formed: " + reason;
        return false;
    }
    return true;
}

std::string text(const XmlNode* parent, const char* child) { return Global::childText(parent, child); }

bool allDigits(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// The registry record named by id or by "First Last".
const XmlNode* findRecord(const XmlNode* config, const std::string& user, std::string& error) {
    std::vector<const XmlNode*> matches;
    for (const XmlNode* p = config ? config->first_node("patient") : nullptr; p; p = p->next_sibling("patient")) {
        const std::string id = Global::attributeText(p, "id");
        const XmlNode* name = p->first_node("name");
        if (allDigits(user) ? id == user : text(name, "first") + " " + text(name, "last") == user)
            matches.push_back(p);
    }
    if (matches.size() == 1) return matches[0];
    if (matches.empty()) {
        error = "no user \"" + user + "\" in the registry (name a user by id or by \"First Last\")";
    } else {
        error = "\"" + user + "\" names more than one user; give one of the ids:";
        for (const XmlNode* p : matches) error += std::string(" ") + Global::attributeText(p, "id");
    }
    return nullptr;
}

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

int runReport(const ReportOptions& options, std::ostream& out, std::ostream& err) {
    const char* const me = "quorvel-data report: ";
    if (options.user.empty()) {
        err << me << "--user is required" << std::endl;
        return 2;
    }
    const std::tm now = today();
    ReportPeriod period;
    std::string error;
    if (!ReportPeriod::fromOptions(options.from, options.to, options.last, now, period, error)) {
        err << me << error << std::endl;
        return 2;
    }

    std::string folder = options.dataDir;
    if (folder.empty() && !platform::dataFolder(folder)) {
        err << me << "cannot find the data folder (set XDG_DATA_HOME or HOME, or give --data-dir)" << std::endl;
        return 1;
    }
    if (folder.back() != '/' && folder.back() != platform::pathSeparator()) folder += platform::pathSeparator();
    if (Global::defaultLow.empty()) Global::init();

    Loaded config;
    if (!loadXml(folder + "config.hma", config, error)) {
        err << me << error << std::endl;
        return 1;
    }
    const XmlNode* record = findRecord(config.doc->first_node("config"), options.user, error);
    if (!record) {
        err << me << folder << "config.hma: " << error << std::endl;
        return 1;
    }
    const std::string fileName = text(record, "file");
    if (!Global::isSafeFileName(fileName)) {
        err << me << folder << "config.hma: user " << Global::attributeText(record, "id")
            << " has no usable data file name" << std::endl;
        return 1;
    }
    Loaded user;
    if (!loadXml(folder + fileName, user, error)) {
        err << me << error << std::endl;
        return 1;
    }
    XmlNode* patient = user.doc->first_node("patient");
    if (!patient) {
        err << me << folder << fileName << ": no patient element" << std::endl;
        return 1;
    }

    const XmlNode* info = patient->first_node("info");
    const XmlNode* name = info ? info->first_node("name") : nullptr;
    const XmlNode* dob = name ? name->next_sibling("dob") : nullptr;
    ReportHeader header;
    header.firstName = text(name, "first");
    header.lastName = text(name, "last");
    header.dateOfBirth = Global::textOf(dob);
    header.folder = folder;
    header.madeOn = ReportPeriod::dayText(now);
    header.period = period;
    const std::string page = HtmlReport::page(header, ReportData::gather(patient, period.from, period.to));

    std::string path = options.output;
    if (path.empty()) path = defaultReportName(header.firstName, header.lastName, period.toText());
    const std::size_t slash = path.find_last_of("/\\");
    const std::string outFolder = slash == std::string::npos ? "./" : path.substr(0, slash + 1);
    const std::string outName = slash == std::string::npos ? path : path.substr(slash + 1);
    if (outName.empty()) {
        err << me << "-o " << path << ": names a folder, not a file" << std::endl;
        return 2;
    }
    if (!platform::pathExists(outFolder)) {
        err << me << "-o " << path << ": the folder " << outFolder << " does not exist" << std::endl;
        return 1;
    }
    if (!SafeWriter::write(outFolder, outName, page, error)) {
        err << me << path << ": " << error << std::endl;
        return 1;
    }
    out << "Wrote " << path << std::endl;
    return 0;
}
