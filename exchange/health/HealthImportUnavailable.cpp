// HealthImport in a build without the XML and zip libraries it reads with
// (built with QUORVEL_HEALTH_EXPORT off): it says so and imports nothing.
#include "exchange/health/HealthImport.h"

int HealthImport::run(const ImportRequest& request, bool, ImportSummary& summary, HealthImportReport& report,
                      Diagnostics& tell) {
    summary = ImportSummary();
    report = HealthImportReport();
    tell.error() << request.file << ": this build of the program cannot read a phone's health export; nothing written"
                 << std::endl;
    return exchange::kUsage;
}
