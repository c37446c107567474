#!/usr/bin/env python3
"""A small HTTP server on 127.0.0.1 for the download tests.

Serves the files below --root. The first part of the path picks how:
  /nolength/<file>  the body without a Content-Length header (the connection's end ends it)
  /slow/<file>      the body in small pieces with pauses, so a transfer can be cancelled
  /endless/<file>   the file, then more bytes than any limit of the client's (16 MiB), without a
                    Content-Length. It does end: a transfer the client gives up on keeps its
                    connection, and the transfers after it would wait for a free one.
  /huge/<file>      announces 600 MiB, then sends as /endless/ does
  /silent/<file>    the headers with the file's length, then nothing until the client goes
  /same/<file>      a redirect to /<file> on this server
  /elsewhere/<file> a redirect to the file on this server by another host name (localhost)
  /local/<file>     a redirect to a file: address
  /shutdown         stops the server
anything else is the file at that path (404 when there is none). Every request line is
appended to <root>/requests.log. The chosen port is written to --port-file. The server stops
by itself after --lifetime seconds or --max-requests requests.
"""
import argparse
import os
import select
import socket
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, fmt, *args):  # quiet: the log file is enough
        pass

    def do_GET(self):
        server = self.server
        server.count += 1
        with open(os.path.join(server.root, "requests.log"), "a", encoding="utf-8") as log:
            log.write(self.path + "\n")
        if server.count >= server.max_requests:
            server.stop()
        path = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path)
        if path == "/shutdown":
            self.send_response(200)
            self.send_header("Content-Length", "0")
            self.end_headers()
            server.stop()
            return
        mode = ""
        for prefix in ("/nolength/", "/slow/", "/endless/", "/huge/", "/silent/", "/same/",
                       "/elsewhere/", "/local/"):
            if path.startswith(prefix):
                mode = prefix.strip("/")
                path = path[len(prefix) - 1:]
        redirects = {"same": path, "local": "file:///C:/windows/win.ini",
                     "elsewhere": "http://localhost:%d%s" % (server.server_address[1], path)}
        if mode in redirects:
            self.send_response(302)
            self.send_header("Location", redirects[mode])
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        file = os.path.normpath(os.path.join(server.root, path.lstrip("/")))
        if not file.startswith(server.root + os.sep) or not os.path.isfile(file):
            self.send_error(404)
            return
        with open(file, "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if mode == "huge":
            self.send_header("Content-Length", str(600 * 1024 * 1024))
        elif mode not in ("nolength", "endless"):
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        try:
            if mode == "slow":
                # About 20 pieces a second: a cancel has many progress reports to land on,
                # and an abandoned transfer still ends within the server's lifetime.
                for i in range(0, len(body), 512):
                    self.wfile.write(body[i:i + 512])
                    self.wfile.flush()
                    time.sleep(0.05)
            elif mode == "silent":
                self.wfile.flush()
                conn = self.connection
                while not server.stopping:
                    readable, _, _ = select.select([conn], [], [], 0.2)
                    if readable and not conn.recv(1, socket.MSG_PEEK):
                        break  # the client closed its end
            elif mode in ("endless", "huge"):
                self.wfile.write(body)
                for _ in range(256):
                    if server.stopping:
                        break
                    self.wfile.write(b"x" * 65536)
            else:
                self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client gave up: that is what a cancel does


class Server(ThreadingHTTPServer):
    daemon_threads = True

    stopping = False

    def stop(self):
        self.stopping = True
        threading.Thread(target=self.shutdown, daemon=True).start()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--lifetime", type=float, default=300)
    parser.add_argument("--max-requests", type=int, default=1000)
    args = parser.parse_args()

    server = Server(("127.0.0.1", 0), Handler)
    server.root = os.path.realpath(args.root)
    server.count = 0
    server.max_requests = args.max_requests
    timer = threading.Timer(args.lifetime, server.stop)
    timer.daemon = True
    timer.start()
    tmp = args.port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(tmp, args.port_file)
    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        timer.cancel()
        server.server_close()


if __name__ == "__main__":
    main()
