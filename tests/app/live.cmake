# Camera side of the main window: camera list and info dialogs, live view, recording.
quillex_add_qtest(tst_live_dialogs SOURCES ${CMAKE_CURRENT_LIST_DIR}/live/CameraDialogsTest.cpp)
quillex_add_qtest(tst_live_camera SOURCES ${CMAKE_CURRENT_LIST_DIR}/live/LiveCameraTest.cpp
                                          ${CMAKE_CURRENT_LIST_DIR}/startup/TempHome.h)
