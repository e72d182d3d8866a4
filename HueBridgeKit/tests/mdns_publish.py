#!/usr/bin/python3
"""Publishes DNS-SD services with python3-zeroconf, an mDNS implementation
independent of ours, for the discovery tests. Run only inside a private
network namespace: it announces on 127.0.0.1 (the namespace's loopback).

Reads one JSON command per line on standard input and answers each with a
line "ok" (or "error <text>") once it is done:
  {"op": "register", "name": "...", "host": "x.local", "addresses": ["127.0.0.2"],
   "port": 443, "txt": {"bridgeid": "..."} }      (txt null: no properties)
  {"op": "unregister", "name": "..."}
  {"op": "quit"}
"""
import json
import socket
import sys

from zeroconf import IPVersion, ServiceInfo, Zeroconf

SERVICE_TYPE = "_hue._tcp.local."


def packed(address):
    family = socket.AF_INET6 if ":" in address else socket.AF_INET
    return socket.inet_pton(family, address)


def main():
    zc = Zeroconf(interfaces=["127.0.0.1"], ip_version=IPVersion.V4Only)
    services = {}
    print("ready", flush=True)
    try:
        for line in sys.stdin:
            line = line.strip()
            if not line:
                continue
            try:
                command = json.loads(line)
                op = command["op"]
                if op == "quit":
                    break
                if op == "register":
                    info = ServiceInfo(
                        SERVICE_TYPE,
                        command["name"] + "." + SERVICE_TYPE,
                        addresses=[packed(a) for a in command["addresses"]],
                        port=command["port"],
                        properties=command.get("txt") or {},
                        server=command["host"] + ".",
                    )
                    zc.register_service(info, allow_name_change=False)
                    services[command["name"]] = info
                elif op == "unregister":
                    zc.unregister_service(services.pop(command["name"]))
                else:
                    raise ValueError("unknown op " + op)
                print("ok", flush=True)
            except Exception as error:  # reported to the test, which fails
                print("error " + repr(error), flush=True)
    finally:
        zc.unregister_all_services()
        zc.close()


if __name__ == "__main__":
    main()
