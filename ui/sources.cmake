# ui/: the widgets, and the window program's main.
add_library(quorvel_ui STATIC
  ui/main/MainWindow.cpp ui/main/FileCommands.cpp ui/main/ReportWindow.cpp ui/main/Icons.cpp ui/main/ToolkitDialogs.cpp ui/main/ProgressWindow.cpp ui/main/ToolkitLook.cpp ui/main/TextScale.cpp
  ui/main/PreferencesWindow.cpp
  ui/chart/MyChart.cpp ui/chart/ChartKeys.cpp ui/chart/TrendBox.cpp ui/chart/IndividualTrend.cpp ui/chart/SeriesPainter.cpp
  ui/users/SearchUserBox.cpp ui/users/UserList.cpp ui/users/UserInfoBox.cpp ui/users/InfoWindow.cpp
  ui/measurements/HistoryBox.cpp ui/measurements/TabBrowser.cpp ui/measurements/MyBrowser.cpp
  ui/measurements/NewEntryWindow.cpp ui/measurements/HistoryTableWindow.cpp ui/measurements/HistoryTable.cpp
  ui/measurements/VariablePropertiesWindow.cpp)
target_include_directories(quorvel_ui SYSTEM PUBLIC ${FLTK_INCLUDE_DIR})
target_link_libraries(quorvel_ui PUBLIC quorvel_exchange quorvel_platform_drawing ${FLTK_BASE_LIBRARY} ${FLTK_LIBRARIES})

add_executable(quorvel ui/main/main.cpp)
target_link_libraries(quorvel PRIVATE quorvel_ui)
if(WIN32)
  # A window program (no console window opens beside it) with its icon and
  # its version resource.
  enable_language(RC)
  target_sources(quorvel PRIVATE app/windows/quorvel.rc)
  set_source_files_properties(app/windows/quorvel.rc PROPERTIES COMPILE_DEFINITIONS
    "QUORVEL_RC_VERSION=${PROJECT_VERSION};QUORVEL_VERSION_NUMBERS=${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0"
    OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/app/windows/VersionInfo.rc;${CMAKE_SOURCE_DIR}/app/windows/quorvel.manifest")
  set_target_properties(quorvel PROPERTIES WIN32_EXECUTABLE ON)
endif()
