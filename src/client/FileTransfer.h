#pragma once
// Copying files between the local disk and the engine as Base64 text through
// GetFile and SetFile. Large uploads go in parts sized by the free memory, so
// that no more than one part is ever held; downloads land in a temporary file
// beside the target and replace it only when they are complete.
#include "engineapi/GUIEngine.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace client {

// Files up to this size go in one call; larger ones in parts of at most this size.
constexpr int64_t kWholeUploadLimit = 8388608;

// MemAvailable plus SwapFree of a /proc/meminfo text, in bytes; -1 when the
// text holds neither.
int64_t ParseFreePageFileMemory(std::string_view meminfo);
// The free memory that may back an upload part, in bytes (-1 when unknown).
int64_t FreePageFileMemory();
// Replaces the reading of /proc/meminfo (tests); an empty function restores it.
void SetFreePageFileMemoryProbe(std::function<int64_t()> probe);

// The size of the next upload part: the smallest of the bytes not yet sent, the
// part limit, and a tenth of the free memory cut down to a multiple of 64
// (the part limit when that comes to nothing).
int64_t NextChunkSize(int64_t remaining, int64_t freeMemory);

// 1 when the engine accepted the file ("OK" to the last step, any case), else
// -1. A missing local file (or a folder) is announced as "snil" and gives -1.
int32_t SendFileToServer(IGUIEngine& engine, const std::string& localPath, const std::string& serverPath);
// Downloads in parts ("BPart", then "Part" until "snil"). 1 on success; -1 when
// the engine has no such file, sends an empty part or text that is not Base64,
// or the file cannot be written. On failure localPath is left as it was.
int32_t ReceiveFileFromServer(IGUIEngine& engine, const std::string& localPath, const std::string& serverPath);
// Downloads in one call ("File"); an empty answer is an empty file.
int32_t ReceiveWholeFile(IGUIEngine& engine, const std::string& localPath, const std::string& serverPath);

} // namespace client
