# store/: the data folder's XML files, read, kept and saved safely.
add_library(quorvel_store STATIC store/Global.cpp store/XmlFile.cpp store/SafeWriter.cpp store/DataFolderSeed.cpp
  store/FileMark.cpp
  store/VariableTable.cpp store/VariableLookup.cpp
  store/FolderStore.cpp
  store/DataFolderChoice.cpp store/XmlCopy.cpp store/UserMerge.cpp store/RegistryMerge.cpp store/ConflictCopy.cpp)
target_include_directories(quorvel_store SYSTEM PUBLIC ${RAPIDXML_INCLUDE_DIR})
target_link_libraries(quorvel_store PUBLIC quorvel_app)
