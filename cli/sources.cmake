# quorvel-data: the data folder from the command line. Every unit but main
# goes into a library that needs no display (never the toolkit), so that the
# tests and benchmarks call the commands directly.
find_path(CLI11_INCLUDE_DIR CLI/CLI.hpp REQUIRED)
find_package(nlohmann_json 3 REQUIRED)

add_library(quorvel_cli STATIC
  cli/DataFolder.cpp cli/SelectedUsers.cpp cli/UserReadings.cpp cli/CsvReader.cpp cli/CsvWriter.cpp cli/JsonWriter.cpp
  cli/OutputFile.cpp cli/UsersCommand.cpp cli/ExportCommand.cpp cli/ImportCommand.cpp cli/CheckCommand.cpp cli/RemoveCommand.cpp
  cli/HtmlText.cpp cli/HtmlReport.cpp cli/SvgChart.cpp cli/ReportData.cpp cli/ReportStats.cpp cli/ReportPeriod.cpp
  cli/ReportCommand.cpp)
target_link_libraries(quorvel_cli PUBLIC quorvel_core PRIVATE nlohmann_json::nlohmann_json)

add_executable(quorvel-data cli/main.cpp)
target_include_directories(quorvel-data PRIVATE ${CLI11_INCLUDE_DIR})
target_link_libraries(quorvel-data PRIVATE quorvel_cli)
