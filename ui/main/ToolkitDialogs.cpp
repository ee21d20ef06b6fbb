// The toolkit's own dialogs behind the Dialogs seam.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/LiteralText.h"
#include "app/Trace.h"
#include "ui/main/ProgressWindow.h"
#include "ui/main/TextScale.h"

namespace {

// The window a dialog is placed over: the modal window asking, else the
// topmost shown window that is neither a menu nor a tooltip.
Fl_Window* askingWindow() {
    if (Fl_Window* modal = Fl::modal()) return modal;
    for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w))
        if (w->shown() && w->visible() && !w->override() && !w->parent()) return w;
    return nullptr;
}

// Places a dialog over the window that asks, within the screen's work area;
// in the middle of the screen before any window is shown.
void placeOverAskingWindow(Fl_Window& window) {
    Fl_Window* over = askingWindow();
    int sx = 0, sy = 0, sw = 0, sh = 0;
    if (!over) {
        Fl::screen_work_area(sx, sy, sw, sh, 0);
        window.position(sx + std::max(0, (sw - window.w()) / 2), sy + std::max(0, (sh - window.h()) / 3));
        return;
    }
    Fl::screen_work_area(sx, sy, sw, sh, over->x() + over->w() / 2, over->y() + over->h() / 2);
    const int x = over->x() + (over->w() - window.w()) / 2;
    const int y = over->y() + std::max(0, (over->h() - window.h()) / 3);
    window.position(std::max(sx, std::min(x, sx + sw - window.w())), std::max(sy, std::min(y, sy + sh - window.h())));
}

// How a dialog of the toolkit's look is made: its title and icon, its buttons
// from right to left, and the answer Return gives (Escape and the close box
// answer 0, the first button).
struct Ask {
    const char* title;
    const char* icon;
    Fl_Color iconColor;
    const char* labels[3];  // right to left; null for an absent button
    int answers[3];         // the answer each of them gives
    int returnAnswer;
};

// Shows a dialog centred over the window that asks and waits for its answer.
// The toolkit's own boxes appear where the pointer is; these appear over the
// program's window, with a title.
int ask(const std::string& label, const Ask& how) {
    fl_font(FL_HELVETICA, FL_NORMAL_SIZE);
    int w = 560, h = 0;
    fl_measure(label.c_str(), w, h);
    w = std::max(w, 300) + 100;  // the label keeps a margin inside its box
    h = std::max(h, 50) + 20;
    Fl_Group* saved = Fl_Group::current();
    Fl_Group::current(nullptr);
    Fl_Window window(w, h + 50, how.title);
    // The icon of the toolkit's own dialogs.
    Fl_Box icon(10, 10, 50, 50, how.icon);
    icon.box(FL_THIN_UP_BOX);
    icon.labelfont(FL_TIMES_BOLD);
    icon.labelsize(34);
    icon.color(FL_WHITE);
    icon.labelcolor(how.iconColor);
    Fl_Box text(70, 10, w - 85, h, nullptr);
    text.label(label.c_str());
    text.align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP | FL_ALIGN_TOP);
    int answer = 0;
    Fl_Button* focus = nullptr;
    for (int i = 0, place = 0; i < 3; ++i) {
        if (!how.labels[i]) continue;
        const int x = w - 100 * (++place) - 5;
        const bool isReturn = how.answers[i] == how.returnAnswer;
        Fl_Button* button = isReturn ? new Fl_Return_Button(x, h + 12, 90, 26) : new Fl_Button(x, h + 12, 90, 26);
        button->label(how.labels[i]);
        button->argument(how.answers[i]);
        button->callback([](Fl_Widget* b, void*) {
            *static_cast<int*>(b->window()->user_data()) = static_cast<int>(b->argument());
            b->window()->hide();
        });
        if (isReturn || !focus) focus = button;
    }
    window.callback([](Fl_Widget* win, void*) { win->hide(); });
    window.user_data(&answer);
    window.end();
    window.set_modal();
    Fl_Group::current(saved);
    TextScale::fit(window);
    placeOverAskingWindow(window);
    window.show();
    if (focus) focus->take_focus();
    while (window.shown()) Fl::wait();
    return answer;
}

