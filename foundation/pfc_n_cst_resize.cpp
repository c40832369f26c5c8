#include "foundation/pfc_n_cst_resize.h"

#include "runtime/ui/control.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The geometry the service keeps: x, y, width, height of a control or
// shape; begin x, begin y, end x, end y of a line.
struct Geometry {
    int a = 0, b = 0, c = 0, d = 0;
};

Geometry read_geometry(rt::WindowObject* o) {
    if (auto* line = dynamic_cast<rt::Line*>(o)) return {line->beginx(), line->beginy(), line->endx(), line->endy()};
    if (auto* c = dynamic_cast<rt::Control*>(o)) return {c->x(), c->y(), c->width(), c->height()};
    return {};
}

} // namespace

int pfc_n_cst_resize::of_setorigsize(rt::nlong ai_width, rt::nlong ai_height) {
    if (!ai_width || !ai_height) return -1;
    il_parentprevwidth = *ai_width;
    il_parentprevheight = *ai_height;
    return 1;
}

int pfc_n_cst_resize::of_setminsize(rt::nlong ai_minwidth, rt::nlong ai_minheight) {
    if (!ai_minwidth || !ai_minheight) return -1;
    if (il_parentprevwidth == -1 && il_parentprevheight == -1) return -1;
    il_parentminimumwidth = *ai_minwidth;
    il_parentminimumheight = *ai_minheight;
    return 1;
}

int pfc_n_cst_resize::of_register(rt::WindowObject* awo_control, const rt::nstring& as_method) {
    if (!awo_control || !as_method) return -1;
    struct Mode {
        const char* name;
        int movex, movey, scalewidth, scaleheight;
        bool scale;
    };
    static const Mode modes[] = {
        {fixedright, 100, 0, 0, 0, false},          {fixedbottom, 0, 100, 0, 0, false},
        {fixedrightbottom, 100, 100, 0, 0, false},  {scale, 0, 0, 0, 0, true},
        {scaleright, 0, 0, 100, 0, false},          {scalebottom, 0, 0, 0, 100, false},
        {scalerightbottom, 0, 0, 100, 100, false},  {fixedright_scalebottom, 100, 0, 0, 100, false},
        {fixedbottom_scaleright, 0, 100, 100, 0, false},
    };
    const std::string method = lower(*as_method);
    for (const Mode& m : modes)
        if (method == lower(m.name))
            return of_register(awo_control, m.scale, m.movex, m.movey, m.scalewidth, m.scaleheight);
    return -1;
}

int pfc_n_cst_resize::of_register(rt::WindowObject* awo_control, rt::nlong ai_movex, rt::nlong ai_movey,
                                  rt::nlong ai_scalewidth, rt::nlong ai_scaleheight) {
    return of_register(awo_control, false, ai_movex, ai_movey, ai_scalewidth, ai_scaleheight);
}

