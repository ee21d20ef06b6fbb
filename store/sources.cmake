list(APPEND QUORVEL_CORE_SOURCES store/Global.cpp store/XmlFile.cpp store/SafeWriter.cpp)
