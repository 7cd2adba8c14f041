// The operator's audio mixing console as the director sees it. The console is a dialog of
// the settings library, which builds on the engine; the engine reaches it through this face
// and a factory the program registers at start.
#pragma once

#include <windows.h>

class CAudioMixer;

class IVolumeConsole {
public:
    virtual ~IVolumeConsole() = default;
    // The mixer every control drives; bound before the window is made, never owned.
    virtual void SetAudioMixer(CAudioMixer* mixer) = 0;
    // Makes the window when there is none (loaded from the mixer and centred), and shows it
    // when it is hidden. False when the window cannot be made.
    virtual bool Present(HWND owner) = 0;
    // Destroys the window when there is one; the object stays.
    virtual void Close() = 0;
};

using VolumeConsoleFactory = IVolumeConsole* (*)();
