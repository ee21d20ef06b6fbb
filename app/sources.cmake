# app/: the trace log, the dialog seam and the texts handed to the toolkit.
add_library(quorvel_app STATIC app/Trace.cpp app/Dialogs.cpp app/LiteralText.cpp app/NumberText.cpp app/ProgressPercent.cpp)
target_link_libraries(quorvel_app PUBLIC quorvel_platform)
