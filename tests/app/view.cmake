# Event frames and image view.
quillex_add_qtest(tst_view_event_processor SOURCES ${CMAKE_CURRENT_LIST_DIR}/view/EventProcessorTest.cpp
                                                   ${CMAKE_CURRENT_LIST_DIR}/view/ViewTestSupport.h)
quillex_add_qtest(tst_view_image SOURCES ${CMAKE_CURRENT_LIST_DIR}/view/ImageViewTest.cpp)
