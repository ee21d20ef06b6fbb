#include "exchange/health/HealthImport.h"

#include <memory>
#include <vector>

#include "exchange/health/HealthExportReader.h"
#include "exchange/health/HealthExportStream.h"

int HealthImport::run(const ImportRequest& request, bool allSources, ImportSummary& summary,
                      HealthImportReport& report, Diagnostics& tell) {
    summary = ImportSummary();
    report = HealthImportReport();
    HealthExportStream stream;
    std::string error;
    if (!stream.open(request.file, error)) {
        tell.error() << error << "; nothing written" << std::endl;
        return exchange::kProblem;
    }
    const std::string named = request.file + (stream.entryName().empty() ? "" : " (" + stream.entryName() + ")");
    HealthExportReader reader(allSources);
    // Pieces of 1 MiB: large enough that the reads cost little, small
    // enough to keep the memory of a multi-gigabyte export flat.
    constexpr std::size_t kPiece = 1 << 20;
    std::unique_ptr<char[]> piece(new char[kPiece]);
    for (;;) {
        const long n = stream.read(piece.get(), kPiece, error);
        if (n < 0) {
            tell.error() << named << ": " << error << "; nothing written" << std::endl;
            return exchange::kProblem;
        }
        report.bytes += static_cast<std::uint64_t>(n);
        if (!reader.feed(piece.get(), static_cast<std::size_t>(n), n == 0, error)) {
            tell.error() << named << ": " << error << "; nothing written" << std::endl;
            return exchange::kProblem;
        }
        if (n == 0) break;
    }
    report.skipped.insert(reader.skipped().begin(), reader.skipped().end());
    report.controlCharacters = reader.controlCharacters();
    ImportRequest fed = request;
    fed.readings = &reader.readings();
    fed.file = named;
    fed.untoldRefusals = reader.untoldRefusals();
    return ReadingsImport::run(fed, summary, tell);
}
