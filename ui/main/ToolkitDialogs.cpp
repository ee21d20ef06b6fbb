// The toolkit's own dialogs behind the Dialogs seam.
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
}
