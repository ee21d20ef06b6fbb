# rules/: the program's rules and arithmetic, without the toolkit: entries
# and ranges, user information, time, the chart's numbers and the units.
add_library(quorvel_rules STATIC
  rules/readings/EntryRules.cpp rules/readings/RangeRules.cpp rules/readings/HistoryData.cpp
  rules/readings/Plausibility.cpp rules/readings/ReadingEdits.cpp rules/readings/MergeCheck.cpp
  rules/readings/ReadingDetails.cpp
  rules/readings/VariableUnits.cpp rules/readings/HomePressureProtocol.cpp
  rules/users/InfoRules.cpp rules/users/TypeAhead.cpp rules/users/InfoUnits.cpp
  rules/time/TimeKey.cpp rules/time/LocalDayClock.cpp
  rules/chart/ChartMath.cpp rules/chart/TrendStats.cpp rules/chart/SeriesCache.cpp rules/chart/DisplayMenuRules.cpp
  rules/units/Units.cpp rules/units/PreferencesFile.cpp rules/units/ClockStyle.cpp rules/units/HelpText.cpp
  rules/units/TextSize.cpp)
target_link_libraries(quorvel_rules PUBLIC quorvel_store)
