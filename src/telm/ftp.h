// The FTP client steps behind tymPutFile and tymGetFile.
#pragma once

#include "fd.h"

#include <string>

namespace telm {

struct FtpSession {
    char server[16] = {};
    char user[256] = {};
    char password[256] = {};
    Fd local;
    Fd control;
    Fd listener;
    Fd data;
};

// Reads the FTP user, password and address from the card: 0 or -1. An
// upload (localPath given) also opens the local file.
int ftpPrep(int type, const char* localPath, FtpSession& session);
// Connects the control connection and logs in; 0 or non-zero.
int ftpLogin(FtpSession& session);
// Listens for the card's data connection and announces it with PORT: 0,
// -1, or -11 when the command could not be sent.
int ftpOpenDataConn(FtpSession& session);
void ftpLogoff(FtpSession& session);
// Closes everything the session holds; returns 1.
int ftpCleanup(FtpSession& session);

// False for texts that would break an FTP command line.
bool ftpSafeText(const char* text);
// "VERB argument\r\n" as it goes on the control connection, with every 0xFF
// byte of the argument doubled.
std::string ftpCommand(const char* verb, const char* argument);

} // namespace telm
