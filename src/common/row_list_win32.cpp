// RowList over a list-view control, through the messages the ListView_*
// macros of <commctrl.h> send. Project headers come before <windows.h>.
#include "common/row_list.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

constexpr std::size_t kLongestCell = 1 << 16;

// The dots per inch of the monitor the window is on, as the window is
// scaled (per-monitor aware): GetDpiForWindow where the system has it
// (Windows 10 1607 and later), else the screen's.
UINT WindowDpi(HWND window) {
    using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr)
        if (const UINT dpi = getDpiForWindow(window); dpi != 0) return dpi;
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

class ListViewRowList final : public RowList {
public:
    explicit ListViewRowList(HWND list) : list_(list) {}

    // Widths are 96-DPI pixels above this class and the screen's own pixels
    // in the control: rounded down on the way up, so that columns made to
    // fill the list never overrun it.
    int ClientWidth() const override {
        RECT rect{};
        if (!GetClientRect(list_, &rect)) return 0;
        return (rect.right - rect.left) * 96 / Dpi();
    }

    void AddColumn(const std::string& heading, int width) override {
        LVCOLUMNA info{};
        info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        info.fmt = LVCFMT_LEFT;
        info.cx = width * Dpi() / 96;
        info.pszText = const_cast<char*>(heading.c_str());
        info.iSubItem = columns_;
        if (SendMessageA(list_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(columns_), reinterpret_cast<LPARAM>(&info)) >= 0)
            ++columns_;
    }

    int AppendRow(const std::string& firstColumn) override { return InsertRow(RowCount(), firstColumn); }

    int InsertRow(int at, const std::string& firstColumn) override {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = at;
        item.pszText = const_cast<char*>(firstColumn.c_str());
        item.lParam = 0;
        return static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    }

    void SetCell(int row, int column, const std::string& text) override {
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = const_cast<char*>(text.c_str());
        SendMessageA(list_, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }

    void RemoveRow(int row) override { SendMessageA(list_, LVM_DELETEITEM, static_cast<WPARAM>(row), 0); }

    int RowCount() const override { return static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)); }

    std::string Cell(int row, int column) const override {
        // LVM_GETITEMTEXT answers with the length it copied; a text that
        // fills the buffer may have been cut, so it is asked again with more
        // room.
        for (std::size_t capacity = 256;; capacity *= 4) {
            std::string text(capacity, '\0');
            LVITEMA item{};
            item.iSubItem = column;
            item.pszText = text.data();
            item.cchTextMax = static_cast<int>(capacity);
            const auto copied = static_cast<std::size_t>(
                SendMessageA(list_, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
            text.resize(copied < capacity ? copied : capacity - 1);
            if (text.size() + 1 < capacity || capacity >= kLongestCell) return text;
        }
    }

    int SelectedRow() const override {
        return static_cast<int>(
            SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
    }

    void SelectRow(int row) override {
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }

    void SetRowData(int row, std::int32_t data) override {
        LVITEMA item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        item.lParam = data;
        SendMessageA(list_, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }

    std::int32_t RowData(int row) const override {
        LVITEMA item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (!SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return 0;
        return static_cast<std::int32_t>(item.lParam);
    }

    void SetRedraw(bool redraw) override {
        SendMessageA(list_, WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
        if (redraw) InvalidateRect(list_, nullptr, TRUE);
    }

private:
    int Dpi() const { return static_cast<int>(WindowDpi(list_)); }

    HWND list_;
    int columns_ = 0;
};

}  // namespace

std::unique_ptr<RowList> ListViewRows(win::HWND list) {
    return std::make_unique<ListViewRowList>(reinterpret_cast<HWND>(list));
}
