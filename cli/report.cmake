# The doctor's report of quorvel-data: the page, its chart and statistics,
# and the report subcommand. No toolkit: it builds on the display-free core.
add_library(quorvel_report STATIC
  cli/HtmlText.cpp cli/HtmlReport.cpp cli/SvgChart.cpp cli/ReportData.cpp cli/ReportStats.cpp
  cli/ReportPeriod.cpp cli/ReportCommand.cpp)
target_link_libraries(quorvel_report PUBLIC quorvel_core)
