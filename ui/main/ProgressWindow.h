// The small modal window that shows how far a backup or a restore has come:
// its name and a bar, drawn again between the blocks the engine writes.
#pragma once

#include <FL/Fl_Window.H>

#include <string>

class Fl_Box;
class Fl_Progress;

class ProgressWindow : public Fl_Window {
public:
    // Shows the window for title at percent (0 to 100) and lets the toolkit
    // draw it; percent -1 closes it. The Dialogs seam's progress.
    static void report(const std::string& title, int percent);
    // The window while it is shown, else null.
    static ProgressWindow* current();
    // The percent the bar shows.
    int percent() const;

private:
    ProgressWindow();
    Fl_Box* name_;
    Fl_Progress* bar_;
    std::string title_;
    std::string text_;
};