int pfc_n_cst_resize::of_register(rt::WindowObject* awo_control, rt::nbool ab_scale, rt::nlong ai_movex,
                                  rt::nlong ai_movey, rt::nlong ai_scalewidth, rt::nlong ai_scaleheight) {
    if (!awo_control || !ab_scale || !ai_movex || !ai_movey || !ai_scalewidth || !ai_scaleheight) return -1;
    for (long p : {*ai_movex, *ai_movey, *ai_scalewidth, *ai_scaleheight})
        if (p < 0 || p > 100) return -1;
    long movex = *ai_movex, movey = *ai_movey, scalewidth = *ai_scalewidth, scaleheight = *ai_scaleheight;
    if (*ab_scale) movex = movey = scalewidth = scaleheight = 0;
    if (il_parentprevwidth == -1 && il_parentprevheight == -1) return -1;

    std::size_t slot = inv_registered.size();
    for (std::size_t i = 0; i < inv_registered.size(); ++i) {
        const auto& r = inv_registered[i];
        if (!r.wo_control.valid()) {
            if (slot == inv_registered.size()) slot = i;
        } else if (r.wo_control.is(awo_control)) {
            return -1;
        }
    }
    const std::string kind = of_typeof(awo_control);
    if (kind != dragobject && kind != line && kind != oval && kind != rectangle && kind != roundrectangle)
        return -1;
    const Geometry g = read_geometry(awo_control);

    if (slot == inv_registered.size()) inv_registered.emplace_back();
    pfc_n_cst_resizeattrib& r = inv_registered[slot];
    r = pfc_n_cst_resizeattrib{};
    r.wo_control = rt::ObjectRef(awo_control);
    r.s_classname = awo_control->class_name();
    r.s_typeof = kind;
    r.b_scale = *ab_scale;
    r.i_movex = static_cast<int>(movex);
    r.i_movey = static_cast<int>(movey);
    r.i_scalewidth = static_cast<int>(scalewidth);
    r.i_scaleheight = static_cast<int>(scaleheight);
    r.b_movex = movex > 0;
    r.b_movey = movey > 0;
    r.b_scalewidth = scalewidth > 0;
    r.b_scaleheight = scaleheight > 0;
    r.r_x = static_cast<float>(g.a);
    r.r_y = static_cast<float>(g.b);
    r.r_width = static_cast<float>(g.c);
    r.r_height = static_cast<float>(g.d);
    return 1;
}

std::string pfc_n_cst_resize::of_typeof(rt::WindowObject* awo_control) const {
    if (!awo_control) return "!";
    switch (awo_control->type_of()) {
    case rt::ObjectType::dragobject: return dragobject;
    case rt::ObjectType::line: return line;
    case rt::ObjectType::oval: return oval;
    case rt::ObjectType::rectangle: return rectangle;
    case rt::ObjectType::roundrectangle: return roundrectangle;
    case rt::ObjectType::mdiclient: return mdiclient;
    case rt::ObjectType::other: break;
    }
    return "!";
}

int pfc_n_cst_resize::pfc_resize(unsigned long, rt::nlong ai_newwidth, rt::nlong ai_newheight) {
    return of_resize(ai_newwidth, ai_newheight);
}

