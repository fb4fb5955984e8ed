quillex_add_gtest(test_hal_decoder
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/decoder/SampleDecodeTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/decoder/DecoderBehaviourTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/decoder/RoundTripTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/decoder/Sha256Test.cpp
  LIBS QuillexHal)
target_include_directories(test_hal_decoder PRIVATE ${CMAKE_CURRENT_LIST_DIR}/decoder)
