// A card access library that lacks two of the three calls, for the library
// route's "function not found" path. Same soname as the full stand-in.
extern "C" int devuzObjectName(int, const char*, char* out, int outLength, int* status) {
    if (!out || outLength < 1 || !status)
        return -1;
    out[0] = '\0';
    *status = 0;
    return 0;
}
