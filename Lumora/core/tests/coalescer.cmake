lumora_add_test(tst_coalescer SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_coalescer.cpp LIBRARIES LumoraCore LABELS pure)
