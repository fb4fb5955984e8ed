add_executable(quillex-cam ${CMAKE_CURRENT_SOURCE_DIR}/quillex-cam/main.cpp)
target_link_libraries(quillex-cam PRIVATE QuillexDriver)
