list(APPEND QUORVEL_GUI_SOURCES ui/main/MainWindow.cpp)
list(APPEND QUORVEL_CORE_SOURCES ui/main/DisplayMenuRules.cpp)
