# exchange/: the data taken out and brought in, without the toolkit or the
# command line: CSV, JSON, export, import, check, removal and the doctor's
# report. quorvel-data and the window call the same engines.
find_package(nlohmann_json 3 REQUIRED)
add_library(quorvel_exchange STATIC
  exchange/DataFolder.cpp exchange/SelectedUsers.cpp exchange/UserReadings.cpp exchange/OutputFile.cpp
  exchange/CsvReader.cpp exchange/CsvWriter.cpp exchange/JsonWriter.cpp
  exchange/UserSummaries.cpp exchange/ReadingsExport.cpp exchange/Utf8Text.cpp exchange/PathKind.cpp exchange/ReadingsImport.cpp exchange/FolderCheck.cpp
  exchange/ReadingRemoval.cpp
  exchange/report/DoctorReport.cpp exchange/report/HtmlReport.cpp exchange/report/HtmlText.cpp
  exchange/report/SvgChart.cpp exchange/report/ReportData.cpp exchange/report/ReportStats.cpp
  exchange/report/ReportPeriod.cpp)
target_link_libraries(quorvel_exchange PUBLIC quorvel_rules PRIVATE nlohmann_json::nlohmann_json)
