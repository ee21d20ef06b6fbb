list(APPEND QUORVEL_GUI_SOURCES
  ui/measurements/HistoryBox.cpp ui/measurements/TabBrowser.cpp ui/measurements/MyBrowser.cpp
  ui/measurements/NewEntryWindow.cpp ui/measurements/HistoryTableWindow.cpp ui/measurements/HistoryTable.cpp
  ui/measurements/VariablePropertiesWindow.cpp)
