# The key store against the real Secret Service of the test environment
# (gnome-keyring on the private session bus that scripts/with-test-env starts).
lumora_add_test(tst_keystore SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_keystore.cpp
  LIBRARIES LumoraCore qt6keychain Qt6::DBus TIMEOUT 120)

# The same program on a bus of its own where nothing provides the Secret
# Service and nothing can be activated: every call must end, without a key.
find_program(LUMORA_DBUS_RUN_SESSION dbus-run-session)
if(LUMORA_DBUS_RUN_SESSION)
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/no-secrets-bus.conf [=[
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
]=])
  add_test(NAME tst_keystore_nosecrets
    COMMAND ${LUMORA_DBUS_RUN_SESSION} --config-file=${CMAKE_CURRENT_BINARY_DIR}/no-secrets-bus.conf --
            $<TARGET_FILE:tst_keystore>)
  set_tests_properties(tst_keystore_nosecrets PROPERTIES
    ENVIRONMENT "LUMORA_KEYSTORE_EXPECT=unavailable" TIMEOUT 120 LABELS headless)
endif()
