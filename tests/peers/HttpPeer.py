"""Scripted HTTP/HTTPS peer for the tests.

usage: HttpPeer.py ROUTES.json LOG [--tls CERT KEY]

Listens on 127.0.0.1 on a port the system picks and prints that port as the first line.
Each request's head (request line, header lines and blank line, as received) replaces LOG before the
reply goes out. ROUTES maps a path (query included; "*" for any other) to a reply:
  "send":    text sent first, each character one byte (status line, headers, body)
  "delay":   seconds to wait before sending
  "drip":    {"data": text, "count": n, "interval": seconds}, sent piece by piece after "send"
  "endless": a chunk size: after "send", chunks of 'x' until the client goes away
  "close":   true: close the connection without a reply
Without a route the reply is a plain 200 with the body "ok". The connection closes after
every reply.
"""
import json
import socketserver
import ssl
import sys
import time

DEFAULT = {"send": "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 2\r\n"
                   "Connection: close\r\n\r\nok"}


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        conn = self.request
        if self.server.tls:
            try:
                conn = self.server.tls.wrap_socket(conn, server_side=True)
            except (ssl.SSLError, OSError):
                return
        head = b""
        while b"\r\n\r\n" not in head and b"\n\n" not in head and len(head) < 65536:
            piece = conn.recv(4096)
            if not piece:
                return
            head += piece
        head = head.split(b"\r\n\r\n")[0] + b"\r\n\r\n"
        with open(self.server.log, "wb") as log:
            log.write(head)
        parts = head.split(b" ")
        path = parts[1].decode("latin-1") if len(parts) > 1 else ""
        route = self.server.routes.get(path, self.server.routes.get("*", DEFAULT))
        try:
            self.reply(conn, route)
        except OSError:
            pass

    def reply(self, conn, route):
        time.sleep(route.get("delay", 0))
        if route.get("close"):
            return
        conn.sendall(route.get("send", "").encode("latin-1"))
        drip = route.get("drip")
        if drip:
            for _ in range(drip["count"]):
                time.sleep(drip["interval"])
                conn.sendall(drip["data"].encode("latin-1"))
        if route.get("endless"):
            chunk = b"x" * route["endless"]
            while True:
                conn.sendall(chunk)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    with open(sys.argv[1], encoding="utf-8") as routes:
        server = Server(("127.0.0.1", 0), Handler)
        server.routes = json.load(routes)
    server.log = sys.argv[2]
    server.tls = None
    if len(sys.argv) > 5 and sys.argv[3] == "--tls":
        server.tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        server.tls.load_cert_chain(sys.argv[4], sys.argv[5])
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
