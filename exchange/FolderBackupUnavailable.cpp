// The backup in a build without libzip: the commands say it is missing.
#include "exchange/FolderBackup.h"

#include "exchange/report/ReportPeriod.h"

namespace {

int unavailable(Diagnostics& tell) {
    tell.error() << "this build of Quorvel makes no backups (it was built without libzip)" << std::endl;
    return exchange::kProblem;
}

}  // namespace

std::string BackupContents::describe() const { return std::string(); }

bool FolderBackup::available() { return false; }

std::string FolderBackup::defaultName(const std::tm& day) { return "Quorvel-backup-" + ReportPeriod::dayText(day) + ".zip"; }

bool FolderBackup::folderFiles(const std::string&, std::vector<std::string>& names, std::string&) {
    names.clear();
    return true;
}

int FolderBackup::make(const std::string&, const std::tm&, std::string&, BackupContents&, Diagnostics& tell,
                       const Progress&) {
    return unavailable(tell);
}

int FolderBackup::stage(const std::string&, const std::string&, RestorePlan&, Diagnostics& tell, const Progress&) {
    return unavailable(tell);
}
