list(APPEND QUORVEL_CORE_SOURCES platform/Platform.cpp)
# Batched drawing of chart series: X11 requests on Linux; on Windows and
# macOS the stand-in that lets the chart draw shape by shape.
if(WIN32 OR APPLE)
  list(APPEND QUORVEL_GUI_SOURCES platform/BatchedSeriesPlain.cpp)
else()
  list(APPEND QUORVEL_GUI_SOURCES platform/BatchedSeriesX11.cpp)
endif()
