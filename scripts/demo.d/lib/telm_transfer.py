"""One file transfer of libtelm, called as a program of the card's host
would call it: telm_transfer.py LIBTELM put|get LOCAL_PATH REMOTE_NAME.
Exit code: the call's result (0 done, 1 failed, 255 for -1: not started).
"""
import ctypes
import sys

CARD_TYPE = 0x103  # the card model whose files move over FTP


def main():
    library, operation, local, remote = sys.argv[1:5]
    telm = ctypes.CDLL(library)
    call = telm.tymPutFile if operation == "put" else telm.tymGetFile
    call.argtypes = [ctypes.c_int, ctypes.c_char_p, ctypes.c_char_p]
    call.restype = ctypes.c_int
    sys.exit(call(CARD_TYPE, local.encode(), remote.encode()) & 0xFF)


if __name__ == "__main__":
    main()
