// The one reader and writer of a recording's values: the recorder's Save,
// the rename of a recording and the player's load all go through them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/registry_store.h"

// A recording's values as stored, damaged or not: "Count" as it reads, the
// chunks it names, and "Type".
struct StoredRecording {
    std::int32_t count = 0;
    RegistryStore::ChunkBytes chunks;
    std::int32_t type = 0;
};

enum class RecordingRead {
    Done,
    Failed,    // the store has said why
    TooLarge,  // the chunks (bytes and RegistryStore::kChunkOverheadBytes each) add up
               // to more than the caller's limit; nothing said
};

// Reads "Count", then chunks "0" to Count - 1 (none for a Count of 0 or
// less), stopping at the first that cannot be read, then "Type" when
// `withType`. `recording` is emptied first.
RecordingRead ReadRecording(const std::string& name, std::uint64_t maxBytes, bool withType, StoredRecording* recording);

// Stores Journals\<name> whole: the chunks, "Count" = `count`, then "Type",
// written under a work key and renamed into place, in place of a recording
// of that name. On a failure, which has been shown, the name holds what it
// held before.
bool WriteRecording(const std::string& name, const std::vector<RegistryStore::ChunkView>& chunks, std::int32_t count,
                    std::int32_t type);

// Views of an event array cut as the store keeps it: full chunks of
// layout::kChunkBytes, then the rest, if any. No bytes, no chunk.
std::vector<RegistryStore::ChunkView> CutIntoChunks(const std::uint8_t* bytes, std::uint64_t count);

// Why a name cannot be a recording's, as the message to show, or "" when it
// can: a backslash would make it a key below another one, the store's own
// work keys begin with layout::kWorkPrefix, and a name longer than the lists
// enumerate (or than a key path holds) would be saved but never listed,
// played or renamed again.
std::string RecordingNameRefusal(const std::string& name);
