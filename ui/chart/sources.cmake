list(APPEND QUORVEL_CORE_SOURCES ui/chart/TimeKey.cpp)
list(APPEND QUORVEL_GUI_SOURCES ui/chart/MyChart.cpp ui/chart/TrendBox.cpp ui/chart/IndividualTrend.cpp)
list(APPEND QUORVEL_CORE_SOURCES ui/chart/ChartMath.cpp ui/chart/TrendStats.cpp ui/chart/LocalDayClock.cpp)
list(APPEND QUORVEL_GUI_SOURCES ui/chart/SeriesPainter.cpp)
