list(APPEND QUORVEL_GUI_SOURCES ui/main/MainWindow.cpp)
