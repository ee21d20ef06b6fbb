// quorvel-data import --format fhir | apple-health: the readings of a FHIR
// Bundle or of a phone's health export, stored through the CSV import's
// engine, told per variable with what was left out and why.
#include <sstream>

#include "cli/Commands.h"
#include "exchange/fhir/FhirImport.h"
#include "exchange/health/HealthImport.h"

namespace cli {

int importFormat(const ImportOptions& options, const ImportRequest& request, ImportSummary& summary,
                 std::string& details, Diagnostics& tell) {
    std::map<std::string, std::size_t, std::less<>> skipped;
    std::uint64_t controls = 0;
    int status;
    if (options.format == "fhir") {
        FhirImport::Skipped fhirSkipped;
        status = FhirImport::run(request, summary, fhirSkipped, tell);
        skipped.insert(fhirSkipped.begin(), fhirSkipped.end());
    } else {
        HealthImportReport report;
        status = HealthImport::run(request, options.allSources, summary, report, tell);
        skipped = report.skipped;
        controls = report.controlCharacters;
    }
    std::ostringstream out;
    for (const auto& v : summary.byVariable)
        out << "  " << v.first << ": " << v.second.accepted << " new, " << v.second.present << " already present\n";
    for (const auto& s : skipped) out << "  left out: " << s.second << " " << s.first << "\n";
    if (options.format == "apple-health" && !options.allSources)
        out << "  (the samples of watches are left out by default; --all-sources takes them)\n";
    if (controls > 0) out << "  " << controls << " control characters in the export read as blanks\n";
    details = out.str();
    return status;
}

}  // namespace cli
