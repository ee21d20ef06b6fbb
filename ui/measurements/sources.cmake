list(APPEND QUORVEL_GUI_SOURCES
  ui/measurements/HistoryBox.cpp ui/measurements/TabBrowser.cpp ui/measurements/MyBrowser.cpp
  ui/measurements/NewEntryWindow.cpp ui/measurements/HistoryTableWindow.cpp ui/measurements/HistoryTable.cpp
  ui/measurements/VariablePropertiesWindow.cpp)
list(APPEND QUORVEL_CORE_SOURCES ui/measurements/EntryRules.cpp ui/measurements/RangeRules.cpp ui/measurements/HistoryData.cpp)
