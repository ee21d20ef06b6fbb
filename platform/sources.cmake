# platform/: the few calls that differ between operating systems. The header
# and the code that is the same everywhere are in platform/; what differs is
# in one file per system, of which the build compiles the one it runs on.
if(WIN32)
  set(QUORVEL_PLATFORM_SYSTEM platform/windows/PlatformWindows.cpp platform/windows/ConsoleBuffer.cpp)
  set(QUORVEL_PLATFORM_ICON platform/windows/WindowIconWindows.cpp)
else()
  set(QUORVEL_PLATFORM_SYSTEM platform/posix/PlatformPosix.cpp)
  set(QUORVEL_PLATFORM_ICON platform/posix/WindowIconPosix.cpp)
endif()
add_library(quorvel_platform STATIC platform/Platform.cpp platform/PathKind.cpp platform/DesktopScale.cpp
  ${QUORVEL_PLATFORM_SYSTEM})
target_include_directories(quorvel_platform PUBLIC ${CMAKE_SOURCE_DIR})
if(WIN32)
  target_link_libraries(quorvel_platform PUBLIC shell32)
endif()

# The window's part, for the window alone: the program's icon (set from the
# executable on Windows, by the desktop elsewhere), batched drawing of chart
# series and the toolkit's window-system notices. The last two follow the
# window system rather than the operating system: X11 requests on Linux; on
# Windows and macOS the stand-ins (the chart draws shape by shape, no notice
# needs dropping).
# The desktop's scale: the X resource database, Windows' logical DPI, none
# on macOS.
if(WIN32)
  add_library(quorvel_platform_drawing STATIC platform/BatchedSeriesPlain.cpp platform/ToolkitNoticesPlain.cpp
    platform/windows/DesktopScaleWindows.cpp ${QUORVEL_PLATFORM_ICON})
elseif(APPLE)
  add_library(quorvel_platform_drawing STATIC platform/BatchedSeriesPlain.cpp platform/ToolkitNoticesPlain.cpp
    platform/DesktopScalePlain.cpp ${QUORVEL_PLATFORM_ICON})
else()
  add_library(quorvel_platform_drawing STATIC platform/BatchedSeriesX11.cpp platform/ToolkitNoticesX11.cpp
    platform/DesktopScaleX11.cpp ${QUORVEL_PLATFORM_ICON})
endif()
target_include_directories(quorvel_platform_drawing SYSTEM PUBLIC ${FLTK_INCLUDE_DIR})
target_link_libraries(quorvel_platform_drawing PUBLIC quorvel_platform)
if(WIN32)
  # GetDeviceCaps, for the screen's DPI.
  target_link_libraries(quorvel_platform_drawing PUBLIC gdi32)
endif()
