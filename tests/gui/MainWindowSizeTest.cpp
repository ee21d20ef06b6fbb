// The main window's size: a smallest size at which everything stays usable,
// and a shrink and restore that give back the very same window.
#include "MainWindowFixture.h"

#include <FL/fl_draw.H>
#include <FL/x.H>
#include <FL/Fl_Scrollbar.H>

#include "ui/chart/MyChart.h"

namespace {

class MainWindowSizeTest : public MainWindowFixture {
protected:
    // The window's own drawing: every widget drawn into an off-screen image
    // of the window's size and read back from there. The display is shared
    // with other test programs whose windows may lie over this one, so the
    // screen is never read.
    std::vector<uchar> picture() {
        Fl::flush();
        XSync(fl_display, False);
        Fl::check();
        win->make_current();
        Fl_Offscreen off = fl_create_offscreen(win->w(), win->h());
        fl_begin_offscreen(off);
        win->damage(FL_DAMAGE_ALL);  // a full draw, not only the changed widgets
        static_cast<Fl_Widget*>(win)->draw();  // public in the base class
        std::vector<uchar> pixels(static_cast<std::size_t>(win->w()) * win->h() * 3);
        fl_read_image(pixels.data(), 0, 0, win->w(), win->h());
        fl_end_offscreen();
        fl_delete_offscreen(off);
        return pixels;
    }

    void resizeTo(int w, int h) {
        win->resize(win->x(), win->y(), w, h);
        Fl::flush();
        XSync(fl_display, False);
        Fl::check();
    }

    // Every widget's place, depth first (a list's scroll bars are placed
    // when it is drawn; they are left out).
    static void places(Fl_Widget* w, std::vector<std::string>& out) {
        if (dynamic_cast<Fl_Scrollbar*>(w)) return;
        out.push_back(std::to_string(w->x()) + "," + std::to_string(w->y()) + " " + std::to_string(w->w()) + "x" +
                      std::to_string(w->h()) + " " + (w->label() ? w->label() : ""));
        if (Fl_Group* g = w->as_group())
            for (int i = 0; i < g->children(); ++i) places(g->child(i), out);
    }
};

}  // namespace

TEST_F(MainWindowSizeTest, ShrinkingAndRestoringGivesBackTheSameWindow) {
    writeUsers({{0, "Ann", "Lee",
                 "\t<variable name=\"Pulse\"><entry id=\"0\"><value>70</value><date>2026/11/1</date>"
                 "<time>08:00:00 AM</time></entry><entry id=\"1\"><value>80</value><date>2026/11/3</date>"
                 "<time>08:00:00 AM</time></entry></variable>\n"}});
    openWindow(1100, 800);
    chooseLine(1);
    pick(win->multiDisplayMenu, win->multiDisplayMenu->find_item("Vitals/Pulse"));
    const std::vector<uchar> before = picture();
    std::vector<std::string> placesBefore;
    places(win, placesBefore);

    resizeTo(400, 300);
    resizeTo(1100, 800);

    std::vector<std::string> placesAfter;
    places(win, placesAfter);
    EXPECT_EQ(placesAfter, placesBefore);
    const std::vector<uchar> after = picture();
    ASSERT_EQ(after.size(), before.size());
    std::size_t differ = 0;
    for (std::size_t i = 0; i < after.size(); ++i)
        if (after[i] != before[i]) ++differ;
    EXPECT_EQ(differ, 0u);
}

TEST_F(MainWindowSizeTest, TheWindowCannotBeMadeSmallerThanItsUsableSize) {
    writeUsers({{0, "Ann", "Lee", ""}});
    openWindow();
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_NE(XGetWMNormalHints(fl_display, fl_xid(win), &hints, &supplied), 0);
    ASSERT_TRUE(hints.flags & PMinSize);
    EXPECT_EQ(hints.min_width, 920);
    EXPECT_EQ(hints.min_height, 640);
}
