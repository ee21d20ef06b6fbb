// Who deletes a window. A top-level window opened from another window
// belongs to the window that opened it, held in an OwnedWindow: closing it
// (its buttons or the title bar) only hides it, and its owner deletes it when
// it opens the next one in its place, or when the owner itself goes. The
// deletion waits until the event being handled is over (Fl::delete_widget),
// so an owner may let its window go even from that window's own callback.
// (The main window belongs to the program; the history windows, one per
// variable and shown again when reopened, to their own list.)
#pragma once

#include <memory>

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

struct WindowDelete {
    void operator()(Fl_Window* window) const { Fl::delete_widget(window); }
};

template <class Window>
using OwnedWindow = std::unique_ptr<Window, WindowDelete>;
