#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/window_api.h"

namespace pivora::test {

// Records every window call as a line of text, in order, so tests can check
// what the lifecycle did and in which order. Answers are set by the test.
class RecordingWindow : public WindowApi {
public:
    static OsHandle handle(std::uintptr_t value) { return reinterpret_cast<OsHandle>(value); }

    OsHandle otherInstance = nullptr;  // what findTopLevelWindow finds
    OsHandle systemMenu = handle(0x5150);
    std::u16string aboutMenuText = u"\u95DC\u65BC Pivora(&A)...";
    int menuChoice = 0;
    int cursorX = 100;
    int cursorY = 200;
    OsHandle busyNoticeWindow = handle(0xB051);
    std::vector<std::string> calls;
    std::vector<TrayIconRecord> traysAdded;
    // What isWindow answers for any handle.
    bool windowsExist = true;
    // The data each sendCopyData carried, in order.
    struct CopyData {
        OsHandle window;
        OsHandle from;
        std::uintptr_t tag;
        std::vector<std::uint8_t> bytes;
        std::uint32_t timeoutMs;
    };
    std::vector<CopyData> copiesSent;

    bool called(const std::string& line) const {
        for (const auto& call : calls)
            if (call == line) return true;
        return false;
    }
    std::size_t count(const std::string& prefix) const {
        std::size_t found = 0;
        for (const auto& call : calls) found += call.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
        return found;
    }

