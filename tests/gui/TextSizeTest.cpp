// The text size: every window and dialog is laid out at its designed size
// times the chosen factor (places, sizes, label and text sizes), as large as
// the screen holds, and Ctrl+plus, Ctrl+minus and Ctrl+0 change it in the
// main window and in the preferences file.
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <FL/Fl_Browser_.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Input_.H>
#include <FL/Fl_Menu_.H>
#include <FL/Fl_Pack.H>
#include <FL/Fl_Table.H>
#include <FL/Fl_Text_Display.H>

#include "MainWindowFixture.h"
#include "app/Dialogs.h"
#include "ui/main/PreferencesWindow.h"
#include "ui/main/ReportWindow.h"
#include "ui/main/TextScale.h"
#include "ui/measurements/HistoryTableWindow.h"
#include "ui/measurements/NewEntryWindow.h"
#include "ui/measurements/VariablePropertiesWindow.h"

namespace {

const std::string kPulse =
    "\t<variable name=\"Pulse\"><normalLow>55</normalLow><normalHigh>95</normalHigh><panicLow/><panicHigh/>\n"
    "\t\t<entry id=\"0\"><date>2026/11/01</date><time>08:00:00 AM</time><value>70</value></entry>\n"
    "\t\t<entry id=\"1\"><date>2026/11/02</date><time>08:00:00 AM</time><value>74</value></entry>\n"
    "\t</variable>\n";

// One widget as laid out: place, size and the sizes of its texts.
struct Laid {
    int x, y, w, h;
    int label;
    int text;  // 0 for a widget without text of its own
};

int textSizeOf(Fl_Widget& w) {
    if (Fl_Input_* i = dynamic_cast<Fl_Input_*>(&w)) return i->textsize();
    if (Fl_Browser_* b = dynamic_cast<Fl_Browser_*>(&w)) return b->textsize();
    if (Fl_Menu_* m = dynamic_cast<Fl_Menu_*>(&w)) return m->textsize();
    if (Fl_Text_Display* t = dynamic_cast<Fl_Text_Display*>(&w)) return t->textsize();
    return 0;
}

// The window and every widget in it, parents before children (not the
// scroll bars lists and text areas place themselves, by what they show).
void layOut(Fl_Widget& w, std::vector<Laid>& out) {
    // A pack takes the size of what it holds when drawn, and places it one
    // after the other in a row as high as itself: the widths of its
    // children say it all.
    const bool pack = dynamic_cast<Fl_Pack*>(&w) != nullptr;
    const bool packed = w.parent() && dynamic_cast<Fl_Pack*>(w.parent());
    out.push_back({packed ? 0 : w.x(), packed ? 0 : w.y(), pack ? 0 : w.w(), pack || packed ? 0 : w.h(),
                   w.labelsize(), textSizeOf(w)});
    if (dynamic_cast<Fl_Browser_*>(&w) || dynamic_cast<Fl_Text_Display*>(&w) || dynamic_cast<Fl_Table*>(&w)) return;
    Fl_Group* g = w.as_group();
    for (int i = 0; g && i < g->children(); ++i) layOut(*g->child(i), out);
}

std::vector<Laid> layoutOf(Fl_Window& window) {
    std::vector<Laid> out;
    out.push_back({0, 0, window.w(), window.h(), window.labelsize(), 0});
    for (int i = 0; i < window.children(); ++i) layOut(*window.child(i), out);
    return out;
}

// Whether b is a laid out at factor f, within a pixel for rounding.
::testing::AssertionResult scaledBy(const std::vector<Laid>& a, const std::vector<Laid>& b, double f) {
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << a.size() << " widgets at 100 %, " << b.size() << " scaled";
    const auto near = [f](int designed, int scaled) { return std::abs(std::lround(designed * f) - scaled) <= 1; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        const Laid& d = a[i];
        const Laid& s = b[i];
        if (!near(d.x, s.x) || !near(d.y, s.y) || !near(d.w, s.w) || !near(d.h, s.h) || !near(d.label, s.label) ||
            !near(d.text, s.text))
            return ::testing::AssertionFailure()
                   << "widget " << i << ": " << d.x << "," << d.y << " " << d.w << "x" << d.h << " label " << d.label
                   << " text " << d.text << " became " << s.x << "," << s.y << " " << s.w << "x" << s.h << " label "
                   << s.label << " text " << s.text;
    }
    return ::testing::AssertionSuccess();
}

template <class Window>
Window* shown() {
    for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w))
        if (Window* found = dynamic_cast<Window*>(w)) return found;
    return nullptr;
}

}  // namespace

class TextSizeTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        writeUsers({{0, "Ada", "Lovelace", kPulse}});
    }
    void TearDown() override {
        TextScale::setPercent(100);
        MainWindowFixture::TearDown();
    }

    // The main window (small enough to fit the test screen at 150 %) with
    // the user open.
    void openAt(int percent) {
        TextScale::setPercent(percent);
        openWindow(840, 640);
        chooseLine(1);
        Fl::check();
    }

    void closeMain() {
        delete win;
        win = nullptr;
        Fl::check();
    }

    // The layout of the window open() shows, at 100 % and at 150 %; a
    // window the main window does not own is deleted after.
    enum class Owner { MainWindow, Test };
    void compare(const char* name, Owner owner, const std::function<Fl_Window*()>& open) {
        std::vector<Laid> at100, at150;
        for (int percent : {100, 150}) {
            openAt(percent);
            Fl_Window* w = open();
            ASSERT_NE(w, nullptr) << name;
            Fl::check();
            (percent == 100 ? at100 : at150) = layoutOf(*w);
            w->hide();
            if (owner == Owner::Test) delete w;
            closeMain();
        }
        EXPECT_GE(at150.size(), 2u) << name;
        EXPECT_TRUE(scaledBy(at100, at150, 1.5)) << name;
    }
};

TEST_F(TextSizeTest, EveryWindowIsLaidOutAtOneAndAHalfTimesItsDesignedSize) {
    compare("main window", Owner::MainWindow, [this] { return win; });
    compare("entry", Owner::Test, [this] { return new NewEntryWindow(win, "Add an entry", "Vitals", "Pulse"); });
    compare("history", Owner::Test, [this] { return HistoryTableWindow::showFor(win, "Pulse", 800, 600); });
    compare("properties", Owner::Test,
            [this] { return new VariablePropertiesWindow(win, 300, "Pulse", "Properties for Pulse"); });
    compare("information", Owner::MainWindow, [this] {
        pickMenu("Edit/Information");
        return theInfoWindow();
    });
    compare("preferences", Owner::MainWindow, [this] {
        pickMenu("Edit/Preferences\342\200\246");
        return shown<PreferencesWindow>();
    });
    compare("report period", Owner::MainWindow, [this] {
        pickMenu("File/Report for the Doctor\342\200\246");
        return shown<ReportWindow>();
    });
    compare("help", Owner::MainWindow, [this] {
        pickMenu("Help/Help on Quorvel");
        return win->helpWindow;
    });
}

TEST_F(TextSizeTest, TheQuestionsAreLaidOutAtTheTextSize) {
    std::vector<Laid> at[2];
    int i = 0;
    for (int percent : {100, 150}) {
        TextScale::setPercent(percent);
        Dialogs::useToolkitDialogs();
        // The question waits for its answer: the layout is read, and the
        // dialog closed, once it shows.
        Fl::add_timeout(0.0, [](void* laid) {
            Fl_Window* question = Fl::modal();
            if (!question) return;
            *static_cast<std::vector<Laid>*>(laid) = layoutOf(*question);
            question->hide();
        }, &at[i]);
        Dialogs::choice("Do you really want to remove user:\nAda Lovelace?", nullptr, "&Cancel", "Remove");
        ++i;
    }
    ASSERT_FALSE(at[0].empty());
    EXPECT_TRUE(scaledBy(at[0], at[1], 1.5));
}

TEST_F(TextSizeTest, AWindowTooLargeForTheScreenIsMadeAsLargeAsFitsWithEveryControlOnIt) {
    int sx = 0, sy = 0, sw = 0, sh = 0;
    Fl::screen_work_area(sx, sy, sw, sh);
    TextScale::setPercent(200);
    // Designed at the whole screen: twice that cannot be.
    openWindow(sw, sh - 100);
    EXPECT_LE(win->w(), sw);
    EXPECT_LE(win->h(), sh);
    EXPECT_GE(win->x(), sx);
    EXPECT_LE(win->x() + win->w(), sx + sw);
    EXPECT_DOUBLE_EQ(win->layoutFactor(), 1.0);
    // A dialog's designed size fits many times over: it is laid out at 200 %.
    EXPECT_DOUBLE_EQ(TextScale::fittingFactor(380, 335, sw, sh), 2.0);
    // Halfway: as much as the screen holds, never less than designed.
    EXPECT_DOUBLE_EQ(TextScale::fittingFactor(sw / 2, sh / 4, sw, sh), 2.0);
    EXPECT_NEAR(TextScale::fittingFactor(sw * 2 / 3, sh / 4, sw, sh), 1.5, 0.01);
    EXPECT_DOUBLE_EQ(TextScale::fittingFactor(sw * 2, sh, sw, sh), 1.0);
}

