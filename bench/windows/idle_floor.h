#pragma once

// One cheap call into each system DLL the measured program imports beyond
// kernel32, msvcrt, user32 and shell32, which the floor itself uses: without
// a call the linker imports nothing from a DLL, and the DLL is never loaded.
void touchImportedDlls();