// A question of any number of answers, placed left to right; Return
// answers defaultButton, Escape and the close box cancelButton.
int askWithButtons(const std::string& label, const std::vector<std::string>& names, int defaultButton,
                   int cancelButton) {
    fl_font(FL_HELVETICA, FL_NORMAL_SIZE);
    const int count = static_cast<int>(names.size());
    int w = 560, h = 0;
    fl_measure(label.c_str(), w, h);
    // Each button wide enough for its label beside the Return key's mark.
    int buttonWidth = 95;
    for (const std::string& name : names)
        buttonWidth = std::max(buttonWidth, static_cast<int>(fl_width(name.c_str())) + 45);
    w = std::max({w + 100, 460, (buttonWidth + 5) * count + 15});
    h = std::max(h, 50) + 20;
    Fl_Group* saved = Fl_Group::current();
    Fl_Group::current(nullptr);
    Fl_Window window(w, h + 50, "Question");
    Fl_Box icon(10, 10, 50, 50, "?");
    icon.box(FL_THIN_UP_BOX);
    icon.labelfont(FL_TIMES_BOLD);
    icon.labelsize(34);
    icon.color(FL_WHITE);
    icon.labelcolor(FL_BLUE);
    Fl_Box text(70, 10, w - 85, h, nullptr);
    text.label(label.c_str());
    text.align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP | FL_ALIGN_TOP);
    int answer = cancelButton;
    std::vector<Fl_Button*> buttons;
    for (int i = 0; i < count; ++i) {
        const int x = w - (buttonWidth + 5) * (count - i) - 5;
        Fl_Button* b = i == defaultButton ? new Fl_Return_Button(x, h + 12, buttonWidth, 26)
                                          : new Fl_Button(x, h + 12, buttonWidth, 26);
        b->label(names[static_cast<std::size_t>(i)].c_str());
        b->argument(i);
        b->callback([](Fl_Widget* button, void*) {
            *static_cast<int*>(button->window()->user_data()) = static_cast<int>(button->argument());
            button->window()->hide();
        });
        buttons.push_back(b);
    }
    window.callback([](Fl_Widget* win, void*) { win->hide(); });
    window.user_data(&answer);
    window.end();
    window.set_modal();
    Fl_Group::current(saved);
    TextScale::fit(window);
    placeOverAskingWindow(window);
    window.show();
    if (defaultButton >= 0 && defaultButton < count) buttons[static_cast<std::size_t>(defaultButton)]->take_focus();
    while (window.shown()) Fl::wait();
    return answer;
}

}  // namespace

void Dialogs::useToolkitDialogs() {
    // Messages carry names and values from the data: shown as they are.
    setAlertHandler([](const std::string& message) {
        const Ask how{"Notice", "!", FL_BLUE, {fl_close, nullptr, nullptr}, {0, 0, 0}, 0};
        ask(LiteralText::label(message), how);
    });
    setChoiceHandler([](const std::string& question, const char* b0, const char* b1, const char* b2) {
        TRACE_MSG(4, "Dialogs::choice") << "Question: " << question;
        // Cancel first: Cancel is both the Return and the Escape answer and
        // stands on the right, the others to its left (b2 before b1).
        const bool cancelFirst = b0 && b1 && b2 && std::string(b0) == "&Cancel";
        const Ask how = cancelFirst ? Ask{"Question", "?", FL_BLUE, {b0, b2, b1}, {0, 2, 1}, 0}
                                    : Ask{"Question", "?", FL_BLUE, {b0, b1, b2}, {0, 1, 2}, b1 ? 1 : 0};
        const int answer = ask(LiteralText::label(question), how);
        const char* buttons[] = {b0, b1, b2};
        TRACE_MSG(4, "Dialogs::choice") << "Answer: " << (answer >= 0 && answer <= 2 && buttons[answer] ? buttons[answer] : "");
        return answer;
    });
    setProgressHandler(&ProgressWindow::report);
    setButtonsHandler([](const std::string& question, const std::vector<std::string>& names, int defaultButton,
                         int cancelButton) {
        TRACE_MSG(4, "Dialogs::choose") << "Question: " << question;
        const int answer = askWithButtons(LiteralText::label(question), names, defaultButton, cancelButton);
        TRACE_MSG(4, "Dialogs::choose")
            << "Answer: " << (answer >= 0 && answer < static_cast<int>(names.size()) ? names[answer] : "");
        return answer;
    });
    setFileHandler([](const FileRequest& request) {
        Fl_Native_File_Chooser chooser(request.folder ? Fl_Native_File_Chooser::BROWSE_DIRECTORY
                                       : request.save ? Fl_Native_File_Chooser::BROWSE_SAVE_FILE
                                                      : Fl_Native_File_Chooser::BROWSE_FILE);
        chooser.title(request.title.c_str());
        if (!request.filter.empty()) chooser.filter(request.filter.c_str());
        if (request.save) chooser.options(Fl_Native_File_Chooser::SAVEAS_CONFIRM | Fl_Native_File_Chooser::NEW_FOLDER);
        // A file name is preset with its whole path: the toolkit's own chooser
        // reads a bare name against the working folder, whatever folder it was
        // given; the GTK and Windows choosers take the name from it. A folder
        // alone is only opened.
        const std::size_t slash = request.defaultPath.find_last_of("/\\");
        if (slash != std::string::npos) chooser.directory(request.defaultPath.substr(0, slash).c_str());
        if (!request.defaultPath.empty() && slash + 1 != request.defaultPath.size())
            chooser.preset_file(request.defaultPath.c_str());
        if (chooser.show() != 0 || !chooser.filename()) return std::string();
        return std::string(chooser.filename());
    });
}
