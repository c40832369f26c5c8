// A reusable holder of the command-bar control that builds bars in code as
// well as from a layout file, and hands the control's tool and band events
// on as user events of its own. The frame hosts the control directly; only
// the command-bar test window places this wrapper.
#pragma once

#include "runtime/ui/commandbar.h"
#include "runtime/ui/controls.h"
#include "shell/activebar_enums.h"

#include <functional>
#include <string>
#include <vector>

class u_activebar : public rt::UserObject, public activebar_enums {
public:
    explicit u_activebar(rt::Container* parent, rt::Rect r = {0, 0, 343, 268});

    rt::PictureLoader ole_2{this, {151, 356, 155, 136}};
    rt::StaticText st_1{this, "Activebar", {37, 96, 279, 72}};
    rt::CommandBar ole_1{this, {0, 0, 343, 268}};

    void uf_load(const std::string& bandname, const std::string& data, long serializeoptions);
    // False when the band or the tool does not exist (nothing is set).
    bool uf_setstatuscaption(const std::string& bandname, const std::string& toolname, const std::string& caption);
    rt::CommandBand* uf_addband(const std::string& name, const std::string& caption, int dockingarea,
                                int grabhandlestyle);
    // Null when no band is given.
    rt::CommandChildBand* uf_addchildband(rt::CommandBand* band, const std::string& name, const std::string& caption);
    void uf_setfont3d(rt::CommandBand* band, int font3d);
    rt::CommandTool* uf_addtool(int id, const std::string& name, const std::string& caption, int cposition,
                                const std::string& category, int controltype, const std::string& picture,
                                int toolstyle, const std::string& tagvariant);
    // False when the child band is missing or no tool has the id.
    bool uf_inserttool(rt::CommandChildBand* childband, int toolsid);
    // The band's flags with the bit set, with the bit cleared, or replaced,
    // all in 16 bits as the bit service counts them.
    void uf_addflag(rt::CommandBand* band, int bandflag);
    void uf_removeflag(rt::CommandBand* band, int bandflag);
    void uf_setbandflag(rt::CommandBand* band, int bandflag);
    void uf_setlable(rt::CommandTool* object, int lablestyle, int lablebevel);
    void uf_insert(int olehandle, rt::CommandTool* object);
    // Sizes the wrapper and its control and fits `mdi` into the free area,
    // scaled by 0.306 across and 0.268 down.
    void uf_resize(int newwidth, int newheight, rt::MdiClient* mdi);
    // uf_resize's scaling of a free area (twips) to the client's place and size.
    static rt::Rect fit_rule(long left, long top, long width, long height);

    // The user events, for the window that places the wrapper.
    std::function<void(rt::CommandTool&)> ue_toolclick;
    std::function<void(rt::CommandBand&, bool& cancel)> ue_bandopen;
    std::function<void(rt::CommandBand&)> ue_bandclose, ue_bandmove, ue_banddock, ue_bandundock;
    std::function<void(rt::CommandBand&, std::vector<long>& widths, std::vector<long>& heights, long bandwidth,
                       long bandheight)>
        ue_bandresize;

    void constructor() override;
};
