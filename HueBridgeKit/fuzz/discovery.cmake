lumora_add_fuzzer(fuzz_mdns SOURCES fuzz_mdns.cpp LIBRARIES HueBridgeKit)
