# exchange/: the data taken out and brought in, without the toolkit or the
# command line: CSV, JSON, export, import, check, removal, the doctor's
# report and the backup of the folder. quorvel-data and the window call the
# same engines.
find_package(nlohmann_json 3 REQUIRED)
add_library(quorvel_exchange STATIC
  exchange/DataFolder.cpp exchange/SelectedUsers.cpp exchange/UserReadings.cpp exchange/OutputFile.cpp
  exchange/CsvReader.cpp exchange/CsvWriter.cpp exchange/JsonWriter.cpp
  exchange/UserSummaries.cpp exchange/ReadingsExport.cpp exchange/Utf8Text.cpp exchange/ReadingsImport.cpp exchange/FolderCheck.cpp
  exchange/ReadingRemoval.cpp exchange/Sha256.cpp
  exchange/report/DoctorReport.cpp exchange/report/HtmlReport.cpp exchange/report/HtmlText.cpp
  exchange/report/SvgChart.cpp exchange/report/ReportData.cpp exchange/report/ReportStats.cpp
  exchange/report/ReportPeriod.cpp)
target_link_libraries(quorvel_exchange PUBLIC quorvel_rules PRIVATE nlohmann_json::nlohmann_json)

# The backup of the data folder writes and reads .zip files with libzip
# (Debian's libzip-dev). The Windows cross build has no libzip: there the
# backup is left out, and its commands say so.
if(WIN32)
  set(QUORVEL_BACKUP_DEFAULT OFF)
else()
  set(QUORVEL_BACKUP_DEFAULT ON)
endif()
option(QUORVEL_BACKUP "Backup and restore of the data folder (needs libzip)" ${QUORVEL_BACKUP_DEFAULT})
if(QUORVEL_BACKUP)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
  target_sources(quorvel_exchange PRIVATE exchange/FolderBackup.cpp)
  target_link_libraries(quorvel_exchange PRIVATE PkgConfig::LIBZIP)
else()
  target_sources(quorvel_exchange PRIVATE exchange/FolderBackupUnavailable.cpp)
endif()
