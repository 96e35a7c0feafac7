#pragma once

// How promptly a window's thread answers: WM_NULL sent to it at a steady
// pace from a thread of the driver's own, each answer timed. A thread busy
// in a handler answers only once the handler returns, as it paints and
// takes clicks only then.

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "platform/win32/windows_api.h"

namespace window_answer {

class Probe {
public:
    struct Answers {
        double longestMs = 0;  // the longest a sent WM_NULL took to be answered
        int answered = 0;
        int unanswered = 0;  // not answered within the probe's limit
    };

    // Sends `window` WM_NULL every `everyMs` (at once after an answer that
    // took longer), each given `limitMs` to be answered, until stop().
    Probe(HWND window, DWORD everyMs, DWORD limitMs)
        : window_(window), everyMs_(everyMs), limitMs_(limitMs), thread_([this] { run(); }) {}
    ~Probe() { stop(); }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    // Waits for the send under way, if any, and gives what was measured.
    Answers stop() {
        stopping_ = true;
        if (thread_.joinable()) thread_.join();
        std::lock_guard<std::mutex> lock(mutex_);
        return answers_;
    }

private:
    static double nowMs() {
        LARGE_INTEGER frequency{};
        LARGE_INTEGER count{};
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&count);
        return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
    }

    void run() {
        while (!stopping_) {
            const double sent = nowMs();
            DWORD_PTR result = 0;
            const bool answered = SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, limitMs_, &result) != 0;
            const double tookMs = nowMs() - sent;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                answers_.longestMs = std::max(answers_.longestMs, tookMs);
                ++(answered ? answers_.answered : answers_.unanswered);
            }
            if (tookMs < everyMs_) Sleep(static_cast<DWORD>(everyMs_ - tookMs));
        }
    }

    const HWND window_;
    const DWORD everyMs_;
    const DWORD limitMs_;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    Answers answers_;
    std::thread thread_;  // last: started once everything it uses exists
};

}  // namespace window_answer
