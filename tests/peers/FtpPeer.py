"""FTP peer for the tests (pyftpdlib).

usage: FtpPeer.py ROOT [--throttle BYTES_PER_SECOND]

Serves ROOT on 127.0.0.1 on a port the system picks and prints that port as the first
line. Users: anonymous, and "user" with the password "secret". Directories named "dos",
"vms" and "eplf" are listed in that style; a directory named "endless" lists without end.
With --throttle every data connection is slowed to that rate.
"""
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.log import config_logging
from pyftpdlib.servers import FTPServer


def dos_line(name, is_dir, size):
    kind = "<DIR>         " if is_dir else "%14d" % size
    return "04-27-00  09:09PM       %s %s" % (kind, name)


def vms_line(name, is_dir, size):
    return "%s;1  %d  8-SEP-1996 16:09 [SYSTEM] (RWE,RWE,RE,RE)" % (
        name + ".DIR" if is_dir else name, size)


def eplf_line(name, is_dir, size):
    return ("+/,m824255902,\t%s" if is_dir else "+r,s%d,m824255902,\t%%s" % size) % name


STYLES = {"dos": dos_line, "vms": vms_line, "eplf": eplf_line}


class StyledFS(AbstractedFS):
    def format_list(self, basedir, listing, ignore_err=True):
        style = os.path.basename(basedir)
        if style == "endless":
            return self.endless()
        if style not in STYLES:
            return super().format_list(basedir, listing, ignore_err)
        lines = []
        for name in listing:
            path = os.path.join(basedir, name)
            is_dir = os.path.isdir(path)
            size = 0 if is_dir else os.path.getsize(path)
            lines.append((STYLES[style](name, is_dir, size) + "\r\n").encode("utf-8"))
        return iter(lines)

    @staticmethod
    def endless():
        line = ("-rw-r--r-- 1 u g 1 Jan 5 2009 " + "n" * 65000 + "\r\n").encode("ascii")
        while True:
            yield line


def main():
    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(sys.argv[1])
    authorizer.add_user("user", "secret", sys.argv[1], perm="elr")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.abstracted_fs = StyledFS
    handler.use_gmt_times = True
    if len(sys.argv) > 3 and sys.argv[2] == "--throttle":
        dtp = ThrottledDTPHandler
        dtp.write_limit = int(sys.argv[3])
        handler.dtp_handler = dtp
    config_logging(level=logging.ERROR)
    server = FTPServer(("127.0.0.1", 0), handler)
    print(server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
