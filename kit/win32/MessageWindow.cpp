#include "kit/win32/MessageWindow.h"

namespace quindle {
namespace {

const char kClassName[] = "QuindleMessageWindow";

} // namespace

TMessageWindow::TMessageWindow(THandler Handler) : handler_(std::move(Handler)) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    // A second registration fails harmlessly: the class is the same for every window.
    RegisterClassA(&windowClass);
    // WS_POPUP without WS_VISIBLE: never shown, no taskbar button, but a top-level window.
    window_ = CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, instance, this);
}

TMessageWindow::~TMessageWindow() {
    if (window_) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void TMessageWindow::Pump() {
    MSG message;
    while (window_ && PeekMessageA(&message, window_, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
}

LRESULT CALLBACK TMessageWindow::WindowProc(HWND Window, UINT Message, WPARAM W, LPARAM L) {
    if (Message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(L);
        SetWindowLongPtrA(Window, GWLP_USERDATA, LONG_PTR(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TMessageWindow*>(GetWindowLongPtrA(Window, GWLP_USERDATA));
    LRESULT result = 0;
    if (self && self->handler_ && self->handler_(Message, W, L, result))
        return result;
    return DefWindowProcA(Window, Message, W, L);
}

} // namespace quindle
