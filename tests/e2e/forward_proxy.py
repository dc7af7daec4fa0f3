#!/usr/bin/env python3
"""A forwarding HTTP proxy on 127.0.0.1, for the update's proxy and cookie tests.

Usage: forward_proxy.py PORT_FILE LOG_FILE
Forwards each GET (absolute address, as a client configured for a proxy sends it) to its
server and hands the answer back with a cookie added ("Set-Cookie: tracker=..."), as a
server that tries to follow a machine would. Appends one line per request to LOG_FILE: the
address, then "cookie: VALUE" when the request carried a Cookie header. Listens on an
ephemeral port, written to PORT_FILE; runs until killed.
"""
import http.client
import http.server
import os
import sys
import urllib.parse

port_file, log_file = sys.argv[1:3]
HOP_BY_HOP = {"connection", "keep-alive", "proxy-connection", "transfer-encoding", "te", "trailer", "upgrade",
              "proxy-authenticate", "proxy-authorization", "content-length"}


class Proxy(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def do_GET(self):
        cookie = self.headers.get("Cookie")
        with open(log_file, "a") as log:
            log.write(self.path + (" cookie: " + cookie if cookie else "") + "\n")
        target = urllib.parse.urlsplit(self.path)
        upstream = http.client.HTTPConnection(target.hostname, target.port or 80, timeout=30)
        path = target.path + ("?" + target.query if target.query else "")
        upstream.request("GET", path, headers={k: v for k, v in self.headers.items() if k.lower() not in HOP_BY_HOP})
        answer = upstream.getresponse()
        body = answer.read()
        self.send_response(answer.status)
        for name, value in answer.getheaders():
            if name.lower() not in HOP_BY_HOP:
                self.send_header(name, value)
        self.send_header("Set-Cookie", "tracker=machine-42; Path=/")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Proxy)
server.daemon_threads = True
with open(port_file + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.replace(port_file + ".tmp", port_file)
server.serve_forever()
