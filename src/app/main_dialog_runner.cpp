// Hot-key registration and the macro runner of the main window.
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "editor/key_names.h"
#include "exec/hot_keys.h"
#include "exec/scope.h"
#include "exec/message_wait.h"
#include "exec/run_box.h"
#include "store/layout.h"
#include "journal/player.h"
#include "journal/recorder.h"
#include "platform/unique_handle.h"
#include "store/message_text.h"
#include "store/optional_value.h"
#include "store/registry_store.h"

namespace {

// Opens the Macros key, reporting a failure as the lists and the hot-key
// lookup do.
// A macro's Repeat: absent is 1; a count the editor could not have stored
// runs the body once.
std::int32_t ReadRepeat(const std::string& macro) {
    std::int32_t repeat = layout::kDefaultRepeat;
    RegistryStore::ReadOptionalDword(layout::MacroStorePath(macro), layout::kRepeat, layout::kDefaultRepeat, &repeat);
    return repeat >= 0 && repeat <= layout::kMostRepeats ? repeat : layout::kDefaultRepeat;
}

bool OpenMacros(win::HWND owner, UniqueKey* key) {
    const std::string path = layout::MacrosFullPath();
    if (win::LSTATUS rc = RegistryStore::OpenKey(path, key->put()); rc != win::ERROR_SUCCESS) {
        ShowWarning(owner, FormatText("Error opening key %s in the registry - %s", {path, SystemErrorText(rc)}));
        return false;
    }
    return true;
}

}  // namespace

void MainDialog::RegisterAllHotKeys(const std::vector<std::string>* listed) {
    // Every id is handed out afresh: what is held under the old ones goes,
    // and so do the rows listed under them (hot keys registered again after
    // a suspension list every macro afresh).
    hotkeys::UnregisterAll(window_);
    hotKeyCounter = -1;
    ForgetAllStaleIds();
    hotkeys::ForgetHolders();
    ListFill fill(macroList_);
    for (int row = macroList_.RowCount(); row-- > 0;) macroList_.RemoveRow(row);
    UniqueKey macros;
    if (!listed && !OpenMacros(window_, &macros)) return;
    // Each macro's key is opened below Macros, one call rather than a path
    // from the root; should Macros not open here, from the root.
    if (listed) RegistryStore::OpenKey(layout::MacrosFullPath(), macros.put());
    // The macros registered so far in this pass, for the ones that share
    // their hot keys.
    std::vector<hotkeys::User> users;
    char buffer[255];
    // The names as listed, or as the enumeration gives them up to its first
    // failure.
    const auto next = [&](win::DWORD index, std::string* name) {
        if (listed) {
            if (index >= listed->size()) return false;
            *name = (*listed)[index];
            return true;
        }
        if (win::RegEnumKeyA(macros.get(), index, buffer, sizeof buffer) != win::ERROR_SUCCESS) return false;
        *name = buffer;
        return true;
    };
    std::string name;
    for (win::DWORD index = 0; next(index, &name); ++index) {
        if (layout::IsWorkKeyName(name)) continue;  // a change under way, not a macro
        const std::string storePath = layout::MacroStorePath(name);
        // One open of the macro's key for its reads and its id's write; a
        // key that does not open is read and written as the store does,
        // which says why.
        RegistryStore::MacroKey macro;
        const bool opened = macro.Open(macros.get(), name);
        const auto readDword = [&](const char* valueName, std::int32_t* value) {
            return opened ? macro.Read(valueName, value) : RegistryStore::ReadDword(storePath, valueName, value);
        };
        std::int32_t virtualKey = -1, modifiers = -1;
        const bool keyRead = readDword(layout::kHotKeyVk, &virtualKey);
        const bool modifiersRead = readDword(layout::kHotKeyModifiers, &modifiers);
        // Where it works matters only for a hot key that was read.
        const scope::MacroScope macroScope = !(keyRead && modifiersRead) ? scope::MacroScope{}
                                             : opened                    ? scope::ReadScope(macro.Handle(), name)
                                                                         : scope::ReadScope(name);
        // A macro whose hot key cannot be read is registered under no id:
        // sharing the id before it, its deletion would unregister another
        // macro's hot key.
        std::int32_t id = kNoHotKey;
        bool registered = false;
        bool off = false;
        if (keyRead && modifiersRead) {
            // Stored before macros could be switched off, a macro has no
            // Enabled and is on.
            std::int32_t enabled = 1;
            if (opened)
                macro.ReadOptional(layout::kEnabled, 1, &enabled);
            else
                RegistryStore::ReadOptionalDword(storePath, layout::kEnabled, 1, &enabled);
            off = enabled == 0;
            // A hot key whose earlier macros all work elsewhere is shared
            // under their id; one that meets an earlier macro's scope gets
            // its own, whose registration fails as the key is taken. A
            // macro switched off keeps an id of its own but holds no hot
            // key, and shares none.
            const bool shares = !off && hotkeys::OverlappingUser(users, virtualKey, modifiers, macroScope) == nullptr &&
                                hotkeys::SharedId(users, virtualKey, modifiers) != kNoHotKey;
            if (shares) {
                id = hotkeys::SharedId(users, virtualKey, modifiers);
                registered = hotkeys::IsRegistered(id) || hotkeys::Suspended();
            } else {
                id = ++hotKeyCounter;
                if (!off) registered = hotkeys::Register(window_, id, modifiers, virtualKey);
            }
            if (!off && !registered)
                ShowWarning(window_, std::string("Failed to register hot key for macro: ") + name);
        } else {
            // Shown as an invalid hot key rather than from values never read.
            virtualKey = modifiers = -1;
        }
        if (!(opened ? macro.Write(layout::kId, id) : RegistryStore::WriteDword(id, storePath, layout::kId))) {
            // The id still stored is an earlier run's and may be another
            // macro's now: the macro is left out of every lookup by id, and
            // its own hot key, which no stored id would lead to it, goes
            // unless another macro shares it.
            MarkStaleId(name);
            if (registered && !hotkeys::HeldByOther(id, name)) {
                hotkeys::Unregister(window_, id);
                ShowWarning(window_, std::string("Failed to register hot key for macro: ") + name);
            }
        } else if (id != kNoHotKey) {
            hotkeys::Hold(id, name);
            if (!off) users.push_back(hotkeys::User{name, virtualKey, modifiers, id, macroScope});
        }
        const int row = macroList_.AppendRow(name);
        macroList_.SetCell(row, 1, ListedHotKeyText(virtualKey, modifiers, !off, scope::ListSuffix(macroScope)));
    }
}

