list(APPEND QUORVEL_GUI_SOURCES ui/main/MainWindow.cpp ui/main/Icons.cpp)
list(APPEND QUORVEL_CORE_SOURCES ui/main/DisplayMenuRules.cpp ui/main/SeriesCache.cpp)
