// Controls and observations of the in-memory Windows that native unit tests
// run the program on. Everything here is test-only; the program itself sees
// only the calls of platform/win.h.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <utility>
#include <string>
#include <vector>

#include "platform/win.h"

namespace fake {

// Back to a fresh machine: empty registry with only HKLM\Software, no
// windows, empty logs, US layout, NT platform, tick 0, no injected faults.
void Reset();

// ---- Failure injection -------------------------------------------------
// Makes the named seam function (e.g. "RegCreateKeyExA") fail with `code`.
// `times` calls fail (-1: every call from now on). When `argContains` is
// given, only calls whose key path or name argument contains it fail (and
// count). The function sets the last error to `code` where Windows would.
void Fail(const std::string& function, std::int32_t code, int times = 1, const std::string& argContains = "");
// How often the named seam function has been called since Reset.
int Calls(const std::string& function);
// The registry calls through which the program reads and writes its store
// (every Reg* call but RegCloseKey), counted since Reset; and the k-th of
// them from now (k = 1 the next) made to fail with `code`; k = 0 none.
int RegistryCalls();
void FailRegistryCall(int k, std::int32_t code);

// ---- Registry ------------------------------------------------------------
// Paths are below HKEY_LOCAL_MACHINE, backslash-separated, case-insensitive.
bool KeyExists(const std::string& path);
// The bytes and type of a value; false when the key or value is missing.
bool GetValue(const std::string& path, const std::string& name, std::uint32_t* type, std::vector<std::uint8_t>* data);
// Creates the key (and its parents) when needed and stores the value.
void SetValue(const std::string& path, const std::string& name, std::uint32_t type, const std::vector<std::uint8_t>& data);
void SetDword(const std::string& path, const std::string& name, std::uint32_t value);
void SetString(const std::string& path, const std::string& name, const std::string& text);  // with its NUL
// A value as a program wrote it through RegSetValueExW: its bytes exactly
// as given (UTF-16 units for a string, an odd count included), served to
// the A calls converted as Windows converts them.
void SetWideValue(const std::string& path, const std::string& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data);
// A UTF-16 REG_SZ with its NUL, as RegSetValueExW writes one.
void SetUnicodeString(const std::string& path, const std::string& name, const std::u16string& text);
// A binary value that answers with `size` bytes, all zero, without the
// fake holding them: for values too large to keep.
void SetValueSize(const std::string& path, const std::string& name, std::uint32_t size);
// The largest buffer that a read of a value's data has been offered since
// Reset: what a reader allocated for it.
std::uint32_t LargestReadBuffer();
void CreateKey(const std::string& path);
// Subkey names in enumeration order (case-insensitive sort).
std::vector<std::string> SubKeys(const std::string& path);
// Number of registry keys open right now (leak check).
int OpenKeyCount();
// Opens, creates and deletes of a path from HKEY_LOCAL_MACHINE since Reset.
// Each is dearer than one below an open key: in the 32-bit view a 64-bit
// program under Wine has such a path walked key by key.
int RootOpens();
// Every key below `path` (itself included, as "") with its values: type and
// bytes by value name, names lower-cased so that spellings compare as the
// registry compares them.
using StoredValues = std::map<std::string, std::pair<std::uint32_t, std::vector<std::uint8_t>>>;
std::map<std::string, StoredValues> Tree(const std::string& path);
// A key's access list as a security descriptor string ("D:..."), as
// ConvertSecurityDescriptorToStringSecurityDescriptorA writes it; empty when
// the key is missing. A fresh machine's Software lets Users read and passes
// that on to every key made below it, as Windows' does.
std::string KeyDacl(const std::string& path);
void SetKeyDacl(const std::string& path, const std::string& dacl);
// Blocks of LocalFree's memory alive right now (descriptors and their
// strings).
int LiveLocalBlocks();

// ---- Message boxes -------------------------------------------------------
struct MessageBoxRecord {
    win::HWND owner;
    std::string text;
    std::string caption;
    win::UINT type;
};
const std::vector<MessageBoxRecord>& MessageBoxes();
void ClearMessageBoxes();
// Called while a box is "shown"; its result is what MessageBoxA returns.
// Default: IDOK.
void OnMessageBox(std::function<int(const MessageBoxRecord&)> handler);

// ---- Windows and messages ------------------------------------------------
win::HWND AddWindow(const std::string& title);
void RemoveWindow(win::HWND window);
struct PostedMessage {
    win::HWND window;
    win::UINT message;
    win::WPARAM wParam;
    win::LPARAM lParam;
};
// The messages that `window` lets through the integrity filter
// (ChangeWindowMessageFilterEx), by number.
std::set<win::UINT> MessagesLetThrough(win::HWND window);
// A window's class as GetClassNameA gives it ("FakeWindow" unless set).
void SetWindowClass(win::HWND window, const std::string& className);
// SendMessageTimeoutA's messages, oldest first; a WM_COPYDATA's block is
// copied out (copyTag its dwData).
struct SentMessage {
    win::HWND window;
    win::UINT message;
    win::WPARAM wParam;
    win::ULONG_PTR copyTag;
    std::vector<std::uint8_t> copyData;
};
const std::vector<SentMessage>& SentMessages();
// Answers each sent message in the receiver's place (default: TRUE).
void OnSendMessage(std::function<win::LRESULT(const SentMessage&)> receiver);
// The results passed to ReplyMessage, in order.
const std::vector<win::LRESULT>& Replies();
// Messages posted since the last call, oldest first; the queue is emptied.
std::vector<PostedMessage> TakePosted();
// A message that is posted when the tick count reaches `tick` during a
// MsgWaitForMultipleObjectsEx: the wait ends there, as input wakes it.
void PostAtTick(win::DWORD tick, const PostedMessage& message);
// The milliseconds each MsgWaitForMultipleObjectsEx passed, in order: the
// whole timeout, or up to the message that woke it.
const std::vector<win::DWORD>& MessageWaits();

// ---- Hot keys ------------------------------------------------------------
struct HotKey {
    win::HWND window;
    int id;
    win::UINT modifiers;
    win::UINT virtualKey;
};
// Registered now, in registration order.
std::vector<HotKey> HotKeys();

// ---- Time ------------------------------------------------------------------
void SetTickCount(win::DWORD tick);
// Every Sleep call's argument, in order; Sleep also advances the tick count.
const std::vector<win::DWORD>& Sleeps();
void SetLocalTime(const std::tm& time);
void SetPlatformId(win::DWORD platformId);

// ---- Keyboard --------------------------------------------------------------
struct KeyEvent {
    win::BYTE virtualKey;
    win::BYTE scanCode;
    win::DWORD flags;
    win::ULONG_PTR extraInfo;
};
const std::vector<KeyEvent>& KeyEvents();
void ClearKeyEvents();
enum class Layout {
    Us,        // US English
    European,  // German-like: Z and Y swapped, punctuation on other keys, AltGr characters
};
void UseLayout(Layout layout);
// The ANSI code page that CharNextA walks: 1252 (one byte a character, the
// default) or 932, whose lead bytes 0x81-0x9F and 0xE0-0xFC start a
// two-byte character.
void UseCodePage(unsigned codePage);

// ---- Clipboard -------------------------------------------------------------
// Puts text on the clipboard as another program would (CF_TEXT).
void SetClipboardText(const std::string& text);
// The clipboard's CF_TEXT up to its NUL; false when it holds no text.
bool ClipboardText(std::string* text);
// Another program holds the clipboard open while `held` is true.
void HoldClipboard(bool held);
bool ClipboardIsOpen();
// Global memory blocks alive right now (the clipboard's own included).
int LiveGlobalBlocks();

// ---- Shell and system -------------------------------------------------------
struct ShellCall {
    std::string verb, file, parameters, directory;
    int showCommand;
};
const std::vector<ShellCall>& ShellCalls();
// What ShellExecuteA answers from now on (default 42, a success).
void SetShellResult(std::intptr_t result);
// DesktopShellExecute's requests, in order, and what it answers from now on
// (default S_OK: a desktop shell took the request).
const std::vector<ShellCall>& DesktopShellCalls();
void SetDesktopShellResult(win::HRESULT result);
// ExitWindowsEx flags requested, in order. Nothing is shut down.
const std::vector<win::UINT>& ExitRequests();
// Whether the shutdown privilege is enabled in the process token.
bool ShutdownPrivilegeEnabled();
// Process tokens open right now (leak check).
int OpenTokenCount();

}  // namespace fake
