// Reading FTP control replies.
#pragma once

#include <cstddef>

namespace telm {

// Seconds a reply (all its lines), or the card's data connection, is awaited.
constexpr int kFtpReplySeconds = 30;
// Bytes one reply may hold, all its lines together: a server that keeps a
// reply going past this is treated as one that stopped answering.
constexpr size_t kFtpReplyBytes = 64 * 1024;

// One line up to '\n' (replaced by NUL) into `line` of `size` bytes: the
// length, or -1 on a receive error, a closed connection, a time-out or a line
// longer than the buffer (whose rest is read and dropped). The line has the
// time and length of a whole reply.
int sockReadln(int socket, char* line, size_t size);

// One whole reply: its code, 421 when a line failed or the reply went past
// its time or length, 500 when it does not start with a number. The last line
// goes to `copy` (size 0 means 4096).
int sockGetReply(int socket, char* copy, size_t size);

} // namespace telm