// A key as the toolkit delivers it to the main window.
void press(Fl_Window* win, int key, int state, const char* text) {
    Fl::e_keysym = key;
    Fl::e_state = state;
    Fl::e_text = const_cast<char*>(text);
    Fl::e_length = static_cast<int>(std::strlen(text));
    Fl::handle(FL_KEYBOARD, win);
    Fl::e_keysym = 0;
    Fl::e_state = 0;
    Fl::e_length = 0;
    Fl::check();
}

TEST_F(TextSizeTest, CtrlPlusMinusAndZeroChangeTheTextSizeAndSaveIt) {
    // Small enough to be laid out at every size on the test screen.
    openWindow(600, 400);
    chooseLine(1);
    Fl::check();
    const std::vector<Laid> designed = layoutOf(*win);
    const auto press = [this](int key, int state, const char* text) {
        Fl::e_keysym = key;
        Fl::e_state = state;
        Fl::e_text = const_cast<char*>(text);
        Fl::e_length = static_cast<int>(std::strlen(text));
        Fl::handle(FL_KEYBOARD, win);
        Fl::e_keysym = 0;
        Fl::e_state = 0;
        Fl::e_length = 0;
        Fl::check();
    };
    press('=', FL_CTRL | FL_SHIFT, "+");
    EXPECT_EQ(TextScale::percent(), 125);
    EXPECT_NE(data->read("preferences.xml").find("<textSize>125</textSize>"), std::string::npos);
    EXPECT_TRUE(scaledBy(designed, layoutOf(*win), 1.25));
    press(FL_KP + '+', FL_CTRL, "+");
    press('=', FL_CTRL, "=");
    EXPECT_EQ(TextScale::percent(), 175);
    press('-', FL_CTRL, "-");
    EXPECT_EQ(TextScale::percent(), 150);
    EXPECT_NE(data->read("preferences.xml").find("<textSize>150</textSize>"), std::string::npos);
    // Larger than the largest and back: the designed layout comes back
    // exactly, however often it was laid out in between.
    for (int i = 0; i < 4; ++i) press('=', FL_CTRL, "=");
    EXPECT_EQ(TextScale::percent(), 200);
    press('0', FL_CTRL, "0");
    EXPECT_EQ(TextScale::percent(), 100);
    EXPECT_TRUE(scaledBy(designed, layoutOf(*win), 1.0));
    EXPECT_NE(data->read("preferences.xml").find("<textSize>100</textSize>"), std::string::npos);
}

TEST_F(TextSizeTest, ThePreferencesWindowChangesTheTextSize) {
    openAt(100);
    pickMenu("Edit/Preferences\342\200\246");
    PreferencesWindow* p = shown<PreferencesWindow>();
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->textSize->size(), 6);  // five sizes and the end
    EXPECT_STREQ(p->textSize->text(0), "100 %");
    EXPECT_STREQ(p->textSize->text(4), "200 %");
    EXPECT_EQ(p->textSize->value(), 0);
    p->textSize->value(2);
    p->okButton->do_callback();
    EXPECT_EQ(TextScale::percent(), 150);
    EXPECT_NE(data->read("preferences.xml").find("<textSize>150</textSize>"), std::string::npos);
    EXPECT_EQ(win->units().textSize, 150);
    EXPECT_DOUBLE_EQ(win->layoutFactor(), 1.5);
}

TEST_F(TextSizeTest, AMainWindowFillingTheScreenKeepsFillingItAtEverySize) {
    int sx = 0, sy = 0, sw = 0, sh = 0;
    Fl::screen_work_area(sx, sy, sw, sh);
    openWindow(sw - 20, sh - 40);
    const int menuText = win->menuBar->textsize();
    press(win, '=', FL_CTRL, "=");
    EXPECT_EQ(TextScale::percent(), 125);
    EXPECT_EQ(win->menuBar->textsize(), std::lround(menuText * win->layoutFactor()));
    EXPECT_GT(win->menuBar->textsize(), menuText);
    for (int i = 0; i < 3; ++i) press(win, '=', FL_CTRL, "=");
    EXPECT_EQ(TextScale::percent(), 200);
    // As large as the screen holds, all of it on the screen.
    EXPECT_GT(win->layoutFactor(), 1.0);
    EXPECT_LE(win->layoutFactor(), 2.0);
    EXPECT_LE(win->x() + win->w(), sx + sw);
    EXPECT_LE(win->y() + win->h(), sy + sh);
    for (int i = 0; i < win->children(); ++i) {
        const Fl_Widget* c = win->child(i);
        EXPECT_LE(c->x() + c->w(), win->w()) << i;
        EXPECT_LE(c->y() + c->h(), win->h()) << i;
    }
    press(win, '0', FL_CTRL, "0");
    EXPECT_EQ(win->menuBar->textsize(), menuText);
    EXPECT_GE(win->w(), sw - 40);
}
