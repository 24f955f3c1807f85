// Program names as the scope of a macro compares them, and the process
// query behind them, checked through the seam alone on the fake and on
// Windows.
#include <gtest/gtest.h>

#include <string>

#include "platform/unique_handle.h"
#include "platform/win.h"

namespace {

using namespace win;

int Compare(const wchar_t* a, const wchar_t* b) { return CompareStringOrdinal(a, -1, b, -1, TRUE); }

TEST(ProcessContract, FileNamesCompareByTheSystemsOneCaseTable) {
    EXPECT_EQ(Compare(L"notepad.exe", L"NOTEPAD.EXE"), CSTR_EQUAL);
    EXPECT_EQ(Compare(L"\u00E4rger.exe", L"\u00C4RGER.EXE"), CSTR_EQUAL);
    EXPECT_EQ(Compare(L"\u0431\u043B\u043E\u043A.exe", L"\u0411\u041B\u041E\u041A.EXE"), CSTR_EQUAL);
    EXPECT_EQ(Compare(L"\u03C3.exe", L"\u03A3.EXE"), CSTR_EQUAL);
    EXPECT_NE(Compare(L"stra\u00DFe.exe", L"STRASSE.EXE"), CSTR_EQUAL);
    EXPECT_EQ(Compare(L"notepad", L"notepad.exe"), CSTR_LESS_THAN);
    EXPECT_EQ(Compare(L"b.exe", L"A.EXE"), CSTR_GREATER_THAN);
    EXPECT_EQ(CompareStringOrdinal(L"notepad.exe", -1, L"NOTEPAD.EXE", -1, FALSE), CSTR_GREATER_THAN);
    EXPECT_EQ(CompareStringOrdinal(L"ab", 1, L"ax", 1, TRUE), CSTR_EQUAL) << "lengths count";
}

// A window whose process has just ended leaves an id that no process has.
TEST(ProcessContract, AProcessThatIsNotThereCannotBeOpened) {
    SetLastError(0);
    UniqueObject none(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0xFFFFFFF0u));
    EXPECT_FALSE(none);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
