// The developer's test window of the command-bar wrapper: a layout file with
// a status band, and a side bar built in code of three sliding child bands
// of three tools each; a click on a tool shows the tool's tag.
#pragma once

#include "runtime/ui/window.h"
#include "runtime/value.h"
#include "shell/activebar_enums.h"
#include "shell/u_activebar.h"

class w_outlook final : public rt::Window, public activebar_enums {
public:
    w_outlook();

    // The layout the window loads; tests point it at a fixture.
    static std::string& layout_path();

    u_activebar uo_1{this, {37, 32, 562, 1564}};

    rt::nint ii_uniqueid = -1;

    // Hands out the next tool id: a null id first becomes -1.
    int wf_getuniqueid(rt::nint& ai_id);

    void open() override;
    void uo_1_ue_toolclick(rt::CommandTool& tool);
};