void MainDialog::OnHotKey(int id) {
    if (OnPlaybackHotKey(id)) return;
    // The pause is the hot key's: the time its macro takes to be found (a
    // box that tells of a failure included) counts toward it.
    const std::int64_t arrived = exec::WaitClock();
    if (stopKeyId_ != kNoStopKey && id == stopKeyId_) {
        StopAll();
        return;
    }
    // A press queued before its hot key was given back (the macro switched
    // off, hot keys suspended, the macro deleted) is no longer a macro's.
    if (!hotkeys::IsRegistered(id)) return;
    UniqueKey macros;
    if (!OpenMacros(window_, &macros)) return;
    // The program in front, asked once and only for a macro that does not
    // work everywhere.
    std::u16string program;
    bool programAsked = false;
    bool elsewhere = false;
    char name[255];
    for (win::DWORD index = 0; win::RegEnumKeyA(macros.get(), index, name, sizeof name) == win::ERROR_SUCCESS; ++index) {
        if (layout::IsWorkKeyName(name)) continue;
        UniqueKey macro;
        if (win::LSTATUS rc = win::RegOpenKeyExA(macros.get(), name, 0, RegistryStore::kAccess, macro.put());
            rc != win::ERROR_SUCCESS) {
            ShowWarning(window_, FormatText("Error opening key %s in the registry - %s", {name, SystemErrorText(rc)}));
            // The box's message loop may have started a macro meanwhile.
            if (macroRunning) return;
            continue;
        }
        std::int32_t macroId = 0;
        if (win::LSTATUS rc = RegistryStore::QueryDword(macro.get(), layout::kId, &macroId); rc != win::ERROR_SUCCESS) {
            ShowWarning(window_, FormatText("Error reading Hot Key id for macro: %s in the registry - %s",
                                            {name, SystemErrorText(rc)}));
            if (macroRunning) return;
            continue;
        }
        if (macroId != id || HasStaleId(name)) continue;
        const scope::MacroScope macroScope = scope::ReadScope(macro.get(), name);
        if (macroScope.mode != scope::AllPrograms) {
            if (!programAsked) program = scope::ForegroundProgram();
            programAsked = true;
            if (!scope::WorksIn(macroScope, program)) {
                elsewhere = true;
                continue;
            }
        }
        // Hot keys are dropped while a macro runs, plays back or waits in a box.
        if (macroRunning) return;
        runningMacroName = name;
        macro.reset();
        macros.reset();
        StartMacro(arrived);
        return;
    }
    // The hot key is no macro's in this program: it is the program's own.
    if (elsewhere) hotkeys::PassOn(window_, id);
}

