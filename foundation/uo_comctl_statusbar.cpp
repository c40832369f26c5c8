#include "foundation/uo_comctl_statusbar.h"

#include "runtime/ui/qt_text.h"

#include <QPaintEngine>
#include <QPainter>
#include <QWidget>
#include <qdrawutil.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr unsigned long simple_part = 255; // the part index of the simple mode's text

// The bar's message numbers, fixed: the public variables of the same names
// are there for callers to read and are never consulted here.
constexpr long SB_SETTEXT = 1025, SB_GETTEXT = 1026, SB_GETTEXTLENGTH = 1027, SB_SETPARTS = 1028,
               SB_GETPARTS = 1030, SB_GETBORDERS = 1031, SB_SETMINHEIGHT = 1032, SB_SIMPLE = 1033,
               SB_GETRECT = 1034;
constexpr int border_h = 0, border_v = 2, border_between = 2;

} // namespace

uo_comctl_statusbar::uo_comctl_statusbar(rt::Container* parent, rt::Rect r) : rt::UserObject(parent, r) {
    set_backcolor(rt::colours::button_face);
}

// The bar's messages, answered as the desktop's status bar answers them.
long uo_comctl_statusbar::send(long msg, unsigned long wparam, void* lparam) {
    const int width_px = widget() ? widget()->width() : 0;
    const int height_px = widget() ? widget()->height() : 0;
    if (msg == SB_SETPARTS) {
        if (wparam == 0 || wparam > 256 || !lparam) return 0;
        const auto* edges = static_cast<const long*>(lparam);
        parts_.assign(edges, edges + wparam);
        texts_.resize(wparam);
        update();
        return 1;
    }
    if (msg == SB_GETPARTS) {
        auto* out = static_cast<long*>(lparam);
        for (std::size_t i = 0; out && i < parts_.size() && i < wparam; ++i) out[i] = parts_[i];
        return static_cast<long>(parts_.size());
    }
    if (msg == SB_SETTEXT) {
        const unsigned long part = wparam & 0xFF;
        const std::string text = lparam ? *static_cast<const std::string*>(lparam) : std::string();
        if (part == simple_part) {
            simple_text_ = text;
            update();
        } else if (part < texts_.size()) {
            if (texts_[part] == text) return 1;
            texts_[part] = text;
            // Only the part repaints: a loop that writes its progress into
            // one part after every row keeps the others' drawing to itself.
            rect r;
            if (!simple_ && widget() && send(SB_GETRECT, part, &r))
                widget()->update(QRect(static_cast<int>(r.left), 0, static_cast<int>(r.right - r.left), height_px));
            else update();
        } else {
            return 0;
        }
        return 1;
    }
    if (msg == SB_GETTEXT || msg == SB_GETTEXTLENGTH) {
        const unsigned long part = wparam & 0xFF;
        const std::string* t = part == simple_part ? &simple_text_ : part < texts_.size() ? &texts_[part] : nullptr;
        if (!t) return 0;
        if (msg == SB_GETTEXT && lparam) *static_cast<std::string*>(lparam) = *t;
        return static_cast<long>(t->size() & 0xFFFF);
    }
    if (msg == SB_SIMPLE) {
        simple_ = wparam != 0;
        update();
        return 1;
    }
    if (msg == SB_SETMINHEIGHT) {
        minheight_ = static_cast<long>(wparam);
        return 0;
    }
    if (msg == SB_GETRECT) {
        if (wparam >= parts_.size() || !lparam) return 0;
        auto* r = static_cast<rect*>(lparam);
        r->left = wparam == 0 ? 0 : parts_[wparam - 1] + border_between;
        r->right = parts_[wparam] < 0 ? width_px : parts_[wparam];
        r->top = border_v;
        r->bottom = height_px;
        return 1;
    }
    if (msg == SB_GETBORDERS) {
        auto* out = static_cast<long*>(lparam);
        if (!out) return 0;
        out[0] = border_h;
        out[1] = border_v;
        out[2] = border_between;
        return 1;
    }
    return 0;
}

void uo_comctl_statusbar::of_gettext(int aipart, std::string& astext) {
    astext.clear();
    send(SB_GETTEXT, static_cast<unsigned long>(aipart), &astext);
}

long uo_comctl_statusbar::of_getparts(std::vector<long>& alparts) {
    std::vector<long> buf(255, 0);
    const long n = send(SB_GETPARTS, 255, buf.data());
    // The bar may hold one part more than the buffer asks for: only the
    // edges it wrote are taken.
    if (n > 0) alparts.assign(buf.begin(), buf.begin() + std::min<long>(n, static_cast<long>(buf.size())));
    return n;
}

bool uo_comctl_statusbar::of_setparts(const std::vector<long>& alparts) {
    if (alparts.empty()) return false;
    std::vector<long> copy = alparts;
    return send(SB_SETPARTS, copy.size(), copy.data()) != 0;
}

bool uo_comctl_statusbar::of_settext(int aipart, const std::string& astext) {
    std::string copy = astext;
    return send(SB_SETTEXT, static_cast<unsigned long>(aipart), &copy) != 0;
}

bool uo_comctl_statusbar::of_setsimple(rt::nbool absimple) {
    return send(SB_SIMPLE, absimple.value_or(false) ? 1 : 0, nullptr) > 0;
}

void uo_comctl_statusbar::of_setminheight(long alminheight) {
    send(SB_SETMINHEIGHT, static_cast<unsigned long>(alminheight), nullptr);
}

int uo_comctl_statusbar::of_gettextlength(long alpart) {
    return static_cast<int>(send(SB_GETTEXTLENGTH, static_cast<unsigned long>(alpart), nullptr) & 0xFFFF);
}

bool uo_comctl_statusbar::of_getrect(long alpart, long& altop, long& alleft, long& alright, long& albottom) {
    rect r;
    if (send(SB_GETRECT, static_cast<unsigned long>(alpart), &r) == 0) return false;
    altop = r.top;
    alleft = r.left;
    alright = r.right;
    albottom = r.bottom;
    return true;
}

bool uo_comctl_statusbar::of_getborders(long& alhorizontalwidth, long& alverticalwidth, int& alseperatorwidth) {
    long b[3] = {0, 0, 0};
    if (send(SB_GETBORDERS, 0, b) == 0) return false;
    alhorizontalwidth = b[0];
    alverticalwidth = b[1];
    alseperatorwidth = static_cast<int>(b[2]);
    return true;
}

void uo_comctl_statusbar::paint(QPainter& p) {
    const QWidget* w = widget();
    const QPalette& pal = w->palette();
    p.setFont(w->font());
    auto part = [&](const QRect& r, const std::string& text) {
        qDrawShadePanel(&p, r, pal, true, 1);
        p.setPen(pal.color(QPalette::WindowText));
        p.drawText(r.adjusted(3, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, rt::qstr(text));
    };
    if (simple_) {
        part(QRect(0, border_v, w->width(), w->height() - border_v), simple_text_);
        return;
    }
    // What this paint may change, in device pixels; empty when unknown.
    const QRegion exposed = p.paintEngine() ? p.paintEngine()->systemClip() : QRegion();
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        rect r;
        send(SB_GETRECT, i, &r);
        const QRect area(static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right - r.left),
                         static_cast<int>(r.bottom - r.top));
        if (!exposed.isEmpty() && !exposed.intersects(p.deviceTransform().mapRect(area.adjusted(0, -border_v, 0, 0))))
            continue;
        part(area, texts_[i]);
    }
}
