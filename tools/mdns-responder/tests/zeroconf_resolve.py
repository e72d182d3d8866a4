#!/usr/bin/python3
"""Looks up DNS-SD services with python3-zeroconf (independent of our own
code) and prints what it learnt as one JSON object. Run only inside a private
network namespace: it queries on 127.0.0.1.

  zeroconf_resolve.py <service type, e.g. _hue._tcp.local.> <seconds>
"""
import json
import sys
import time

from zeroconf import IPVersion, ServiceBrowser, Zeroconf

service_type, seconds = sys.argv[1], float(sys.argv[2])
zc = Zeroconf(interfaces=["127.0.0.1"], ip_version=IPVersion.V4Only)
found = {}


class Listener:
    def add_service(self, zc, type_, name):
        found[name] = None

    def update_service(self, zc, type_, name):
        found.setdefault(name, None)

    def remove_service(self, zc, type_, name):
        found.pop(name, None)


ServiceBrowser(zc, service_type, Listener())
time.sleep(seconds)
result = {}
for name in list(found):
    info = zc.get_service_info(service_type, name, 3000)
    if info is None:
        result[name] = None
        continue
    result[name] = {
        "server": info.server,
        "port": info.port,
        "addresses": info.parsed_addresses(IPVersion.All),
        "txt": {k.decode(): (v.decode() if v is not None else None) for k, v in info.properties.items()},
    }
zc.close()
print(json.dumps(result), flush=True)
