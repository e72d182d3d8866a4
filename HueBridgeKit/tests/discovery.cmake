# Multicast DNS discovery: the codec, the browse cache and the discovery
# algorithm run anywhere; the end-to-end tests send multicast and therefore run
# only inside a private network namespace that the test run creates.
lumora_add_test(tst_mdnsmessage SOURCES tst_mdnsmessage.cpp LIBRARIES HueBridgeKit LABELS pure)
lumora_add_test(tst_mdnsbrowser SOURCES tst_mdnsbrowser.cpp LIBRARIES HueBridgeKit LABELS pure)
lumora_add_test(tst_discovery SOURCES tst_discovery.cpp LIBRARIES HueBridgeKit LABELS pure)

lumora_add_test(tst_discovery_netns SOURCES tst_discovery_netns.cpp LIBRARIES MdnsResponder LumoraTestSupport
  WRAPPER ${CMAKE_CURRENT_SOURCE_DIR}/in-private-netns.sh TIMEOUT 180)
