#pragma once

#include "FsaStatus.h"
#include "FsaWideChar.h"

// Results of the catalogue functions (FsaGetString*, FsaPutString*).
enum : unsigned int {
    FSA_MSG_DONE = 0,
    FSA_MSG_BUFFER_TOO_SMALL = 1, // the needed size was written back to *size
    FSA_MSG_BAD_ARGUMENT = 2,     // a null pointer, or a text that cannot be stored
    FSA_MSG_NOT_FOUND = 4,        // no message with that id
};

// Size, in characters with the terminator, that the status-text functions need
// in the caller's buffer; every status text fits.
enum : unsigned int { FSA_ERROR_TEXT_SIZE = 320 };

extern "C" {

// Message catalogue: one process-wide table of texts by message id, built on
// first use. Sizes count characters including the terminator.
unsigned int FsaGetStringA(char* buffer, unsigned int* size, unsigned int id);
unsigned int FsaGetStringW(FA_WCHAR* buffer, unsigned int* size, unsigned int id);
// Overwrite a message's text in place, cut to the length of its original text.
unsigned int FsaPutStringA(const char* text, unsigned int* size, unsigned int id);
// Units above 0xFF cannot be stored (FSA_MSG_BAD_ARGUMENT).
unsigned int FsaPutStringW(const FA_WCHAR* text, unsigned int* size, unsigned int id);
// Releases the catalogue; the next lookup or store builds it afresh.
unsigned int FsaFreeStringResources(void);

// Status texts: `text` holds FSA_ERROR_TEXT_SIZE characters. Result 1 when the
// status has a text of its own and it was delivered or stored, else 0; a status
// without one reads the catalogue's generic text.
int FsaGetErrorTextA(FSA_STATUS status, char* text);
int FsaGetErrorTextW(FSA_STATUS status, FA_WCHAR* text);
int FsaPutErrorTextA(FSA_STATUS status, const char* text);
// Converted with the process locale; a text that cannot be converted is refused.
int FsaPutErrorTextW(FSA_STATUS status, const FA_WCHAR* text);
}
