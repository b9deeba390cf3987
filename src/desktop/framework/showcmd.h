#pragma once
// How a window is shown. The numbers are those the profile keeps
// (Settings/ShowCmd, the show field of Settings/WindowPos); any other number
// read from there is kept as it is and shows a window normally.
enum class ShowCmd : int {
    Hide = 0,
    Normal = 1,
    Minimized = 2,
    Maximized = 3,
    Minimize = 6,
    MinimizedNoActive = 7,
};

inline ShowCmd ShowCmdFromNumber(int n) { return static_cast<ShowCmd>(n); }
inline int NumberOf(ShowCmd s) { return static_cast<int>(s); }
