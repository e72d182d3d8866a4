lumora_add_test(tst_editablehome SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_editablehome.cpp LIBRARIES LumoraCore LumoraTestSupport LABELS pure)
