#!/usr/bin/env python3
"""Local HTTP server for the update tests: serves ROOT/www with byte ranges.

    server.py start ROOT   start in the background; ROOT/port gets the port, ROOT/pid the id
    server.py stop ROOT    stop the server started for ROOT
    server.py run ROOT     serve in the foreground

Beside a served file, small files change how it is served (the tests write them):
    NAME.status   a status code: answer with it and a small HTML page instead of the file (a
                  redirect's Location names the same path by another host name)
    NAME.mode     "chunked": no Content-Length, chunked body; "close": no Content-Length, the
                  end of the body is the end of the connection; "norange": ignore Range;
                  "slow": a block every half second; "endless": no Content-Length, the file
                  and then more bytes without end; "stall": the first half of the file, then
                  silence until the client goes (a minute at most)
    NAME.sign     a private key file, on a second line a section (default "RU Ruvovid") and on
                  a third a serial (default: the time of signing): the file is served with that
                  section signed by tools/sign-version
    NAME.tamper   two lines, old and new: the first "old" in the (signed) file becomes "new"
Every request is appended to ROOT/requests.log as "METHOD PATH RANGE" ("-" without Range).
A server nobody stops (its test run was killed) ends by itself after an hour.
"""
import http.server
import importlib.machinery
import importlib.util
import os
import select
import signal
import socket
import subprocess
import sys
import threading
import time
import urllib.parse

BLOCK = 32768
SIGNER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "sign-version")
LIFETIME = 3600  # seconds


def read_text(path):
    try:
        with open(path, encoding="ascii") as f:
            return f.read().strip()
    except OSError:
        return ""


def load_signer():
    loader = importlib.machinery.SourceFileLoader("sign_version", SIGNER)
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader("sign_version", loader))
    loader.exec_module(module)
    return module


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    root = "."
    log_lock = threading.Lock()

    def log_message(self, fmt, *args):  # quiet: the request log is ours
        pass

    def note(self):
        line = "%s %s %s\n" % (self.command, self.path, self.headers.get("Range", "-"))
        with self.log_lock:
            with open(os.path.join(self.root, "requests.log"), "a", encoding="utf-8") as f:
                f.write(line)

    def do_GET(self):
        self.note()
        rel = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path).lstrip("/")
        www = os.path.realpath(os.path.join(self.root, "www"))
        path = os.path.realpath(os.path.join(www, rel))
        if not path.startswith(www + os.sep) or not os.path.isfile(path):
            return self.page(404)
        status = read_text(path + ".status")
        if status:
            return self.page(int(status))
        mode = read_text(path + ".mode")
        with open(path, "rb") as f:
            data = f.read()
        sign = read_text(path + ".sign").splitlines()
        if sign:
            signer = load_signer()
            section = sign[1] if len(sign) > 1 else "RU Ruvovid"
            serial = int(sign[2]) if len(sign) > 2 else None
            data = signer.sign_text(signer.load_key(sign[0]), data.decode("latin-1"),
                                    section, serial).encode("latin-1")
        tamper = read_text(path + ".tamper").splitlines()
        if len(tamper) == 2:
            data = data.replace(tamper[0].encode("latin-1"), tamper[1].encode("latin-1"), 1)

        start = 0
        ranged = self.headers.get("Range", "")
        if ranged and mode != "norange":
            value = ranged.strip()
            if not value.startswith("bytes=") or not value.endswith("-"):
                return self.page(400)
            start = int(value[len("bytes="):-1])
            if start >= len(data):
                self.send_response(416)
                self.send_header("Content-Range", "bytes */%d" % len(data))
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            self.send_response(206)
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, len(data) - 1, len(data)))
        else:
            self.send_response(200)
        body = data[start:]
        self.send_header("Content-Type", "application/octet-stream")
        if mode == "chunked":
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for i in range(0, len(body), BLOCK):
                part = body[i:i + BLOCK]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(part), part))
            self.wfile.write(b"0\r\n\r\n")
        elif mode == "endless":
            self.send_header("Connection", "close")
            self.end_headers()
            self.close_connection = True
            self.wfile.write(body)
            try:
                while True:
                    self.wfile.write(b"x" * BLOCK)
            except OSError:
                pass  # the client has had enough
        elif mode == "stall":
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body[:len(body) // 2])
            self.wfile.flush()
            conn = self.connection
            deadline = time.time() + 60
            while time.time() < deadline:
                readable, _, _ = select.select([conn], [], [], 0.2)
                if readable and not conn.recv(1, socket.MSG_PEEK):
                    break  # the client closed its end
            self.close_connection = True
        elif mode == "close":
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body)
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            # "slow": a block every half second, so a person can watch the progress.
            for i in range(0, len(body), BLOCK):
                self.wfile.write(body[i:i + BLOCK])
                if mode == "slow":
                    self.wfile.flush()
                    time.sleep(0.5)

    def page(self, status):
        body = b"<html><body><h1>%d</h1>Not the file you asked for.</body></html>" % status
        self.send_response(status)
        if 300 <= status < 400:
            # Elsewhere: the same file by another host name, which the client must not follow.
            self.send_header("Location", "http://localhost:%d%s" % (self.server.server_address[1],
                                                                    self.path))
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


def run(root):
    Handler.root = root
    os.makedirs(os.path.join(root, "www"), exist_ok=True)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    tmp = os.path.join(root, "port.tmp")
    with open(tmp, "w", encoding="ascii") as f:
        f.write(str(server.server_address[1]))
    os.replace(tmp, os.path.join(root, "port"))
    timer = threading.Timer(LIFETIME, server.shutdown)
    timer.daemon = True
    timer.start()
    server.serve_forever()


def start(root):
    stop(root)
    os.makedirs(root, exist_ok=True)
    port = os.path.join(root, "port")
    if os.path.exists(port):
        os.remove(port)
    with open(os.path.join(root, "server.log"), "ab") as log:
        child = subprocess.Popen([sys.executable, os.path.abspath(__file__), "run", root],
                                 stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                 start_new_session=True)
    with open(os.path.join(root, "pid"), "w", encoding="ascii") as f:
        f.write(str(child.pid))
    for _ in range(200):
        if os.path.exists(port):
            with socket.create_connection(("127.0.0.1", int(read_text(port))), timeout=5):
                print("serving %s on port %s" % (root, read_text(port)))
                return 0
        if child.poll() is not None:
            break
        time.sleep(0.05)
    print("server did not start", file=sys.stderr)
    return 1


def stop(root):
    pid = read_text(os.path.join(root, "pid"))
    if pid:
        try:
            os.kill(int(pid), signal.SIGTERM)
        except (OSError, ValueError):
            pass
        os.remove(os.path.join(root, "pid"))
    return 0


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop", "run"):
        print(__doc__, file=sys.stderr)
        return 2
    root = os.path.abspath(sys.argv[2])
    if sys.argv[1] == "run":
        run(root)
        return 0
    return start(root) if sys.argv[1] == "start" else stop(root)


if __name__ == "__main__":
    sys.exit(main())
