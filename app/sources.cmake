list(APPEND QUORVEL_CORE_SOURCES app/Trace.cpp app/Dialogs.cpp app/LiteralText.cpp)
list(APPEND QUORVEL_GUI_SOURCES app/ToolkitDialogs.cpp app/ToolkitLook.cpp)
