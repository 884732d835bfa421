"""A real FTP server for the link library's tests: pyftpdlib, left in its
default (ASCII) transfer type, one user with full rights on one directory.

usage: ftp_server.py ROOT ADDRESS PORT USER PASSWORD
Prints "ready" once it listens.
"""
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root, address, port, user, password = sys.argv[1:6]
    logging.basicConfig(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmw")
    handler = FTPHandler
    handler.authorizer = authorizer
    # Refuse a wrong password at once: the client is to see the refusal, not
    # run out of time waiting for it.
    handler.auth_failed_timeout = 0
    server = FTPServer((address, int(port)), handler)
    print("ready", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
