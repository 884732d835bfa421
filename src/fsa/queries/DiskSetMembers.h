#pragma once

// Creating disk sets, adding and removing their drives, deleting them.

#include "Context.h"
#include "FsaMaintenance.h"

FSA_STATUS DS_DiskSetCreate(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, FSA_DISKSET_CREATE_ARGS* args);
FSA_STATUS DS_AddMembers(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, FSA_DISKSET_ADD_ARGS* args);
FSA_STATUS DS_RemoveMembers(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, FSA_DISKSET_REMOVE_ARGS* args);
FSA_STATUS DS_DiskSetDelete(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, FSA_DISKSET_DELETE_ARGS* args);
