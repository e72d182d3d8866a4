// Feeds arbitrary packets to the multicast DNS codec and the browse cache.
// Whatever parses must write back to a packet that parses to the same message.
#include "MdnsBrowser.h"
#include "MdnsMessage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto message = MdnsMessage::parse(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!message)
        return 0;
    const auto again = MdnsMessage::parse(message->toBytes());
    if (!again || !(*again == *message))
        __builtin_trap();

    MdnsBrowser browser(MdnsName::fromDotted(u"_hue._tcp.local"));
    MdnsMessage response = *message;
    response.flags = MdnsMessage::flagResponse;
    browser.process(response);
    for (const auto &instance : browser.instances()) {
        if (instance.name.isNull() || instance.ipv4.size() > MdnsBrowser::maxAddressesPerHost)
            __builtin_trap();
    }
    (void)browser.pendingQuery(true);
    return 0;
}
