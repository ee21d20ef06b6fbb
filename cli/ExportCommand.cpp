// quorvel-data export: the chosen readings, in time order, as CSV, JSON or a
// FHIR R4 Bundle, to standard output or atomically to a regular file.
#include <iostream>

#include "cli/Commands.h"
#include "exchange/OutputFile.h"
#include "exchange/ReadingsExport.h"
#include "exchange/UserReadings.h"
#include "platform/Platform.h"

namespace cli {

int runExport(const ExportOptions& options) {
    ExportRequest request;
    request.dataDir = options.dataDir;
    request.users = options.users;
    request.variables = options.variables;
    request.json = options.format == "json";
    request.fhir = options.format == "fhir";
    request.bom = options.bom;
    request.spreadsheet = options.spreadsheet;
    request.decimalComma = options.spreadsheet && platform::decimalComma();
    request.units = options.units;
    request.grep = options.grep;
    if ((request.json || request.fhir) && request.bom) {
        std::cerr << "quorvel-data: --bom is for CSV; JSON never begins with a byte-order mark" << std::endl;
        return kUsage;
    }
    if ((request.json || request.fhir) && request.spreadsheet) {
        std::cerr << "quorvel-data: --spreadsheet is for CSV" << std::endl;
        return kUsage;
    }
    int y = 0, m = 0, d = 0;
    if (!options.from.empty()) {
        if (!readings::readIsoDay(options.from, y, m, d)) {
            std::cerr << "quorvel-data: --from " << options.from << ": expected a date YYYY-MM-DD" << std::endl;
            return kUsage;
        }
        request.fromDay = ReadingsExport::dayKey(y, m, d);
    }
    if (!options.to.empty()) {
        if (!readings::readIsoDay(options.to, y, m, d)) {
            std::cerr << "quorvel-data: --to " << options.to << ": expected a date YYYY-MM-DD" << std::endl;
            return kUsage;
        }
        request.toDay = ReadingsExport::dayKey(y, m, d);
    }
    if (request.fromDay && request.toDay && request.fromDay > request.toDay) {
        std::cerr << "quorvel-data: --from " << options.from << " is after --to " << options.to << std::endl;
        return kUsage;
    }
    const bool toStandardOutput = options.output.empty() || options.output == "-";
    OutputFile outFile;
    if (!toStandardOutput) {
        std::string error;
        const int opened = outFile.open(options.output, error);
        if (opened != kOk) {
            std::cerr << "quorvel-data: " << error << std::endl;
            return opened;
        }
    }

    Diagnostics tell(std::cerr, "quorvel-data: ");
    std::string out;
    if (toStandardOutput) return ReadingsExport::write(request, out, &std::cout, tell);
    // The file is written as the export is made; when the export puts out
    // nothing (an unknown user), the old file is kept.
    int status = kOk;
    bool nothing = false;
    std::string error;
    const bool saved = outFile.write(
        [&](std::ostream& stream) {
            status = ReadingsExport::write(request, out, &stream, tell);
            nothing = status != kOk && stream.tellp() == 0;
            return !nothing;
        },
        error);
    if (saved) return status;
    if (nothing) return status;
    std::cerr << "quorvel-data: " << options.output << ": " << error << "; nothing written" << std::endl;
    return kProblem;
}

}  // namespace cli
