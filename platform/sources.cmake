list(APPEND QUORVEL_CORE_SOURCES platform/Platform.cpp)
