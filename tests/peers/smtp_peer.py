#!/usr/bin/python3
"""A scripted SMTP server for one connection on 127.0.0.1.

Usage: smtp_peer.py CONFIG_JSON RECORD_PATH
Prints the port it listens on, serves one client, writes what it got to RECORD_PATH as
JSON (strings and lists of strings only) and exits.

CONFIG keys, all optional:
  greeting, ehlo, ehlo_tls, helo   reply lines
  replies     {VERB: [lines]} replaces the answer to MAIL, RCPT, DATA, END (after the
              message), RSET, STARTTLS or AUTH
  starttls    "tls" (default), "garbage" or "close": what follows "220" to STARTTLS
  user, password, challenge        what AUTH checks and CRAM-MD5 sends
  act         {"at": "greeting", a VERB, "MESSAGE" (after 354) or "END", "do": "silent", "drip", "long", "endless",
              "close" or "raw", "raw": text}: misbehave there instead of answering
  cert, key   for STARTTLS
"""
import base64
import email
import hashlib
import hmac
import json
import socket
import ssl
import sys
import time

config = json.loads(sys.argv[1])
record = {"commands": [], "tls": "no", "auth": "", "message_hex": "",
          "subject": "", "headers": [], "part_types": [], "part_ctes": [],
          "part_names": [], "part_hex": []}


class Connection:
    def __init__(self, sock):
        self.sock = sock
        self.buffer = b""

    def send(self, data):
        self.sock.sendall(data)

    def reply(self, lines):
        self.send(b"".join(line.encode("latin-1") + b"\r\n" for line in lines))

    def line(self):
        while b"\n" not in self.buffer:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise EOFError()
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line.rstrip(b"\r")

    def drain(self):
        while self.sock.recv(65536):
            pass


def misbehave(conn, act):
    what = act["do"]
    if what == "close":
        return
    if what == "raw":
        conn.send(act["raw"].encode("latin-1"))
    elif what == "drip":
        while True:
            conn.send(b"2")
            time.sleep(0.25)
    elif what == "long":
        conn.send(b"250 " + b"x" * (10 * 1024 * 1024))
    elif what == "endless":
        while True:
            conn.send(b"250-again\r\n" * 64)
    conn.drain()


def parse_message(data):
    record["message_hex"] = data.hex()
    message = email.message_from_bytes(data)
    record["subject"] = message.get("Subject", "")
    record["headers"] = list(message.keys())
    for part in message.walk():
        if part.is_multipart():
            continue
        record["part_types"].append(part.get_content_type())
        record["part_ctes"].append(part.get("Content-Transfer-Encoding", ""))
        record["part_names"].append(part.get_filename() or "")
        record["part_hex"].append((part.get_payload(decode=True) or b"").hex())


def authenticate(conn, words):
    user = config.get("user", "user")
    password = config.get("password", "secret")
    method = words[1].upper() if len(words) > 1 else ""
    if method == "PLAIN" and len(words) > 2:
        given = base64.b64decode(words[2])
        ok = given == b"\0" + user.encode() + b"\0" + password.encode()
    elif method == "LOGIN":
        conn.reply(["334 VXNlcm5hbWU6"])
        given_user = base64.b64decode(conn.line())
        conn.reply(["334 UGFzc3dvcmQ6"])
        given_password = base64.b64decode(conn.line())
        ok = given_user == user.encode() and given_password == password.encode()
    elif method == "CRAM-MD5":
        challenge = config.get("challenge", "<1896.697170952@postoffice.reston.mci.net>")
        conn.reply(["334 " + config.get("challenge_raw",
                                        base64.b64encode(challenge.encode()).decode())])
        answer = base64.b64decode(conn.line()).decode("latin-1")
        digest = hmac.new(password.encode(), challenge.encode(), hashlib.md5).hexdigest()
        ok = answer == user + " " + digest
    else:
        ok = False
    record["auth"] = method + (" ok" if ok else " refused")
    conn.reply(["235 2.7.0 Authentication successful"] if ok
               else ["535 5.7.8 Authentication credentials invalid"])


def read_data(conn):
    lines = []
    while True:
        line = conn.line()
        if line == b".":
            break
        lines.append(line[1:] if line.startswith(b"..") else line)
    parse_message(b"".join(line + b"\r\n" for line in lines))


def serve(conn):
    replies = config.get("replies", {})
    act = config.get("act", {})
    if act.get("at") == "greeting":
        return misbehave(conn, act)
    conn.reply(config.get("greeting", ["220 peer ESMTP ready"]))
    while True:
        line = conn.line()
        record["commands"].append(line.decode("latin-1"))
        words = line.decode("latin-1").split()
        verb = words[0].upper() if words else ""
        if act.get("at") == verb:
            return misbehave(conn, act)
        if verb in replies and verb not in ("DATA",):
            conn.reply(replies[verb])
            if verb == "STARTTLS" and replies[verb][0].startswith("220"):
                start_tls(conn)
        elif verb == "EHLO":
            conn.reply(config.get("ehlo_tls" if record["tls"] == "yes" else "ehlo",
                                  ["250-peer", "250-AUTH PLAIN LOGIN CRAM-MD5",
                                   "250 STARTTLS"]))
        elif verb == "HELO":
            conn.reply(config.get("helo", ["250 peer"]))
        elif verb == "STARTTLS":
            conn.reply(["220 2.0.0 Ready to start TLS"])
            mode = config.get("starttls", "tls")
            if mode == "close":
                return
            if mode == "garbage":
                conn.send(b"\x15\x03\x01\x00\x02garbage\r\n")
                continue
            start_tls(conn)
        elif verb == "AUTH":
            authenticate(conn, words)
        elif verb in ("MAIL", "RCPT", "RSET"):
            conn.reply(["250 2.1.0 Ok"])
        elif verb == "DATA":
            conn.reply(replies.get("DATA", ["354 End data with <CR><LF>.<CR><LF>"]))
            if not replies.get("DATA", ["354"])[0].startswith("354"):
                continue
            if act.get("at") == "MESSAGE":
                return misbehave(conn, act)
            read_data(conn)
            if act.get("at") == "END":
                return misbehave(conn, act)
            conn.reply(replies.get("END", ["250 2.0.0 Ok: queued"]))
        elif verb == "QUIT":
            conn.reply(["221 2.0.0 Bye"])
            return
        else:
            conn.reply(["500 5.5.2 Error: command not recognized"])


def start_tls(conn):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(config["cert"], config["key"])
    conn.sock = context.wrap_socket(conn.sock, server_side=True)
    record["tls"] = "yes"


def main():
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    listener.settimeout(60)
    print(listener.getsockname()[1], flush=True)
    sock, _ = listener.accept()
    sock.settimeout(60)
    try:
        serve(Connection(sock))
    except (EOFError, OSError, ValueError, UnicodeError):
        pass
    finally:
        sock.close()
        with open(sys.argv[2], "w") as out:
            json.dump(record, out, indent=0, sort_keys=True)


main()
