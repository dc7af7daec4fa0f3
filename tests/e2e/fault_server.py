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
      record: well-formed, yet cut off. Both answer "/asp/getDefsNEW.sig" with the statement
      of the development key (cmake/dev-signing-key.pem) for what they send.
      "replay" answers every update request with the bytes of UPDATE_FILE and every statement
      request with those of STATEMENT_FILE, as captured from a signing server (an older
      update replayed, or one for another date mixed in); "replay-changed" changes one byte
      of the update; "replay-expired" signs the captured statement again with the
      development key and an expiry in the past (definitions held back). With WHOLE_DIR, a
      whole definition file "/definitions/data/NAME" and its statement are the bytes of the
      file NAME there (404 when there is none).
Usage for the replay modes: fault_server.py MODE PORT_FILE UPDATE_FILE LOG_FILE STATEMENT_FILE [WHOLE_DIR]
Other modes: the date is always later than any local one. Listens on 127.0.0.1, an ephemeral
port, written to PORT_FILE; runs until killed.
Usage for the release modes: fault_server.py MODE PORT_FILE UPDATE_FILE LOG_FILE
"""
import base64
import hashlib
import http.server
import os
import subprocess
import sys
import threading
import time
import urllib.parse

mode = sys.argv[1]
port_file = sys.argv[2]
stop = threading.Event()


def encode(clear):
    """The definition files' line encoding: every byte moved 124 places, wrapping at 255."""
    return bytes(c + 124 if c + 124 <= 255 else c - 131 for c in clear)


def record(section, action, payload):
    return encode(section) + b"|" + action + b"[DEF]" + encode(payload)


DEVELOPMENT_KEY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "cmake", "dev-signing-key.pem")


def signed(lines):
    """The statement's signed lines followed by their signature: ECDSA P-256 over SHA-256 as
    raw r||s in base64, made by the openssl tool and taken out of its DER form."""
    der = subprocess.run(["openssl", "dgst", "-sha256", "-sign", DEVELOPMENT_KEY], input=lines,
                         capture_output=True, check=True).stdout
    at = 3 if der[1] & 0x80 else 2
    numbers = []
    for _ in range(2):
        assert der[at] == 2
        length = der[at + 1]
        numbers.append(int.from_bytes(der[at + 2:at + 2 + length], "big"))
        at += 2 + length
    raw = b"".join(n.to_bytes(32, "big") for n in numbers)
    return lines + b"signature=" + base64.b64encode(raw) + b"\n"


def statement(covers, start, to, expires, body):
    lines = "for={}\nfrom={}\nto={}\nexpires={}\nsha256={}\n".format(
        covers, start, to, expires, hashlib.sha256(body).hexdigest()).encode()
    return signed(lines)


def utc_text(when):
    return time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(when))


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def answer(self, body, status=200):
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def replay(self):
        with open(sys.argv[4], "a") as log:
            log.write(self.path + "\n")
        if self.path.startswith("/asp/currentDateNEW.asp") or self.path.startswith("/asp/date.asp"):
            self.answer(b"2024-05-14T00:00:00")
        elif self.path.startswith("/asp/getDefsNEW.asp"):
            body = open(sys.argv[3], "rb").read()
            if mode == "replay-changed":
                body = body[:-1] + bytes([body[-1] ^ 1])
            self.answer(body)
        elif self.path.startswith("/asp/getDefsNEW.sig"):
            captured = open(sys.argv[5], "rb").read()
            if mode == "replay-expired":
                lines = captured[: captured.index(b"signature=")].decode().splitlines()
                lines = [("expires=" + utc_text(time.time() - 3600)) if l.startswith("expires=") else l for l in lines]
                captured = signed(("\n".join(lines) + "\n").encode())
            self.answer(captured)
        elif self.path.startswith("/definitions/data/") and len(sys.argv) > 6:
            whole = os.path.join(sys.argv[6], os.path.basename(urllib.parse.urlsplit(self.path).path))
            if os.path.exists(whole):
                self.answer(open(whole, "rb").read())
            else:
                self.answer(b"", 404)
        else:
            self.answer(b"", 404)

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
        signing = self.path.startswith("/asp/getDefsNEW.sig")
        if not self.path.startswith("/asp/getDefsNEW.asp") and not signing:
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        body = open(sys.argv[3], "rb").read()
        if mode == "release":
            body += b"[BR]|END[DEF]"
        if signing:
            query = urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query)
            self.answer(statement("/asp/getDefsNEW.asp", query.get("iso", [""])[0], "2024-05-14T09:30:00",
                                  utc_text(time.time() + 86400), body))
            return
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
        if mode.startswith("replay"):
            self.replay()
            return
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
