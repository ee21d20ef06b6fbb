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

#include "app/Dialogs.h"
#include "app/LiteralText.h"
#include "app/Trace.h"

namespace {

// A question of three answers whose first (Cancel) is both the Return and
// the Escape answer; fl_choice would give Return to the second.
int askCancelDefault(const std::string& label, const char* b0, const char* b1, const char* b2) {
    fl_font(FL_HELVETICA, FL_NORMAL_SIZE);
    int w = 560, h = 0;
    fl_measure(label.c_str(), w, h);
    w = std::max(w, 360) + 100;  // the label keeps a margin inside its box
    h = std::max(h, 50) + 20;
    Fl_Group* saved = Fl_Group::current();
    Fl_Group::current(nullptr);
    Fl_Window window(w, h + 50, "Question");
    // The icon of the toolkit's own questions.
    Fl_Box icon(10, 10, 50, 50, "?");
    icon.box(FL_THIN_UP_BOX);
    icon.labelfont(FL_TIMES_BOLD);
    icon.labelsize(34);
    icon.color(FL_WHITE);
    icon.labelcolor(FL_BLUE);
    Fl_Box text(70, 10, w - 85, h, nullptr);
    text.label(label.c_str());
    text.align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP | FL_ALIGN_TOP);
    int answer = 0;
    const char* labels[3] = {b0, b2, b1};  // right to left, as fl_choice places them
    const int order[3] = {0, 2, 1};
    Fl_Button* buttons[3] = {};
    for (int i = 0; i < 3; ++i) {
        const int x = w - 100 * (i + 1) - 5;
        buttons[i] = i == 0 ? new Fl_Return_Button(x, h + 12, 90, 26) : new Fl_Button(x, h + 12, 90, 26);
        buttons[i]->label(labels[i]);
        buttons[i]->callback([](Fl_Widget* b, void*) {
            *static_cast<int*>(b->window()->user_data()) = static_cast<int>(b->argument());
            b->window()->hide();
        });
        buttons[i]->argument(order[i]);
    }
    // Escape and the close box answer Cancel too.
    window.callback([](Fl_Widget* win, void*) { win->hide(); });
    window.user_data(&answer);
    window.end();
    window.set_modal();
    Fl_Group::current(saved);
    // Over the window that asks, not wherever the window manager puts it.
    if (Fl_Window* over = Fl::first_window())
        window.position(over->x() + std::max(0, (over->w() - window.w()) / 2),
                        over->y() + std::max(0, (over->h() - window.h()) / 3));
    window.show();
    buttons[0]->take_focus();
    while (window.shown()) Fl::wait();
    return answer;
}

}  // namespace

void Dialogs::useToolkitDialogs() {
    // Messages carry names and values from the data: shown as they are.
    setAlertHandler([](const std::string& message) {
        fl_message_title("Notice");
        fl_alert("%s", LiteralText::label(message).c_str());
    });
    setChoiceHandler([](const std::string& question, const char* b0, const char* b1, const char* b2) {
        TRACE_MSG(4, "Dialogs::choice") << "Question: " << question;
        const bool cancelFirst = b0 && b1 && b2 && std::string(b0) == "&Cancel";
        if (!cancelFirst) fl_message_title("Question");
        const int answer = cancelFirst ? askCancelDefault(LiteralText::label(question), b0, b1, b2)
                                       : fl_choice("%s", b0, b1, b2, LiteralText::label(question).c_str());
        const char* buttons[] = {b0, b1, b2};
        TRACE_MSG(4, "Dialogs::choice") << "Answer: " << (answer >= 0 && answer <= 2 && buttons[answer] ? buttons[answer] : "");
        return answer;
    });
    setFileHandler([](const FileRequest& request) {
        Fl_Native_File_Chooser chooser(request.save ? Fl_Native_File_Chooser::BROWSE_SAVE_FILE
                                                    : Fl_Native_File_Chooser::BROWSE_FILE);
        chooser.title(request.title.c_str());
        if (!request.filter.empty()) chooser.filter(request.filter.c_str());
        if (request.save) chooser.options(Fl_Native_File_Chooser::SAVEAS_CONFIRM | Fl_Native_File_Chooser::NEW_FOLDER);
        const std::size_t slash = request.defaultPath.find_last_of("/\\");
        if (slash != std::string::npos) {
            chooser.directory(request.defaultPath.substr(0, slash).c_str());
            chooser.preset_file(request.defaultPath.substr(slash + 1).c_str());
        } else if (!request.defaultPath.empty()) {
            chooser.preset_file(request.defaultPath.c_str());
        }
        if (chooser.show() != 0 || !chooser.filename()) return std::string();
        return std::string(chooser.filename());
    });
}
