# Main window and its export and cut dialogs.
quillex_add_qtest(tst_mainwindow_dialogs SOURCES ${CMAKE_CURRENT_LIST_DIR}/mainwindow/RangeDialogTest.cpp)
quillex_add_qtest(tst_mainwindow SOURCES ${CMAKE_CURRENT_LIST_DIR}/mainwindow/MainWindowTest.cpp
                                         ${CMAKE_CURRENT_LIST_DIR}/startup/TempHome.h)
