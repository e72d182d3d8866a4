lumora_add_test(tst_persistence SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_persistence.cpp LIBRARIES LumoraCore LABELS pure)
