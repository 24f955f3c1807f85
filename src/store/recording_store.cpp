#include "store/recording_store.h"

#include <algorithm>
#include <new>

#include "store/message_text.h"

RecordingRead ReadRecording(const std::string& name, std::uint64_t maxBytes, bool withType, StoredRecording* recording) {
    *recording = StoredRecording{};
    RegistryStore::KeyReader key;
    if (!key.OpenRecording(name) || !key.Read(layout::kChunkCount, &recording->count)) return RecordingRead::Failed;
    switch (key.ReadChunks(recording->count, maxBytes, &recording->chunks)) {
    case RegistryStore::ChunkRead::Done: break;
    case RegistryStore::ChunkRead::Failed: return RecordingRead::Failed;
    case RegistryStore::ChunkRead::TooLarge: return RecordingRead::TooLarge;
    }
    if (withType && !key.Read(layout::kRecordingType, &recording->type))
        return RecordingRead::Failed;
    return RecordingRead::Done;
}

bool WriteRecording(const std::string& name, const std::vector<RegistryStore::ChunkView>& chunks, std::int32_t count,
                    std::int32_t type) {
    RegistryStore::KeyWriter key;
    return key.CreateRecording(name) && key.WriteChunks(chunks) && key.Write(layout::kChunkCount, count) &&
           key.Write(layout::kRecordingType, type);
}

std::vector<RegistryStore::ChunkView> CutIntoChunks(const std::uint8_t* bytes, std::uint64_t count) {
    std::vector<RegistryStore::ChunkView> chunks;
    for (std::uint64_t at = 0; at < count; at += layout::kChunkBytes) {
        const auto size = static_cast<std::uint32_t>(std::min<std::uint64_t>(count - at, layout::kChunkBytes));
        chunks.push_back(RegistryStore::ChunkView{bytes + at, size});
    }
    return chunks;
}

bool ViewsOf(const RegistryStore::ChunkBytes& chunks, std::vector<RegistryStore::ChunkView>* views) {
    views->clear();
    try {
        views->reserve(chunks.sizes.size());
    } catch (const std::bad_alloc&) {
        ShowError(nullptr, "Error allocating memory!");
        return false;
    }
    const std::uint8_t* at = chunks.bytes.get();
    for (std::uint32_t size : chunks.sizes) {
        views->push_back(RegistryStore::ChunkView{at, size});
        at += size;
    }
    return true;
}