int pfc_n_cst_resize::of_resize(rt::nlong ai_newwidth, rt::nlong ai_newheight) {
    if (il_parentprevwidth == -1 && il_parentprevheight == -1) return -1;
    if (!ai_newwidth || !ai_newheight) return -1;
    long newwidth = std::max<long>(*ai_newwidth, il_parentminimumwidth);
    long newheight = std::max<long>(*ai_newheight, il_parentminimumheight);
    const long dw = newwidth - il_parentprevwidth;
    const long dh = newheight - il_parentprevheight;
    const long prevw = il_parentprevwidth == 0 ? 1 : il_parentprevwidth;
    const long prevh = il_parentprevheight == 0 ? 1 : il_parentprevheight;
    const float wratio = static_cast<float>(newwidth) / static_cast<float>(prevw);
    const float hratio = static_cast<float>(newheight) / static_cast<float>(prevh);
    if (dw == 0 && dh == 0) return 1;
    il_parentprevwidth = newwidth;
    il_parentprevheight = newheight;

    for (auto& r : inv_registered) {
        rt::WindowObject* o = r.wo_control.get();
        if (!o) continue;
        auto* line_obj = dynamic_cast<rt::Line*>(o);
        auto* control = dynamic_cast<rt::Control*>(o);
        const Geometry g = read_geometry(o);
        // Changes made by other code are taken over; small differences are
        // rounding of units to pixels.
        if (std::abs(r.r_x - static_cast<float>(g.a)) > static_cast<float>(ii_rounding)) r.r_x = static_cast<float>(g.a);
        if (std::abs(r.r_y - static_cast<float>(g.b)) > static_cast<float>(ii_rounding)) r.r_y = static_cast<float>(g.b);
        if (std::abs(r.r_width - static_cast<float>(g.c)) > static_cast<float>(ii_rounding) && g.c > r.i_widthmin)
            r.r_width = static_cast<float>(g.c);
        if (std::abs(r.r_height - static_cast<float>(g.d)) > static_cast<float>(ii_rounding) && g.d > r.i_heightmin)
            r.r_height = static_cast<float>(g.d);

        float moveright = 0, movedown = 0, widen = 0, heighten = 0;
        if (r.b_scale) {
            moveright = r.r_x * wratio - r.r_x;
            movedown = r.r_y * hratio - r.r_y;
            widen = r.r_width * wratio - r.r_width;
            heighten = r.r_height * hratio - r.r_height;
        } else {
            if (r.b_movex) moveright = static_cast<float>(static_cast<double>(dw * r.i_movex) / 100.0);
            if (r.b_movey) movedown = static_cast<float>(static_cast<double>(dh * r.i_movey) / 100.0);
            if (r.b_scalewidth) widen = static_cast<float>(static_cast<double>(dw * r.i_scalewidth) / 100.0);
            if (r.b_scaleheight) heighten = static_cast<float>(static_cast<double>(dh * r.i_scaleheight) / 100.0);
        }

        if (moveright != 0 || movedown != 0) {
            r.r_x += moveright;
            r.r_y += movedown;
            if (line_obj) {
                line_obj->set_beginx(static_cast<int>(r.r_x));
                line_obj->set_beginy(static_cast<int>(r.r_y));
                r.r_width += moveright;
                r.r_height += movedown;
                line_obj->set_endx(static_cast<int>(r.r_width));
                line_obj->set_endy(static_cast<int>(r.r_height));
            } else if (control) {
                control->Move(static_cast<int>(r.r_x), static_cast<int>(r.r_y));
            }
        }
        if (widen != 0 || heighten != 0) {
            r.r_width += widen;
            r.r_height += heighten;
            if (line_obj) {
                line_obj->set_endx(static_cast<int>(r.r_width));
                line_obj->set_endy(static_cast<int>(r.r_height));
            } else if (control) {
                control->Resize(static_cast<int>(r.r_width), static_cast<int>(r.r_height));
                const int aw = control->width(), ah = control->height();
                r.i_widthmin = static_cast<float>(aw) > r.r_width ? aw : 0;
                r.i_heightmin = static_cast<float>(ah) > r.r_height ? ah : 0;
            }
        }
    }
    return 1;
}

int pfc_n_cst_resize::of_unregister(rt::WindowObject* awo_control) {
    if (!awo_control) return -1;
    if (il_parentprevwidth == -1 && il_parentprevheight == -1) return -1;
    for (auto& r : inv_registered)
        if (r.wo_control.is(awo_control)) {
            r.wo_control.reset();
            r.s_typeof.clear();
            r.b_movex = r.b_movey = r.b_scalewidth = r.b_scaleheight = false;
            r.i_movex = r.i_movey = r.i_scalewidth = r.i_scaleheight = 0;
            return 1;
        }
    return -1;
}

int pfc_n_cst_resize::of_getminmaxpoints(const std::vector<rt::WindowObject*>& awo_control, int& ai_min_x,
                                         int& ai_min_y, int& ai_max_x, int& ai_max_y) {
    if (awo_control.empty()) return -1;
    int minx = 32767, miny = 32767, maxx = 0, maxy = 0;
    for (rt::WindowObject* o : awo_control) {
        const std::string kind = of_typeof(o);
        if (kind != dragobject && kind != line && kind != oval && kind != rectangle && kind != roundrectangle)
            return -1;
        const Geometry g = read_geometry(o);
        minx = std::min(minx, g.a);
        miny = std::min(miny, g.b);
        maxx = std::max(maxx, g.a + g.c);
        maxy = std::max(maxy, g.b + g.d);
    }
    ai_min_x = minx;
    ai_min_y = miny;
    ai_max_x = maxx;
    ai_max_y = maxy;
    return 1;
}