std::vector<std::string> MainDialog::MacroNames() const {
    std::vector<std::string> names;
    for (int row = 0; row < macroList_.RowCount(); ++row) names.push_back(macroList_.Cell(row, 0));
    return names;
}

MainDialog::RunRequest MainDialog::TakeRun(const std::string& name) {
    // As a hot key is dropped while a macro runs, plays back or waits.
    if (macroRunning) return RunRequest::Busy;
    // A name that is no macro's key: empty (the Macros key itself), a path,
    // a change under way, or a macro deleted since it was listed.
    if (name.empty() || layout::HasBackslash(name) || layout::IsWorkKeyName(name) ||
        !RegistryStore::KeyExists(layout::MacroFullPath(name)))
        return RunRequest::NoSuchMacro;
    runningMacroName = name;
    return RunRequest::Started;
}

MainDialog::RunRequest MainDialog::RunMacroNamed(const std::string& name) {
    const RunRequest request = TakeRun(name);
    if (request == RunRequest::Started) StartMacro();
    return request;
}

void MainDialog::SetSuspended(bool suspended) {
    if (suspended == hotkeys::Suspended()) return;
    if (suspended) {
        hotkeys::Suspend(window_);
    } else {
        hotkeys::Resume();
        RegisterAllHotKeys();
    }
}

bool MainDialog::Suspended() const { return hotkeys::Suspended(); }

std::string MainDialog::TrayTip() const { return hotkeys::Suspended() ? "Keyloom (suspended)" : "Keyloom"; }

void MainDialog::StartMacro() { StartMacro(exec::WaitClock()); }

void MainDialog::StartMacro(std::int64_t pauseFrom) {
    macroRunning = 1;
    // Messages are served during the pause: a stray WM_RUN_MACRO in it
    // does not start the run early, and a run ended or replaced meanwhile
    // is not started here.
    phase_ = RunPhase::Pausing;
    const std::uint32_t run = ++runSerial_;
    // Read before the pause: a box that tells of a failure serves messages
    // too, and what happens in it is checked for below.
    const std::int32_t repeat = ReadRepeat(runningMacroName);
    exec::WaitServingMessagesFrom(pauseFrom, 300);
    if (!macroRunning || phase_ != RunPhase::Pausing || runSerial_ != run) return;
    repeat_ = repeat;
    passesDone_ = 0;
    phase_ = RunPhase::Starting;
    if (!win::PostMessageA(window_, WM_RUN_MACRO, 0, 0)) ResumeFailed();
}

bool MainDialog::StillRunning(std::uint32_t run) const {
    return macroRunning && phase_ == RunPhase::Running && runSerial_ == run;
}

void MainDialog::ResumeFailed() {
    ShowError(window_, "Failed to start macro: " + runningMacroName);
    AbortMacro();
}

void MainDialog::OnRunMacro() {
    // A stray WM_RUN_MACRO while idle must not run the macro named "", nor
    // one that comes while the runner is inside an instruction.
    if (!macroRunning || (phase_ != RunPhase::Starting && phase_ != RunPhase::Playing)) return;
    phase_ = RunPhase::Running;
    const std::uint32_t run = runSerial_;
    // Held while instructions follow each other without a wait; every way
    // out of this handler lets go of it.
    RegistryStore::MacrosKey macros;
    for (;;) {
        const std::string path = layout::InstructionPath(runningMacroName, nextInstruction);
        ++nextInstruction;
        // One open of the instruction's key serves its code and every value
        // its executor reads.
        RegistryStore::InstructionKey instruction;
        std::int32_t code = 0;
        if (const auto read = instruction.Open(macros, path, &code); read != RegistryStore::InstructionRead::Read) {
            if (read != RegistryStore::InstructionRead::End) {
                AbortMacro();  // a failure ends the repeats too
                return;
            }
            // The next pass starts from the message loop, so that the stop
            // key and the window are served between passes. A body that
            // holds no instruction (deleted meanwhile) is not repeated.
            ++passesDone_;
            if (nextInstruction > 1 && (repeat_ == 0 || passesDone_ < repeat_)) {
                nextInstruction = 0;
                phase_ = RunPhase::Starting;
                if (!win::PostMessageA(window_, WM_RUN_MACRO, 0, 0)) ResumeFailed();
                return;
            }
            EndMacro();
            return;
        }
        switch (code) {
        case kind::Pause:
            instruction.Close();
            exec::ShowRunBox("Click OK to continue...", "Attention", win::MB_OK | win::MB_SYSTEMMODAL);
            break;
        case kind::PlaybackRecording:
            // Resumed by the player's WM_RUN_MACRO at the next instruction.
            phase_ = RunPhase::Playing;
            StartPlayback(instruction, *this);
            return;
        default:
            if (!ExecuteInstruction(instruction, code)) {
                AbortMacro();
                return;
            }
            break;
        }
        // Where the run resumes after a box: ended or replaced meanwhile,
        // it is not carried on here.
        if (!StillRunning(run)) return;
    }
}

