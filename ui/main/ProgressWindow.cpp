#include "ui/main/ProgressWindow.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Progress.H>

#include <memory>

#include "app/LiteralText.h"
#include "ui/main/TextScale.h"

namespace {

std::unique_ptr<ProgressWindow>& theWindow() {
    static std::unique_ptr<ProgressWindow> window;
    return window;
}

}  // namespace

ProgressWindow::ProgressWindow() : Fl_Window(360, 90) {
    Fl_Group* saved = Fl_Group::current();
    begin();
    name_ = new Fl_Box(15, 10, 330, 25);
    name_->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    bar_ = new Fl_Progress(15, 45, 330, 25);
    bar_->minimum(0);
    bar_->maximum(100);
    bar_->selection_color(FL_SELECTION_COLOR);
    end();
    Fl_Group::current(saved);
    // The task cannot be stopped halfway: the close box and Escape do nothing.
    callback([](Fl_Widget*, void*) {});
    set_modal();
    TextScale::fit(*this);
}

void ProgressWindow::report(const std::string& title, int percent) {
    std::unique_ptr<ProgressWindow>& window = theWindow();
    if (percent < 0) {
        window.reset();
        Fl::check();
        return;
    }
    if (!window) window.reset(new ProgressWindow());
    if (window->title_ != title) {
        window->title_ = title;
        window->copy_label(LiteralText::label(title).c_str());
        window->name_->copy_label(LiteralText::label(title).c_str());
    }
    window->text_ = std::to_string(percent) + " %";
    window->bar_->value(static_cast<float>(percent));
    window->bar_->label(window->text_.c_str());
    if (!window->shown()) {
        // Over the middle of the window the task was asked in.
        if (Fl_Window* over = Fl::first_window())
            window->position(over->x() + (over->w() - window->w()) / 2, over->y() + (over->h() - window->h()) / 2);
        window->show();
    }
    Fl::check();
}

ProgressWindow* ProgressWindow::current() { return theWindow() && theWindow()->shown() ? theWindow().get() : nullptr; }

int ProgressWindow::percent() const { return static_cast<int>(bar_->value()); }
