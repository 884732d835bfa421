"""One file transfer of libtelm, called as a program of the card's host
would call it: telm_transfer.py LIBTELM put|get LOCAL_PATH REMOTE_NAME.
Prints "result: N", the value the call returned (0 done, 1 failed, -1 not
started), and exits with 0; a crash exits otherwise and prints no result.
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
    result = call(CARD_TYPE, local.encode(), remote.encode())
    print("result: %d" % result, flush=True)


if __name__ == "__main__":
    main()
