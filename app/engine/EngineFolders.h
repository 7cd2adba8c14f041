// Where the engine finds its effect files, and how it tells the operator about a broken one.
#pragma once

#include <string>

// The fx folder beside the program.
std::wstring FxFolder();

// A compiler's error text for a broken engine pass: a message box with no caption.
void ShowEngineMessage(const char* text);
