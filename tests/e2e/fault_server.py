#!/usr/bin/env python3
"""A definition server that misbehaves, for the update's failure tests.

Usage: fault_server.py MODE PORT_FILE
MODE: "stall" answers the date, then never answers the update request;
      "endless" answers the date, then sends an update body that never ends;
      "missing" answers the date, then 404 for the update request;
      "short" answers the date, then announces an update body's length and closes the
      connection after part of it, cleanly, as a server or proxy that dies mid-answer.
      "release" serves the update text in UPDATE_FILE chunked (no length) and ended by the
      closing record "[BR]|END[DEF]", as the reference server does; the dates are
      2024-05-14 9:30 AM, in ISO 8601 when the request carries "iso=", else in the classic
      form; every request line is appended to LOG_FILE;
      "release-cut" does the same but stops after the last whole record, without the closing
      record: well-formed, yet cut off.
Other modes: the date is always later than any local one. Listens on 127.0.0.1, an ephemeral
port, written to PORT_FILE; runs until killed.
Usage for the release modes: fault_server.py MODE PORT_FILE UPDATE_FILE LOG_FILE
"""
import http.server
import os
import sys
import threading
import time

mode = sys.argv[1]
port_file = sys.argv[2]
stop = threading.Event()


def encode(clear):
    """The definition files' line encoding: every byte moved 124 places, wrapping at 255."""
    return bytes(c + 124 if c + 124 <= 255 else c - 131 for c in clear)


def record(section, action, payload):
    return encode(section) + b"|" + action + b"[DEF]" + encode(payload)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def release(self):
        with open(sys.argv[4], "a") as log:
            log.write(self.path + "\n")
        if self.path.startswith("/asp/currentDateNEW.asp") or self.path.startswith("/asp/date.asp"):
            body = b"2024-05-14T09:30:00" if "iso=" in self.path else b"5/14/2024 9:30:00 AM"
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        if not self.path.startswith("/asp/getDefsNEW.asp"):
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        body = open(sys.argv[3], "rb").read()
        if mode == "release":
            body += b"[BR]|END[DEF]"
        # Chunked, in pieces that do not follow the records.
        self.protocol_version = "HTTP/1.1"
        self.send_response(200)
        self.send_header("Transfer-Encoding", "chunked")
        self.send_header("Connection", "close")
        self.end_headers()
        for at in range(0, len(body), 700):
            piece = body[at:at + 700]
            self.wfile.write(b"%x\r\n" % len(piece) + piece + b"\r\n")
        self.wfile.write(b"0\r\n\r\n")
        self.wfile.flush()
        self.close_connection = True

    def do_GET(self):
        if mode.startswith("release"):
            self.release()
            return
        if self.path.startswith("/asp/currentDateNEW.asp") or self.path.startswith("/asp/date.asp"):
            body = b"12/31/2099 11:00:00 PM"
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        if mode == "stall":
            stop.wait(600)
            return
        if mode == "missing":
            body = b"<html>Not Found</html>"
            self.send_response(404)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        if mode == "short":
            # Two whole records would arrive as a well-formed update: the cut falls in the
            # second, after the first, so that a body taken as complete would still apply.
            body = record(b"COOK", b"ADD", b"short-body-first.example") + b"[BR]" + \
                record(b"COOK", b"ADD", b"short-body-second.example")
            sent = body[: len(body) - 10]
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(sent)
            self.wfile.flush()
            self.close_connection = True
            return
        self.send_response(200)
        self.end_headers()
        chunk = b"\xbf\xcb\xcb\xc7|ADD[DEF]" + b"\xdd" * 65000 + b"[BR]"
        try:
            while True:
                self.wfile.write(chunk)
        except (BrokenPipeError, ConnectionResetError):
            pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
tmp = port_file + ".tmp"
with open(tmp, "w") as f:
    f.write(str(server.server_address[1]))
os.replace(tmp, port_file)
server.serve_forever()
