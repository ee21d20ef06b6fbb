# cli/: quorvel-data's command line. main wires the options; each subcommand
# reads its parsed options, calls the exchange engines and prints. The
# subcommands go into a library (never the toolkit) so that the tests and
# benchmarks call them directly.
find_path(CLI11_INCLUDE_DIR CLI/CLI.hpp REQUIRED)

add_library(quorvel_cli STATIC
  cli/UsersCommand.cpp cli/ExportCommand.cpp cli/ImportCommand.cpp cli/CheckCommand.cpp cli/RemoveCommand.cpp
  cli/ReportCommand.cpp cli/BackupCommand.cpp cli/MergeCommand.cpp cli/StandardOutput.cpp cli/FormatImportCommand.cpp)
target_link_libraries(quorvel_cli PUBLIC quorvel_exchange)

add_executable(quorvel-data cli/main.cpp)
target_include_directories(quorvel-data PRIVATE ${CLI11_INCLUDE_DIR})
target_link_libraries(quorvel-data PRIVATE quorvel_cli)
# --version says the version this build has.
target_compile_definitions(quorvel-data PRIVATE QUORVEL_VERSION="${PROJECT_VERSION}")
if(WIN32)
  # The application manifest (app/windows/quorvel.manifest) and the version
  # resource.
  enable_language(RC)
  target_sources(quorvel-data PRIVATE app/windows/quorvel-data.rc)
  set_source_files_properties(app/windows/quorvel-data.rc PROPERTIES COMPILE_DEFINITIONS
    "QUORVEL_RC_VERSION=${PROJECT_VERSION};QUORVEL_VERSION_NUMBERS=${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0"
    OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/app/windows/VersionInfo.rc;${CMAKE_SOURCE_DIR}/app/windows/quorvel.manifest")
endif()
