#!/usr/bin/env python3
"""Local HTTP server for the Wine tests: `start STATE_DIR` serves a fixed body on an
ephemeral port of 127.0.0.1 and writes the port to STATE_DIR/port; `stop STATE_DIR` ends it.
"/set-cookie" answers with a cookie, as a collection server might; "/headers" answers with the
Cookie and User-Agent headers of its own request, so a test sees what a client sends."""
import http.server
import os
import signal
import socketserver
import sys
import time


def serve(state):
    root = os.path.join(state, "www")
    os.makedirs(root, exist_ok=True)
    with open(os.path.join(root, "body.txt"), "w") as f:
        f.write(("0123456789" * 100))
    class Handler(http.server.SimpleHTTPRequestHandler):
        def do_GET(self):
            if self.path == "/set-cookie":
                return self.answer("set", [("Set-Cookie", "visitor=tracked; Path=/; Max-Age=3600")])
            if self.path == "/headers":
                return self.answer("Cookie: %s\nUser-Agent: %s\n" % (self.headers.get("Cookie", ""),
                                                                     self.headers.get("User-Agent", "")))
            return super().do_GET()

        def answer(self, text, extra=()):
            body = text.encode()
            self.send_response(200)
            for name, value in extra:
                self.send_header(name, value)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

    handler = lambda *a, **k: Handler(*a, directory=root, **k)
    http.server.SimpleHTTPRequestHandler.log_message = lambda *a: None
    with socketserver.TCPServer(("127.0.0.1", 0), handler) as server:
        with open(os.path.join(state, "port.tmp"), "w") as f:
            f.write(str(server.server_address[1]))
        os.replace(os.path.join(state, "port.tmp"), os.path.join(state, "port"))
        server.timeout = 1
        deadline = time.time() + 600  # never outlives a forgotten test run for long
        while time.time() < deadline:
            server.handle_request()


def main():
    action, state = sys.argv[1], sys.argv[2]
    os.makedirs(state, exist_ok=True)
    port_file = os.path.join(state, "port")
    pid_file = os.path.join(state, "pid")
    if action == "start":
        if os.path.exists(port_file):
            os.remove(port_file)
        pid = os.fork()
        if pid == 0:
            os.setsid()
            devnull = os.open(os.devnull, os.O_RDWR)
            for fd in (0, 1, 2):
                os.dup2(devnull, fd)
            serve(state)
            os._exit(0)
        with open(pid_file, "w") as f:
            f.write(str(pid))
        for _ in range(200):
            if os.path.exists(port_file):
                return 0
            time.sleep(0.05)
        return 1
    if action == "stop" and os.path.exists(pid_file):
        with open(pid_file) as f:
            pid = int(f.read())
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        os.remove(pid_file)
    return 0


if __name__ == "__main__":
    sys.exit(main())