    OsHandle findTopLevelWindow(const char* title) override {
        record("findTopLevelWindow " + std::string(title));
        return otherInstance;
    }
    int setWindowText(OsHandle, const char* text) override { return record("setWindowText " + std::string(text)); }
    int setControlText(OsHandle, int id, const char* text) override {
        return record("setControlText " + std::to_string(id) + " " + text);
    }
    int showWindow(OsHandle window, int command) override {
        return record("showWindow " + name(window) + " " + std::to_string(command));
    }
    int showControl(OsHandle, int id, int command) override {
        return record("showControl " + std::to_string(id) + " " + std::to_string(command));
    }
    int resizeControl(OsHandle, int id, int width, int height) override {
        return record("resizeControl " + std::to_string(id) + " " + std::to_string(width) + "x" +
                      std::to_string(height));
    }
    int moveWindow(OsHandle window, int left, int top, int width, int height) override {
        return record("moveWindow " + name(window) + " " + std::to_string(left) + "," + std::to_string(top) + " " +
                      std::to_string(width) + "x" + std::to_string(height));
    }
    int setForegroundWindow(OsHandle window) override { return record("setForegroundWindow " + name(window)); }
    int postMessage(OsHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        char line[96];
        std::snprintf(line, sizeof line, "postMessage %s 0x%04X %lu 0x%lX", name(window).c_str(),
                      static_cast<unsigned>(message), static_cast<unsigned long>(wParam),
                      static_cast<unsigned long>(lParam));
        return record(line);
    }
    int isWindow(OsHandle window) override {
        record("isWindow " + name(window));
        return windowsExist ? 1 : 0;
    }
    int sendCopyData(OsHandle window, OsHandle from, std::uintptr_t tag, const void* data, std::uint32_t size,
                     std::uint32_t timeoutMs) override {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        copiesSent.push_back({window, from, tag, std::vector<std::uint8_t>(bytes, bytes + size), timeoutMs});
        return record("sendCopyData " + name(window) + " from " + name(from));
    }
    // The ANSI code page here is ISO 8859-1: each byte is the code point of its value.
    int ansiToUtf16(const char* text, int length, char16_t* out, int capacity) override {
        if (capacity == 0) return length;
        if (capacity < length) return 0;
        for (int index = 0; index < length; ++index) out[index] = static_cast<unsigned char>(text[index]);
        return length;
    }
    OsHandle getSystemMenu(OsHandle) override {
        record("getSystemMenu");
        return systemMenu;
    }
    int modifyMenu(OsHandle, std::uint32_t item, std::uint32_t flags, std::uintptr_t newId,
                   const char16_t* text) override {
        return record("modifyMenu " + std::to_string(item) + " flags " + std::to_string(flags) + " id " +
                      std::to_string(newId) + " " + ascii(text));
    }
    // Each menu its own handle: 3e40, then 3e41 for a submenu, and so on.
    std::uintptr_t nextMenu = 0x3E40;
    OsHandle createPopupMenu() override {
        record("createPopupMenu");
        return handle(nextMenu++);
    }
    int appendMenu(OsHandle menu, std::uint32_t flags, std::uintptr_t id, const char16_t* text) override {
        if (menu == systemMenu && text != nullptr && text == aboutMenuText) aboutEntryText = text;
        return record("appendMenu " + name(menu) + " flags " + std::to_string(flags) + " id " + std::to_string(id) +
                      " " + ascii(text));
    }
    int destroyMenu(OsHandle menu) override { return record("destroyMenu " + name(menu)); }
    int getCursorPos(int* x, int* y) override {
        *x = cursorX;
        *y = cursorY;
        return record("getCursorPos");
    }
    int trackPopupMenu(OsHandle menu, std::uint32_t flags, int x, int y, OsHandle owner) override {
        record("trackPopupMenu " + name(menu) + " flags " + std::to_string(flags) + " at " + std::to_string(x) + "," +
               std::to_string(y) + " owner " + name(owner));
        return menuChoice;
    }
    int loadString(std::uint32_t id, char16_t* text, int size) override {
        record("loadString " + std::to_string(id));
        const int length = static_cast<int>(aboutMenuText.size()) < size ? static_cast<int>(aboutMenuText.size()) : size - 1;
        aboutMenuText.copy(text, static_cast<std::size_t>(length));
        text[length] = u'\0';
        return length;
    }
    OsHandle loadIcon(std::uint32_t id) override {
        record("loadIcon " + std::to_string(id));
        return handle(0x1C00 + id);
    }
    void setWindowIcon(OsHandle, int which, OsHandle icon) override {
        record("setWindowIcon " + std::to_string(which) + " " + name(icon));
    }
    // Bitmaps are handles kBitmapBase + their resource id, and are recorded by id.
    static constexpr std::uintptr_t kBitmapBase = 0xB000;
    OsHandle loadBitmap(std::uint32_t id) override {
        record("loadBitmap " + std::to_string(id));
        ++bitmapsLoaded;
        return handle(kBitmapBase + id);
    }
    int deleteBitmap(OsHandle bitmap) override {
        ++bitmapsDeleted;
        return record("deleteBitmap " + bitmapId(bitmap));
    }
    void setButtonImage(OsHandle, int id, OsHandle bitmap) override {
        record("setButtonImage " + std::to_string(id) + " " + bitmapId(bitmap));
    }
    // What each picture control shows, by control; a test sets the image its
    // template loaded, which the first setPictureImage gives back.
    std::map<int, OsHandle> pictures;
    OsHandle setPictureImage(OsHandle, int id, OsHandle bitmap) override {
        record("setPictureImage " + std::to_string(id) + " " + bitmapId(bitmap));
        return std::exchange(pictures[id], bitmap);
    }
    int bitmapsLoaded = 0;
    int bitmapsDeleted = 0;
    int addTrayIcon(const TrayIconRecord& record_) override {
        traysAdded.push_back(record_);
        return record("addTrayIcon");
    }
    std::vector<TrayIconRecord> traysModified;
    int modifyTrayIcon(const TrayIconRecord& record_) override {
        traysModified.push_back(record_);
        return record("modifyTrayIcon");
    }
    int deleteTrayIcon(const TrayIconRecord&) override { return record("deleteTrayIcon"); }
    OsHandle keyboardHook = handle(0x4B00);
    OsHandle installKeyboardHook(OsHandle window, std::uint32_t lockKeys) override {
        record("installKeyboardHook " + name(window) + (lockKeys != 7 ? " keys " + std::to_string(lockKeys) : ""));
        return keyboardHook;
    }
    void removeKeyboardHook(OsHandle hook) override { record("removeKeyboardHook " + name(hook)); }
    OsHandle createBusyNotice(OsHandle owner) override {
        record("createBusyNotice owner " + name(owner));
        return busyNoticeWindow;
    }
    void runAboutBox(OsHandle owner) override { record("runAboutBox owner " + name(owner)); }
    int destroyWindow(OsHandle window) override { return record("destroyWindow " + name(window)); }

    std::u16string aboutEntryText;

protected:
    // Runs after every call is recorded, with the line just added to `calls`.
    virtual void recorded() {}

private:
    int record(const std::string& line) {
        calls.push_back(line);
        recorded();
        return 1;
    }
    static std::string name(OsHandle window) {
        char text[32];
        std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window)));
        return text;
    }
    static std::string bitmapId(OsHandle bitmap) {
        return std::to_string(reinterpret_cast<std::uintptr_t>(bitmap) - kBitmapBase);
    }
    static std::string ascii(const char16_t* text) {
        if (text == nullptr) return "-";
        std::string out;
        for (; *text != u'\0'; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
        return out;
    }
};

}  // namespace pivora::test
