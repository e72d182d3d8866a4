lumora_add_test(tst_reordermath SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_reordermath.cpp LIBRARIES LumoraCore LABELS pure)
