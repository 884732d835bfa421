"""A real FTP server for the link library's tests: pyftpdlib, whose default
transfer type is ASCII, one user with full rights on one directory.

usage: ftp_server.py ROOT ADDRESS PORT USER PASSWORD [REFUSE_TYPE_FILE]
While the file REFUSE_TYPE_FILE exists, TYPE is refused (504) and a session
stays in the default type. Prints "ready" once it listens.
"""
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root, address, port, user, password = sys.argv[1:6]
    refuse_type_file = sys.argv[6] if len(sys.argv) > 6 else None
    logging.basicConfig(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmw")

    class Handler(FTPHandler):
        def ftp_TYPE(self, line):
            if refuse_type_file and os.path.exists(refuse_type_file):
                self.respond("504 Type not accepted here.")
            else:
                super().ftp_TYPE(line)

    handler = Handler
    handler.authorizer = authorizer
    # Refuse a wrong password at once: the client is to see the refusal, not
    # run out of time waiting for it.
    handler.auth_failed_timeout = 0
    server = FTPServer((address, int(port)), handler)
    print("ready", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
