// The shared record of a copy run and its totals.
#pragma once

#include <cstdint>
#include <thread>

#include "engine/copy_run.h"
#include "runtime/dir_search.h"
#include "runtime/files.h"
#include "runtime/shared_value.h"
#include "runtime/short_text.h"

struct CopyJobRecord {
    Shared<int32_t> state{Idle};
    Shared<int32_t> savedState;
    std::thread worker;
    int32_t attempts = 0;
    ShortText sourceSpec, destinyPath, sourceFolder, destinyFolder;
    rt::DirEntry entry, folderEntry;
    rt::ByteFile sourceFile, destinyFile;
    uint8_t savedSourceAttributes = 0;
    int32_t readDepth = 0, writeDepth = 0;
    uint8_t byteBuffer = 0, verifyByte = 0;
    int32_t transferred = 0;
    int32_t byteHistogram[256] = {};
    int64_t fileBytesRead = 0, fileBytesWritten = 0, fileBytesVerified = 0;
    Shared<uint8_t> percent;
};

struct CopyTotalsRecord {
    int64_t filesProcessed = 0, bytesRead = 0, bytesWritten = 0, bytesVerified = 0;
};

extern CopyJobRecord CopyJob;
extern CopyTotalsRecord CopyTotals;
