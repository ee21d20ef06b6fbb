#include "ui/main/TextScale.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Input_.H>
#include <FL/Fl_Menu_.H>
#include <FL/Fl_Pack.H>
#include <FL/Fl_Table.H>
#include <FL/Fl_Text_Display.H>
#include <FL/Fl_Tooltip.H>
#include <FL/Fl_Value_Input.H>
#include <FL/Fl_Window.H>

#include "rules/units/TextSize.h"

namespace TextScale {

namespace {

int chosen = TextSize::kDesigned;

// The toolkit's own sizes at 100 %.
const int kScrollbar = 16;
const int kTooltipText = 12;

// A length laid out at factor from, at factor to.
int rescaled(int value, double from, double to) {
    const long designed = std::lround(value / from);
    return static_cast<int>(std::lround(static_cast<double>(designed) * to));
}

// A list's column widths live in an array the window owns (often one array
// for every window of a kind): a laid-out list gets a copy of its own at the
// new size. Each copy remembers the array it was made from, so that a copy
// is never taken for designed widths.
struct ColumnCopies {
    std::map<const int*, const int*> designOf;
    std::map<std::pair<const int*, long>, std::vector<int>> copies;
};

ColumnCopies& columnCopies() {
    static ColumnCopies c;
    return c;
}

void rescaleColumns(Fl_Browser& list, double from, double to) {
    const int* current = list.column_widths();
    if (!current || !*current) return;
    ColumnCopies& c = columnCopies();
    const auto known = c.designOf.find(current);
    const int* designed = known == c.designOf.end() ? current : known->second;
    // A list laid out at 100 % keeps its own array.
    if (std::lround(to * 100) == TextSize::kDesigned) {
        list.column_widths(designed);
        return;
    }
    const std::pair<const int*, long> key(designed, std::lround(to * 100));
    auto copy = c.copies.find(key);
    if (copy == c.copies.end()) {
        std::vector<int> widths;
        for (const int* w = designed; *w; ++w) widths.push_back(rescaled(*w, 1.0, to));
        widths.push_back(0);
        copy = c.copies.emplace(key, std::move(widths)).first;
        c.designOf[copy->second.data()] = designed;
    }
    (void)from;
    list.column_widths(copy->second.data());
}

void rescaleTable(Fl_Table& table, double from, double to) {
    table.col_header_height(rescaled(table.col_header_height(), from, to));
    table.row_header_width(rescaled(table.row_header_width(), from, to));
    for (int r = 0; r < table.rows(); ++r) table.row_height(r, rescaled(table.row_height(r), from, to));
    for (int c = 0; c < table.cols(); ++c) table.col_width(c, rescaled(table.col_width(c), from, to));
}

// The font sizes of one widget: its label's, and the text's of the widgets
// that show text of their own.
void rescaleFonts(Fl_Widget& w, double from, double to) {
    w.labelsize(rescaled(w.labelsize(), from, to));
    if (Fl_Input_* input = dynamic_cast<Fl_Input_*>(&w)) input->textsize(rescaled(input->textsize(), from, to));
    if (Fl_Browser_* list = dynamic_cast<Fl_Browser_*>(&w)) list->textsize(rescaled(list->textsize(), from, to));
    if (Fl_Browser* list = dynamic_cast<Fl_Browser*>(&w)) rescaleColumns(*list, from, to);
    if (Fl_Menu_* menu = dynamic_cast<Fl_Menu_*>(&w)) menu->textsize(rescaled(menu->textsize(), from, to));
    if (Fl_Text_Display* text = dynamic_cast<Fl_Text_Display*>(&w))
        text->textsize(rescaled(text->textsize(), from, to));
    if (Fl_Value_Input* value = dynamic_cast<Fl_Value_Input*>(&w))
        value->textsize(rescaled(value->textsize(), from, to));
    if (Fl_Table* table = dynamic_cast<Fl_Table*>(&w)) rescaleTable(*table, from, to);
    // A row of packed widgets keeps the gaps between them in proportion.
    if (Fl_Pack* pack = dynamic_cast<Fl_Pack*>(&w)) pack->spacing(rescaled(pack->spacing(), from, to));
}

// Widgets made of parts they place themselves (scroll bars, a text area):
// given their own place and size, they lay their parts out.
bool placesItsParts(const Fl_Widget& w) {
    return dynamic_cast<const Fl_Browser_*>(&w) || dynamic_cast<const Fl_Table*>(&w) ||
           dynamic_cast<const Fl_Text_Display*>(&w);
}

struct Place {
    Fl_Widget* widget;
    int x, y, w, h;
};

// Every widget under group with its new place (window coordinates), parents
// before their children; the fonts are changed on the way.
void collect(Fl_Group& group, double from, double to, std::vector<Place>& places, std::vector<Fl_Group*>& groups) {
    groups.push_back(&group);
    for (int i = 0; i < group.children(); ++i) {
        Fl_Widget& child = *group.child(i);
        rescaleFonts(child, from, to);
        // A window inside a window places its children from its own corner.
        places.push_back({&child, rescaled(child.x(), from, to), rescaled(child.y(), from, to),
                          rescaled(child.w(), from, to), rescaled(child.h(), from, to)});
        Fl_Group* inner = child.as_group();
        if (inner && !placesItsParts(child)) collect(*inner, from, to, places, groups);
        else if (inner) {
            // Their parts' fonts still follow (a spinner's field, a table's cells).
            for (int k = 0; k < inner->children(); ++k) rescaleFonts(*inner->child(k), from, to);
        }
    }
}

void workArea(const Fl_Window& window, int& sx, int& sy, int& sw, int& sh) {
    Fl::screen_work_area(sx, sy, sw, sh, window.x() + window.w() / 2, window.y() + window.h() / 2);
}

}  // namespace

int percent() { return chosen; }

double factor() { return chosen / 100.0; }

void setPercent(int p) {
    chosen = TextSize::offered(p) ? p : TextSize::kDesigned;
    Fl::scrollbar_size(px(kScrollbar));
    Fl_Tooltip::size(px(kTooltipText));
}

int px(int designed) { return static_cast<int>(std::lround(designed * factor())); }

double fittingFactor(int width, int height, int sw, int sh) {
    const double wanted = factor();
    if (width <= 0 || height <= 0) return wanted;
    if (width * wanted <= sw && height * wanted <= sh) return wanted;
    const double fits = std::min(static_cast<double>(sw) / width, static_cast<double>(sh) / height);
    return std::max(1.0, std::min(wanted, fits));
}

void rescale(Fl_Window& window, double from, double to) {
    if (from == to) return;
    rescaleFonts(window, from, to);
    std::vector<Place> places;
    std::vector<Fl_Group*> groups;
    collect(window, from, to, places, groups);
    int sx = 0, sy = 0, sw = 0, sh = 0;
    workArea(window, sx, sy, sw, sh);
    const int w = rescaled(window.w(), from, to), h = rescaled(window.h(), from, to);
    // Within the work area, where the window was placed at all.
    int x = window.x(), y = window.y();
    if (x + w > sx + sw) x = std::max(sx, sx + sw - w);
    if (y + h > sy + sh) y = std::max(sy, sy + sh - h);
    window.resize(x, y, w, h);
    for (const Place& p : places) p.widget->resize(p.x, p.y, p.w, p.h);
    // A later resize (the person's) starts from this layout.
    for (Fl_Group* g : groups) g->init_sizes();
    window.redraw();
}

double fit(Fl_Window& window) {
    int sx = 0, sy = 0, sw = 0, sh = 0;
    workArea(window, sx, sy, sw, sh);
    const double f = fittingFactor(window.w(), window.h(), sw, sh);
    rescale(window, 1.0, f);
    return f;
}

}  // namespace TextScale
