lumora_add_test(tst_storerules SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_storerules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StoreTestSupport.h LIBRARIES LumoraCore LABELS pure)
if(TARGET BridgeSim)
  lumora_add_test(tst_store SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_store.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StoreTestSupport.h LIBRARIES LumoraCore LumoraTestSupport TIMEOUT 900)
endif()
