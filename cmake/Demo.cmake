# The generator of the sample data folder used by `make demo`.
add_executable(quorvel_demo_data ${CMAKE_SOURCE_DIR}/scripts/demo/DemoDataMain.cpp)
target_link_libraries(quorvel_demo_data PRIVATE quorvel_store)
