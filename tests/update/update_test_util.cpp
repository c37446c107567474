// Helpers of the update tests.
#include "tests/update/update_test_util.h"

#include <sstream>

#include "base/window_messages.h"
#include "tests/test_util.h"

namespace update_test {

std::wstring WindowsPath(const std::string& path) {
    std::string p = !path.empty() && path[0] == '/' ? "Z:" + path : path;
    std::wstring w(p.begin(), p.end());
    for (wchar_t& c : w)
        if (c == L'/') c = L'\\';
    while (!w.empty() && w.back() == L'\\') w.pop_back();
    return w;
}

std::wstring TempFolder(const std::string& name) {
    return WindowsPath(kovra_test::TempDir(name));
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = ::WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    ::CloseHandle(h);
    return ok;
}

std::string ReadBytes(const std::wstring& path) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "";
    std::string out;
    char buffer[65536];
    DWORD n = 0;
    while (::ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
    ::CloseHandle(h);
    return out;
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void PumpQueued() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > ms) return false;
        PumpQueued();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

NotifyWindow::NotifyWindow() {
    static const wchar_t kClass[] = L"KovraUpdateTestNotify";
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    ::RegisterClassW(&wc);
    m_hWnd = ::CreateWindowExW(0, kClass, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               wc.hInstance, nullptr);
    ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

NotifyWindow::~NotifyWindow() {
    ::DestroyWindow(m_hWnd);
}

std::vector<NotifyWindow::Message> NotifyWindow::Of(UINT msg) const {
    std::vector<Message> out;
    for (const Message& m : messages)
        if (m.msg == msg) out.push_back(m);
    return out;
}

LRESULT CALLBACK NotifyWindow::Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<NotifyWindow*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (self && (msg == UM_UPDATE_PROGRESS || msg == UM_NEW_VERSION || msg == UM_LATEST_VERSION ||
                 msg == UM_UNVERIFIED_VERSION || msg == UM_CHECK_FAILED)) {
        if (msg == UM_UPDATE_PROGRESS && self->onProgress) self->onProgress(wParam, lParam);
        self->messages.push_back({msg, wParam, lParam});
        if (msg == UM_NEW_VERSION && self->onNewVersion) self->onNewVersion();
        return 1;
    }
    return ::DefWindowProcW(wnd, msg, wParam, lParam);
}

CheckingBox::CheckingBox(HWND owner) {
    m_hWnd = ::CreateWindowExW(0, L"STATIC", L"OrvelMessageBox", WS_POPUP, 0, 0, 10, 10, owner,
                               nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

CheckingBox::~CheckingBox() {
    if (::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

bool TestServer::Connect() {
    m_strRoot = WindowsPath(KOVRA_UPDATE_SERVER_ROOT);
    const std::string port = ReadBytes(m_strRoot + L"\\port");
    m_nPort = std::atoi(port.c_str());
    return m_nPort > 0;
}

std::string TestServer::Origin() const {
    return "http://127.0.0.1:" + std::to_string(m_nPort);
}

std::wstring TestServer::File(const std::string& path) const {
    std::wstring file = m_strRoot + L"\\www" + std::wstring(path.begin(), path.end());
    for (wchar_t& c : file)
        if (c == L'/') c = L'\\';
    return file;
}

void TestServer::Put(const std::string& path, const std::string& bytes) {
    // Make the folders on the way.
    const std::wstring file = File(path);
    for (size_t at = (m_strRoot + L"\\www").size();
         (at = file.find(L'\\', at + 1)) != std::wstring::npos;)
        ::CreateDirectoryW(file.substr(0, at).c_str(), nullptr);
    WriteBytes(file, bytes);
    for (const wchar_t* option : {L".status", L".mode", L".sign", L".tamper"})
        ::DeleteFileW((file + option).c_str());
}

void TestServer::Sign(const std::string& path, const std::string& key, const std::string& section,
                      uint64_t serial) {
    WriteBytes(File(path) + L".sign", std::string(KOVRA_SOURCE_DIR) + "/tests/update/" + key +
                                          ".pem\n" + section +
                                          (serial ? "\n" + std::to_string(serial) : ""));
}

void TestServer::Tamper(const std::string& path, const std::string& from, const std::string& to) {
    WriteBytes(File(path) + L".tamper", from + "\n" + to);
}

void TestServer::SetStatus(const std::string& path, int status) {
    WriteBytes(File(path) + L".status", std::to_string(status));
}

void TestServer::SetMode(const std::string& path, const std::string& mode) {
    WriteBytes(File(path) + L".mode", mode);
}

void TestServer::ClearLog() {
    WriteBytes(m_strRoot + L"\\requests.log", "");
}

std::vector<std::string> TestServer::Requests() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadBytes(m_strRoot + L"\\requests.log"));
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace update_test
