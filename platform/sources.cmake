# platform/: the few calls that differ between operating systems.
add_library(quorvel_platform STATIC platform/Platform.cpp platform/PathKind.cpp)
target_include_directories(quorvel_platform PUBLIC ${CMAKE_SOURCE_DIR})
if(WIN32)
  target_link_libraries(quorvel_platform PUBLIC shell32)
endif()

# Batched drawing of chart series and the toolkit's window-system notices,
# for the window alone: X11 requests on Linux; on Windows and macOS the
# stand-ins (the chart draws shape by shape, no notice needs dropping).
if(WIN32 OR APPLE)
  add_library(quorvel_platform_drawing STATIC platform/BatchedSeriesPlain.cpp platform/ToolkitNoticesPlain.cpp)
else()
  add_library(quorvel_platform_drawing STATIC platform/BatchedSeriesX11.cpp platform/ToolkitNoticesX11.cpp)
endif()
target_include_directories(quorvel_platform_drawing SYSTEM PUBLIC ${FLTK_INCLUDE_DIR})
target_link_libraries(quorvel_platform_drawing PUBLIC quorvel_platform)
