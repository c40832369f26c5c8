// The resize service: keeps registered controls in place relative to the
// right and bottom edges of their window, or stretches them, as the
// window's work space changes size. Positions and sizes are layout units,
// kept as reals so that fractional moves add up.
#pragma once

#include "runtime/ui/object.h"
#include "runtime/value.h"

#include <string>
#include <vector>

namespace rt { class Control; }

// One registered control or shape.
struct pfc_n_cst_resizeattrib {
    rt::ObjectRef wo_control; // invalid: a free slot
    std::string s_classname;
    std::string s_typeof;
    bool b_scale = false;
    bool b_movex = false;
    bool b_movey = false;
    bool b_scalewidth = false;
    bool b_scaleheight = false;
    float r_x = 0, r_y = 0, r_width = 0, r_height = 0;
    int i_widthmin = 0, i_heightmin = 0;
    int i_movex = 0, i_movey = 0, i_scalewidth = 0, i_scaleheight = 0;
};

class pfc_n_cst_resize {
public:
    static constexpr const char* fixedright = "FixedToRight";
    static constexpr const char* fixedbottom = "FixedToBottom";
    static constexpr const char* fixedrightbottom = "FixedToRight&Bottom";
    static constexpr const char* scale = "Scale";
    static constexpr const char* scaleright = "ScaleToRight";
    static constexpr const char* scalebottom = "ScaleToBottom";
    static constexpr const char* scalerightbottom = "ScaleToRight&Bottom";
    static constexpr const char* fixedright_scalebottom = "FixedToRight&ScaleToBottom";
    static constexpr const char* fixedbottom_scaleright = "FixedToBottom&ScaleToRight";

    virtual ~pfc_n_cst_resize() = default;

    // Every operation answers 1, or -1 for a refusal.
    virtual int pfc_resize(unsigned long aul_sizetype, rt::nlong ai_newwidth, rt::nlong ai_newheight);
    int of_unregister(rt::WindowObject* awo_control);
    int of_register(rt::WindowObject* awo_control, const rt::nstring& as_method);
    int of_setminsize(rt::nlong ai_minwidth, rt::nlong ai_minheight);
    int of_setorigsize(rt::nlong ai_width, rt::nlong ai_height);
    int of_register(rt::WindowObject* awo_control, rt::nlong ai_movex, rt::nlong ai_movey,
                    rt::nlong ai_scalewidth, rt::nlong ai_scaleheight);
    int of_getminmaxpoints(const std::vector<rt::WindowObject*>& awo_control, int& ai_min_x, int& ai_min_y,
                           int& ai_max_x, int& ai_max_y);

protected:
    static constexpr const char* dragobject = "dragobject!";
    static constexpr const char* line = "line!";
    static constexpr const char* oval = "oval!";
    static constexpr const char* rectangle = "rectangle!";
    static constexpr const char* roundrectangle = "roundrectangle!";
    static constexpr const char* mdiclient = "mdiclient!";

    int of_register(rt::WindowObject* awo_control, rt::nbool ab_scale, rt::nlong ai_movex, rt::nlong ai_movey,
                    rt::nlong ai_scalewidth, rt::nlong ai_scaleheight);
    std::string of_typeof(rt::WindowObject* awo_control) const;
    int of_resize(rt::nlong ai_newwidth, rt::nlong ai_newheight);

    long il_parentminimumwidth = 0;
    long il_parentminimumheight = 0;
    long il_parentprevwidth = -1;
    long il_parentprevheight = -1;
    int ii_rounding = 5;
    std::vector<pfc_n_cst_resizeattrib> inv_registered;
};