// A run that ends normally keeps what its own Key Down Only instructions
// hold: that is the user's choice. Every other end goes through AbortMacro.
void MainDialog::EndMacro() {
    RemovePlaybackWatchHook();
    phase_ = RunPhase::Idle;
    if (macroRunning) {
        macroRunning = 0;
        runningMacroName.clear();
        nextInstruction = 0;
    }
}

void MainDialog::OnCancelJournal() {
    // A cancel that comes when no playback runs (a late one, after the
    // playback played out) changes nothing.
    if (!CancelPlayback()) return;
    AbortMacro();
    win::MessageBoxA(window_, "Play back of recording has been terminated by the system!", "Attention",
                     win::MB_OK | win::MB_ICONWARNING | win::MB_SYSTEMMODAL);
}

void MainDialog::OnShutdown() { AbortMacro(); }

void MainDialog::StopAll() {
    CancelPlayback();
    AbortMacro();
    // A DELAY or the pause before a macro ends now rather than at its time;
    // a PAUSE or MESSAGE BOX box closes and the run does not go on after it.
    exec::EndWaits();
    exec::CloseRunBoxes();
    Recorder().EndByStopKey();
}

void MainDialog::RegisterStopKey() {
    stopKey_ = ReadStopKey();
    Recorder().SetStopKey(stopKey_.virtualKey, stopKey_.modifiers);
    if (win::RegisterHotKey(window_, kStopKeyIds[0], static_cast<win::UINT>(stopKey_.modifiers),
                            static_cast<win::UINT>(stopKey_.virtualKey))) {
        stopKeyId_ = kStopKeyIds[0];
        return;
    }
    stopKeyId_ = kNoStopKey;
    ShowWarning(window_, StopKeyTakenText(stopKey_));
}

bool MainDialog::ChangeStopKey(const StopKey& key, win::HWND owner) {
    if (key == stopKey_ && stopKeyId_ != kNoStopKey) return WriteStopKey(key);
    const int id = stopKeyId_ == kStopKeyIds[0] ? kStopKeyIds[1] : kStopKeyIds[0];
    if (!win::RegisterHotKey(window_, id, static_cast<win::UINT>(key.modifiers), static_cast<win::UINT>(key.virtualKey))) {
        ShowWarning(owner, StopKeyTakenText(key));
        return false;
    }
    if (!WriteStopKey(key)) {
        // Not stored, it would not come back at the next start: the old key
        // stays, as it is stored.
        win::UnregisterHotKey(window_, id);
        return false;
    }
    if (stopKeyId_ != kNoStopKey) win::UnregisterHotKey(window_, stopKeyId_);
    stopKeyId_ = id;
    stopKey_ = key;
    Recorder().SetStopKey(key.virtualKey, key.modifiers);
    return true;
}

void MainDialog::DeleteMacro() {
    int row = -1;
    std::string name;
    if (!SelectedName(macroList_, "No macro selected!", &row, &name)) return;
    std::int32_t id = 0;
    // Only an id that a registration took is given back; a macro whose id
    // cannot be read stays, since its hot key would stay taken.
    const bool read = RegistryStore::ReadDword(layout::MacroStorePath(name), layout::kId, &id);
    // A stale id is another macro's now: that macro's hot key stays.
    const bool idRead = read && id != kNoHotKey && !HasStaleId(name);
    if (!read || !RegistryStore::DeleteKeyTree(layout::MacroFullPath(name))) {
        ShowWarning(window_, "Unable to delete macro: " + name);
        return;
    }
    ForgetStaleId(name);
    macroList_.RemoveRow(row);
    // A hot key that another macro shares stays registered for it.
    hotkeys::Release(id, name);
    if (idRead && hotkeys::HeldByOther(id, name)) return;
    if (idRead && !hotkeys::Unregister(window_, id)) ShowWarning(window_, "Unable to unregister hotkey for macro: " + name);
}
