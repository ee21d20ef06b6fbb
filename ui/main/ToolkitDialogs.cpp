// The toolkit's own dialogs behind the Dialogs seam.
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/fl_ask.H>

#include "app/Dialogs.h"
#include "app/LiteralText.h"
#include "app/Trace.h"

void Dialogs::useToolkitDialogs() {
    // Messages carry names and values from the data: shown as they are.
    setAlertHandler([](const std::string& message) { fl_alert("%s", LiteralText::label(message).c_str()); });
    setChoiceHandler([](const std::string& question, const char* b0, const char* b1, const char* b2) {
        TRACE_MSG(4, "Dialogs::choice") << "Question: " << question;
        const int answer = fl_choice("%s", b0, b1, b2, LiteralText::label(question).c_str());
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
