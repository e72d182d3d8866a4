# The bridge client, its trust decision and the event stream. The pure tests
# need no peer; the others talk to the bridge simulator over TLS on loopback.
lumora_add_test(tst_eventstream SOURCES tst_eventstream.cpp LIBRARIES HueBridgeKit LABELS pure)
lumora_add_test(tst_clientvalues SOURCES tst_clientvalues.cpp LIBRARIES HueBridgeKit LABELS pure)
if(EXISTS ${PROJECT_SOURCE_DIR}/tools/bridge-sim/CMakeLists.txt)
  # Certificates are generated in-process; no peer is involved.
  lumora_add_test(tst_trust SOURCES tst_trust.cpp LIBRARIES HueBridgeKit BridgeSim LABELS pure)
  lumora_add_test(tst_client SOURCES tst_client.cpp ClientTestSupport.h LIBRARIES LumoraTestSupport)
  lumora_add_test(tst_eventstreamclient SOURCES tst_eventstreamclient.cpp ClientTestSupport.h
    LIBRARIES LumoraTestSupport)
endif()
