lumora_add_test(tst_home SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_home.cpp LIBRARIES LumoraTestSupport LABELS pure)
