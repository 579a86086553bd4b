"""HTTP peer whose redirects misbehave, for the redirect crawl test.

usage: RedirectPeer.py SENTINEL LOG

Listens on 127.0.0.1 on a port the system picks and prints that port as the first line.
Appends one line per request to LOG: the method and the path as received. Serves:
  /                  a page linking every case below, a 404 and a file: URL of SENTINEL
  /to-file, /to-js, /to-mailto, /to-data   302 to file:SENTINEL, javascript:, mailto:, data:
  /loop/a, /loop/b   302 to each other
  /ring/N            302 to /ring/N+1, modulo 50
  /grow?n=N          302 to /grow?n=N+1, without end
  /chainL/N          302 to /chainL/N+1 while N < L, then a page
  /code/C            C (301, 302, 303, 307, 308) to /done/C, a page
  /cut               a status line, then the connection closes
Anything else is a 404. The connection closes after every reply.
"""
import http.server
import os
import re
import sys
import threading

REASONS = {301: "Moved Permanently", 302: "Found", 303: "See Other", 307: "Temporary Redirect",
           308: "Permanent Redirect"}


def page(server):
    links = ["/to-file", "/to-js", "/to-mailto", "/to-data", "/loop/a", "/ring/0", "/grow?n=1",
             "/chain20/0", "/chain21/0", "/cut", "/missing"]
    links += [f"/code/{code}" for code in sorted(REASONS)]
    # Another name of the same file: the page link and the redirect are two links.
    links.append("file://" + os.path.join(os.path.dirname(server.sentinel), ".",
                                          os.path.basename(server.sentinel)))
    return "".join(f'<a href="{link}">{link}</a>\n' for link in links)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_HEAD(self):
        self.serve(False)

    def do_GET(self):
        self.serve(True)

    def redirect(self, location, code=302):
        self.send_response(code, REASONS[code])
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.send_header("Connection", "close")
        self.end_headers()

    def body(self, status, text, with_body):
        data = f"<html><body>{text}</body></html>".encode("latin-1")
        self.send_response(status)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Connection", "close")
        self.end_headers()
        if with_body:
            self.wfile.write(data)

    def serve(self, with_body):
        self.close_connection = True
        with self.server.log_lock, open(self.server.log, "a", encoding="latin-1") as log:
            log.write(f"{self.command} {self.path}\n")
        path = self.path
        targets = {"/to-file": "file://" + self.server.sentinel, "/to-js": "javascript:alert(1)",
                   "/to-mailto": "mailto:someone@example.test", "/to-data": "data:text/html,hi",
                   "/loop/a": "/loop/b", "/loop/b": "/loop/a"}
        ring = re.fullmatch(r"/ring/(\d+)", path)
        grow = re.fullmatch(r"/grow\?n=(\d+)", path)
        chain = re.fullmatch(r"/chain(\d+)/(\d+)", path)
        code = re.fullmatch(r"/code/(\d+)", path)
        if path == "/":
            self.body(200, page(self.server), with_body)
        elif path in targets:
            self.redirect(targets[path])
        elif ring:
            self.redirect(f"/ring/{(int(ring[1]) + 1) % 50}")
        elif grow:
            self.redirect(f"/grow?n={int(grow[1]) + 1}")
        elif chain and int(chain[2]) < int(chain[1]):
            self.redirect(f"/chain{chain[1]}/{int(chain[2]) + 1}")
        elif chain or path.startswith("/done/"):
            self.body(200, "end", with_body)
        elif code and int(code[1]) in REASONS:
            self.redirect(f"/done/{code[1]}", int(code[1]))
        elif path == "/cut":
            self.wfile.write(b"HTTP/1.1 200 OK\r\n")
        else:
            self.body(404, "missing", with_body)


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.sentinel = sys.argv[1]
    server.log = sys.argv[2]
    server.log_lock = threading.Lock()
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
