// The real layer's DesktopShellExecute: the documented way for an elevated
// program to start another with the signed-in user's normal rights is to
// ask the shell that owns the desktop, which runs with them, to start it.
// The shell is reached from the desktop window's view; each step is a COM
// call whose failure means there is no desktop shell to ask.
#include "platform/win.h"

namespace {
constexpr auto seam_S_OK = win::S_OK;
constexpr auto seam_E_FAIL = win::E_FAIL;
}  // namespace

#include <windows.h>
#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <utility>

static_assert(seam_S_OK == S_OK);
static_assert(seam_E_FAIL == E_FAIL);
static_assert(sizeof(win::HRESULT) == sizeof(::HRESULT));

namespace {

// Owns one reference of a COM interface.
template <typename Interface>
class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    Interface** put() { return &pointer_; }
    void** putVoid() { return reinterpret_cast<void**>(&pointer_); }

private:
    Interface* pointer_ = nullptr;
};

// A VARIANT that clears itself.
class Variant {
public:
    Variant() { VariantInit(&value_); }
    explicit Variant(const std::wstring& text) : Variant() {
        value_.vt = VT_BSTR;
        value_.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }
    explicit Variant(int number) : Variant() {
        value_.vt = VT_I4;
        value_.lVal = number;
    }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&value_); }
    VARIANT& get() { return value_; }

private:
    VARIANT value_;
};

// The ANSI code page's text, as the program's other ANSI calls read it.
std::wstring Wide(const char* text) {
    if (text == nullptr || *text == '\0') return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

HRESULT DesktopShell(IShellDispatch2** shell) {
    ComRef<IShellWindows> windows;
    if (HRESULT hr = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                      windows.putVoid());
        FAILED(hr))
        return hr;
    Variant location(CSIDL_DESKTOP);
    Variant root;
    long window = 0;
    ComRef<IDispatch> desktop;
    // S_FALSE, with no object, when no window is the desktop's.
    if (HRESULT hr = windows->FindWindowSW(&location.get(), &root.get(), SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                                           desktop.put());
        hr != S_OK || !desktop)
        return FAILED(hr) ? hr : E_FAIL;
    ComRef<IServiceProvider> services;
    if (HRESULT hr = desktop->QueryInterface(IID_IServiceProvider, services.putVoid()); FAILED(hr)) return hr;
    ComRef<IShellBrowser> browser;
    if (HRESULT hr = services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.putVoid()); FAILED(hr))
        return hr;
    ComRef<IShellView> view;
    if (HRESULT hr = browser->QueryActiveShellView(view.put()); FAILED(hr) || !view) return FAILED(hr) ? hr : E_FAIL;
    ComRef<IDispatch> background;
    if (HRESULT hr = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.putVoid()); FAILED(hr))
        return hr;
    ComRef<IShellFolderViewDual> folderView;
    if (HRESULT hr = background->QueryInterface(IID_IShellFolderViewDual, folderView.putVoid()); FAILED(hr))
        return hr;
    ComRef<IDispatch> application;
    if (HRESULT hr = folderView->get_Application(application.put()); FAILED(hr) || !application)
        return FAILED(hr) ? hr : E_FAIL;
    return application->QueryInterface(IID_IShellDispatch2, reinterpret_cast<void**>(shell));
}

}  // namespace

namespace win {

HRESULT DesktopShellExecute(const char* file, const char* parameters, const char* directory, const char* verb,
                            int showCommand) {
    ComRef<IShellDispatch2> shell;
    if (::HRESULT hr = DesktopShell(shell.put()); FAILED(hr) || !shell) return FAILED(hr) ? hr : E_FAIL;
    const std::wstring wideFile = Wide(file);
    BSTR fileText = SysAllocStringLen(wideFile.data(), static_cast<UINT>(wideFile.size()));
    if (fileText == nullptr) return E_OUTOFMEMORY;
    Variant arguments(Wide(parameters));
    Variant folder(Wide(directory));
    Variant operation(Wide(verb));
    Variant show(showCommand);
    const ::HRESULT hr = shell->ShellExecute(fileText, arguments.get(), folder.get(), operation.get(), show.get());
    SysFreeString(fileText);
    return hr;
}

}  // namespace win
