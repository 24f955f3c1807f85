#include "store/recording_store.h"

#include <algorithm>

#include "platform/unique_handle.h"
#include "store/message_text.h"
#include "store/work_keys.h"

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
    // Written whole under a work key, then renamed into place: a recording
    // stored under the name is never one whose chunks are part old, part new.
    // Every key of the change is opened below Journals, opened once: a path
    // from the root costs more than the writes of a short recording.
    const std::string stamp = WorkKeys::FreshStamp();
    const std::string work = WorkKeys::NameOf(WorkKeys::Role::New, stamp);
    UniqueKey journals;
    if (win::LSTATUS rc = RegistryStore::OpenKey(layout::JournalsFullPath(), journals.put()); rc != win::ERROR_SUCCESS) {
        ShowError(nullptr, FormatText("Error creating key %s%s - %s",
                                      {layout::JournalsFullPath() + "\\", work, SystemErrorText(rc)}));
        return false;
    }
    bool written = false;
    {
        RegistryStore::KeyWriter key;
        written = key.CreateRecording(journals.get(), work) && key.WriteChunks(chunks) &&
                  key.Write(layout::kChunkCount, count) && key.Write(layout::kRecordingType, type);
    }
    if (!written) {
        WorkKeys::Remove(layout::RecordingFullPath(work));
        return false;
    }
    const std::string old = RegistryStore::KeyExistsBelow(journals.get(), name) ? name : std::string();
    switch (WorkKeys::PutInPlace(journals.get(), layout::JournalsFullPath(), stamp, old, name)) {
    case WorkKeys::Outcome::New: return true;
    case WorkKeys::Outcome::Old: return false;
    case WorkKeys::Outcome::OldAside:
        ShowWarning(nullptr, FormatText("The recording %s is kept under a temporary name and comes back at the next "
                                        "start of Keyloom.",
                                        {name}));
        return false;
    }
    return false;
}

std::vector<RegistryStore::ChunkView> CutIntoChunks(const std::uint8_t* bytes, std::uint64_t count) {
    std::vector<RegistryStore::ChunkView> chunks;
    for (std::uint64_t at = 0; at < count; at += layout::kChunkBytes) {
        const auto size = static_cast<std::uint32_t>(std::min<std::uint64_t>(count - at, layout::kChunkBytes));
        chunks.push_back(RegistryStore::ChunkView{bytes + at, size});
    }
    return chunks;
}

std::string RecordingNameRefusal(const std::string& name) {
    if (layout::HasBackslash(name)) return "A recording name must not contain a backslash (\\).";
    if (layout::IsWorkKeyName(name))
        return FormatText("A recording name must not begin with %s.", {layout::kWorkPrefix});
    const std::size_t longest =
        std::min(layout::kLongestKeyPath - layout::RecordingFullPath("").size(), layout::kLongestListedName);
    if (name.size() > longest)
        return FormatText("The recording name is too long: at most %s characters fit.",
                          {std::to_string(layout::CharactersWithin(name, longest))});
    return "";
}
