quillex_add_qtest(tst_app_settings SOURCES ${CMAKE_CURRENT_LIST_DIR}/startup/AppSettingsTest.cpp
                                           ${CMAKE_CURRENT_LIST_DIR}/startup/TempHome.h)
quillex_add_qtest(tst_startup_ui SOURCES ${CMAKE_CURRENT_LIST_DIR}/startup/StartupUiTest.cpp
                                         ${CMAKE_CURRENT_LIST_DIR}/startup/TempHome.h)
quillex_add_qtest(tst_termination_signals SOURCES ${CMAKE_CURRENT_LIST_DIR}/startup/TerminationSignalsTest.cpp)
