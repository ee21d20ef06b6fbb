# exchange/: the data taken out and brought in, without the toolkit or the
# command line: CSV, JSON, export, import, check, removal, the doctor's
# report, the backup of the folder, FHIR and phones' health exports.
# quorvel-data and the window call the same engines.
find_package(nlohmann_json 3 REQUIRED)
add_library(quorvel_exchange STATIC
  exchange/DataFolder.cpp exchange/SelectedUsers.cpp exchange/UserReadings.cpp exchange/OutputFile.cpp
  exchange/CsvReader.cpp exchange/CsvWriter.cpp exchange/JsonStream.cpp exchange/JsonWriter.cpp
  exchange/UserSummaries.cpp exchange/ReadingsExport.cpp exchange/Utf8Text.cpp exchange/ReadingsImport.cpp exchange/FolderCheck.cpp
  exchange/ReadingRemoval.cpp exchange/ConflictCopies.cpp exchange/Sha256.cpp exchange/ZonedTime.cpp exchange/FolderRestore.cpp
  exchange/fhir/FhirCodes.cpp exchange/fhir/FhirBundle.cpp exchange/fhir/FhirImport.cpp
  exchange/report/DoctorReport.cpp exchange/report/HtmlReport.cpp exchange/report/HtmlText.cpp
  exchange/report/SvgChart.cpp exchange/report/ReportData.cpp exchange/report/ReportStats.cpp
  exchange/report/ReportPeriod.cpp exchange/report/TimeTicks.cpp)
target_link_libraries(quorvel_exchange PUBLIC quorvel_rules PRIVATE nlohmann_json::nlohmann_json)

# The backup of the data folder writes and reads .zip files with libzip
# (Debian's libzip-dev; for Windows, the one scripts/windows/build-libraries.sh
# cross-builds). A build without it leaves the backup out, and its commands
# say so.
option(QUORVEL_BACKUP "Backup and restore of the data folder (needs libzip)" ON)
if(QUORVEL_BACKUP)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
  target_sources(quorvel_exchange PRIVATE exchange/FolderBackup.cpp)
  target_link_libraries(quorvel_exchange PRIVATE PkgConfig::LIBZIP)
else()
  target_sources(quorvel_exchange PRIVATE exchange/FolderBackupUnavailable.cpp)
endif()

# A phone's health export is read as a stream with expat and, inside its
# archive, libzip. A build without them says that it cannot read one.
option(QUORVEL_HEALTH_EXPORT "Read phones' health exports (needs expat and libzip)" ON)
if(QUORVEL_HEALTH_EXPORT)
  find_package(EXPAT REQUIRED)
  # libzip by its header and library alone: its CMake files name its
  # separate command-line tools, which the build never uses.
  find_path(LIBZIP_INCLUDE_DIR zip.h REQUIRED)
  find_library(LIBZIP_LIBRARY NAMES zip REQUIRED)
  target_sources(quorvel_exchange PRIVATE exchange/health/HealthExportStream.cpp exchange/health/HealthExportReader.cpp
    exchange/health/HealthImport.cpp)
  target_include_directories(quorvel_exchange SYSTEM PRIVATE ${LIBZIP_INCLUDE_DIR})
  target_link_libraries(quorvel_exchange PRIVATE EXPAT::EXPAT ${LIBZIP_LIBRARY})
else()
  target_sources(quorvel_exchange PRIVATE exchange/health/HealthImportUnavailable.cpp)
endif()
