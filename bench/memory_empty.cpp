// The empty program beside which the memory benchmark measures Keyloom: it
// does nothing but wait to be measured. Asked to, it then takes and touches
// a known amount of memory and waits again, so that the benchmark can see
// the counters it reads follow an allocation.
#include <windows.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
    HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
    if (ready == nullptr || go == nullptr) return 2;
    SetEvent(ready);
    WaitForSingleObject(go, INFINITE);
    if (argc < 4) return 0;
    const std::size_t bytes = std::strtoul(argv[3], nullptr, 10);
    // Committed and written page by page: private memory in use.
    auto* memory = static_cast<volatile char*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (memory == nullptr) return 3;
    for (std::size_t at = 0; at < bytes; at += 4096) memory[at] = 1;
    SetEvent(ready);
    WaitForSingleObject(go, INFINITE);
    return 0;
}
