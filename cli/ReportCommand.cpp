#include "cli/ReportCommand.h"

#include <ctime>
#include <iostream>

#include "cli/Commands.h"
#include "exchange/OutputFile.h"
#include "exchange/report/DoctorReport.h"
#include "platform/Platform.h"

namespace cli {

namespace {

std::tm today() {
    std::tm now{};
    platform::instantToLocal(static_cast<std::int64_t>(std::time(nullptr)), now);
    return now;
}

}  // namespace

int runReport(const ReportOptions& options) { return runReport(options, std::cout, std::cerr); }

int runReport(const ReportOptions& options, std::ostream& out, std::ostream& err) {
    const char* const me = "quorvel-data: ";
    if (options.user.empty()) {
        err << me << "--user is required" << std::endl;
        return kUsage;
    }
    ReportRequest request;
    request.dataDir = options.dataDir;
    request.user = options.user;
    request.showFolder = options.showFolder;
    request.units = options.units;
    request.madeOn = today();
    std::string error;
    if (!ReportPeriod::fromOptions(options.from, options.to, options.last, request.madeOn, request.period, error)) {
        err << me << error << std::endl;
        return kUsage;
    }
    Diagnostics tell(err, me);
    std::string page, defaultName;
    const int made = DoctorReport::make(request, page, defaultName, tell);
    if (made != kOk) return made;
    if (options.output == "-") {
        out << page << std::flush;
        return kOk;
    }
    std::string path = options.output;
    if (path.empty()) path = defaultName;
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
