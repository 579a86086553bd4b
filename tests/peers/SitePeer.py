"""HTTP peer serving a folder as a web site, for the crawl tests.

usage: SitePeer.py FOLDER RULES.json LOG

Listens on 127.0.0.1 on a port the system picks and prints that port as the first line.
Serves GET and HEAD from FOLDER (the path percent-decoded as UTF-8 bytes; the type by the
extension; a folder by its index.html); a missing file is a
404. Appends one line per request to LOG: the method, the
path as received and the Cookie header ("-" when none). RULES maps a decoded path to:
  "status":     a status line's code and text instead of "200 OK" (with "location")
  "location":   a Location header
  "setCookie":  a Set-Cookie header
  "needCookie": the reply is a 404 unless the Cookie header holds this text
  "type":       the Content-Type instead of the one of the extension
  "noLength":   true: no Content-Length (the body ends with the connection)
  "close":      true: close the connection without a reply
"""
import http.server
import json
import os
import sys
import threading
import urllib.parse

TYPES = {".html": "text/html", ".css": "text/css", ".txt": "text/plain", ".gif": "image/gif",
         ".png": "image/png"}


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_HEAD(self):
        self.serve(False)

    def do_GET(self):
        self.serve(True)

    def serve(self, with_body):
        cookie = self.headers.get("Cookie", "-")
        with self.server.log_lock, open(self.server.log, "ab") as log:
            log.write(f"{self.command} {self.path} {cookie}\n".encode("latin-1", "replace"))
        raw = self.path.split("?")[0].encode("latin-1")
        path = urllib.parse.unquote_to_bytes(raw).decode("utf-8", "replace")
        rule = self.server.rules.get(path, {})
        if rule.get("close"):
            self.close_connection = True
            return
        status = rule.get("status", "200 OK")
        file = os.path.join(self.server.folder, urllib.parse.unquote_to_bytes(raw).lstrip(b"/")
                            .decode("utf-8", "surrogateescape"))
        if os.path.isdir(file):
            file = os.path.join(file, "index.html")
        body = b""
        if os.path.isfile(file):
            with open(file, "rb") as data:
                body = data.read()
        elif "status" not in rule:
            status = "404 Not Found"
        if "needCookie" in rule and rule["needCookie"] not in cookie:
            status = "404 Not Found"
        code, _, text = status.partition(" ")
        self.send_response(int(code), text)
        self.send_header("Content-Type",
                         rule.get("type", TYPES.get(os.path.splitext(path)[1], "text/plain")))
        if not rule.get("noLength"):
            self.send_header("Content-Length", str(len(body)))
        for key, header in (("location", "Location"), ("setCookie", "Set-Cookie")):
            if key in rule:
                self.send_header(header, rule[key])
        self.send_header("Connection", "close")
        self.end_headers()
        if with_body:
            self.wfile.write(body)


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.folder = sys.argv[1]
    with open(sys.argv[2], encoding="utf-8") as rules:
        server.rules = json.load(rules)
    server.log = sys.argv[3]
    server.log_lock = threading.Lock()
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
