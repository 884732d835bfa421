// Reading FTP control replies.
#pragma once

#include <cstddef>

namespace telm {

// Seconds a reply line (or the card's data connection) is awaited.
constexpr int kFtpReplySeconds = 30;

// One line up to '\n' (replaced by NUL) into `line` of `size` bytes: the
// length, or -1 on a receive error, a closed connection, a time-out or a line
// longer than the buffer (whose rest is read and dropped).
int sockReadln(int socket, char* line, size_t size);

// One whole reply: its code, 421 when a line failed, 500 when it does not
// start with a number. The last line goes to `copy` (size 0 means 4096).
int sockGetReply(int socket, char* copy, size_t size);

} // namespace telm
