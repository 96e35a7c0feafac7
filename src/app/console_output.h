#pragma once

#include <memory>
#include <string>

#include "platform/win32/windows_api.h"

namespace pivora {

// Where the command line prints, though Pivora is a program of the GUI
// subsystem and Windows gives it no console of its own: a standard handle
// it was handed (a pipe or a file, as a script's redirection or Wine gives
// it, or a console Wine opened for it), or else the console of the program
// that started it (cmd.exe or PowerShell, say), attached to when first
// needed. Without either the text goes nowhere; the exit status still tells.
class ConsoleOutput {
public:
    enum Stream { Out, Error };

    // `text` is UTF-8: a console is handed it in UTF-16, a pipe or a file
    // gets its bytes.
    void write(Stream stream, const std::string& text);

private:
    struct CloseHandle {
        void operator()(HANDLE handle) const;
    };

    std::unique_ptr<void, CloseHandle> parentConsole_;
    bool parentConsoleTried_ = false;
};

}  // namespace pivora
