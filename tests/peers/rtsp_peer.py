#!/usr/bin/python3
"""A scripted RTSP server on 127.0.0.1, also a scripted SOCKS5 proxy in front of itself.

Usage: rtsp_peer.py RECORD_PATH [SOCKS5_MODE...]
Prints its port and serves until it is stopped. Every request header it reads is written
to RECORD_PATH (as bytes) before it answers. The first path segment picks the answer:
200, 404, 405, 406 (with reason), close, silent, drip (a byte every half second), endless
(header lines without end), long (a 70,000-byte status line), version
(RTSP/99999999999.0 200), garbage, nul; anything else gets 200.

With SOCKS5 modes, connection i first speaks SOCKS5 in mode i, then serves RTSP itself:
  plain      method 00, reply 00 with a bound address of type 1
  type3      as plain, bound address of type 3 and length 255
  type4      as plain, bound address of type 4
  auth02     method 02
  none       method FF
  refuse05   reply code 05
  version4   a method reply of version 4
  short      closes after two bytes of its reply to the request
The greeting and request bytes are appended to RECORD_PATH + ".socks".
"""
import socket
import socketserver
import sys
import threading
import time

RECORD = sys.argv[1]
SOCKS_MODES = sys.argv[2:]
REASONS = {"200": "OK", "404": "Not Found", "405": "Method Not Allowed",
           "406": "Not Acceptable"}
counter_lock = threading.Lock()
counter = [0]


def read_exact(sock, count):
    data = b""
    while len(data) < count:
        chunk = sock.recv(count - len(data))
        if not chunk:
            raise EOFError()
        data += chunk
    return data


def socks5(sock, mode):
    greeting = read_exact(sock, 2)
    greeting += read_exact(sock, greeting[1])
    method = {"auth02": 2, "none": 0xFF}.get(mode, 0)
    sock.sendall(bytes([4 if mode == "version4" else 5, method]))
    if method != 0 or mode == "version4":
        return False
    head = read_exact(sock, 4)
    if head[3] == 1:
        rest = read_exact(sock, 4 + 2)
    elif head[3] == 3:
        length = read_exact(sock, 1)
        rest = length + read_exact(sock, length[0] + 2)
    else:
        rest = read_exact(sock, 16 + 2)
    with open(RECORD + ".socks", "ab") as out:
        out.write(greeting + head + rest)
    if mode == "short":
        sock.sendall(b"\x05\x00")
        return False
    if mode == "refuse05":
        sock.sendall(b"\x05\x05\x00\x01\x00\x00\x00\x00\x00\x00")
        return False
    if mode == "type3":
        sock.sendall(b"\x05\x00\x00\x03\xff" + b"b" * 255 + b"\x00\x50")
    elif mode == "type4":
        sock.sendall(b"\x05\x00\x00\x04" + b"\x00" * 15 + b"\x01\x00\x50")
    else:
        sock.sendall(b"\x05\x00\x00\x01\x7f\x00\x00\x01\x00\x50")
    return True


def answer(sock, request):
    words = request.split(b" ")
    path = words[1].decode("latin-1") if len(words) > 1 else ""
    segments = path.split("/")
    mode = segments[3] if len(segments) > 3 else ""
    if mode in REASONS:
        sock.sendall(("RTSP/1.0 %s %s\r\nCSeq: 1\r\n\r\n" % (mode, REASONS[mode])).encode())
    elif mode == "close":
        return
    elif mode == "silent":
        while sock.recv(1024):
            pass
    elif mode == "drip":
        for byte in b"RTSP/1.0 200 OK\r\n\r\n":
            sock.sendall(bytes([byte]))
            time.sleep(0.5)
    elif mode == "endless":
        sock.sendall(b"RTSP/1.0 200 OK\r\n")
        while True:
            sock.sendall(b"X-Filler: " + b"f" * 100 + b"\r\n")
    elif mode == "long":
        sock.sendall(b"RTSP/1.0 200 " + b"L" * 70000 + b"\r\n\r\n")
    elif mode == "version":
        sock.sendall(b"RTSP/99999999999.0 200 OK\r\n\r\n")
    elif mode == "garbage":
        sock.sendall(b"\x16\x03\x01 200 nonsense\r\n\r\n")
    elif mode == "nul":
        sock.sendall(b"RTSP/1.0 404 \x00Not\x00\r\n\r\n")
    else:
        sock.sendall(b"RTSP/1.0 200 OK\r\nCSeq: 1\r\n\r\n")


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        sock = self.request
        sock.settimeout(60)
        try:
            if SOCKS_MODES:
                with counter_lock:
                    index = counter[0]
                    counter[0] += 1
                if not socks5(sock, SOCKS_MODES[min(index, len(SOCKS_MODES) - 1)]):
                    return
            request = b""
            while not request.endswith(b"\r\n\r\n"):
                chunk = sock.recv(1)
                if not chunk:
                    return
                request += chunk
            with open(RECORD, "wb") as out:
                out.write(request)
            answer(sock, request)
        except (EOFError, OSError):
            pass


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


server = Server(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
