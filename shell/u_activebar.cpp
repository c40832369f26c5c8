#include "shell/u_activebar.h"

#include "foundation/n_numerical.h"
#include "runtime/ui/units.h"

u_activebar::u_activebar(rt::Container* parent, rt::Rect r) : rt::UserObject(parent, r) {
    rt::Font label{"Arial", 9, 700, false, false, 0};
    st_1.set_font(label);
    st_1.set_textcolor(rt::RGB(0, 128, 0));
    st_1.set_backcolor(rt::RGB(255, 255, 255));
    ole_1.set_taborder(10);
    ole_2.set_taborder(20);
    // A double click reaches the window as a click.
    ole_1.on_toolclick = [this](rt::CommandTool& t) { if (ue_toolclick) ue_toolclick(t); };
    ole_1.on_tooldblclick = [this](rt::CommandTool& t) { if (ue_toolclick) ue_toolclick(t); };
    ole_1.on_bandopen = [this](rt::CommandBand& b, bool& cancel) { if (ue_bandopen) ue_bandopen(b, cancel); };
    ole_1.on_bandclose = [this](rt::CommandBand& b) { if (ue_bandclose) ue_bandclose(b); };
    ole_1.on_bandmove = [this](rt::CommandBand& b) { if (ue_bandmove) ue_bandmove(b); };
    ole_1.on_banddock = [this](rt::CommandBand& b) { if (ue_banddock) ue_banddock(b); };
    ole_1.on_bandundock = [this](rt::CommandBand& b) { if (ue_bandundock) ue_bandundock(b); };
    ole_1.on_bandresize = [this](rt::CommandBand& b, std::vector<long>& w, std::vector<long>& h, long bw, long bh) {
        if (ue_bandresize) ue_bandresize(b, w, h, bw, bh);
    };
}

void u_activebar::constructor() {
    st_1.Hide();
    ole_1.Move(0, 0);
    Move(0, 0);
    ole_1.Resize(width(), height());
}

void u_activebar::uf_load(const std::string& bandname, const std::string& data, long serializeoptions) {
    ole_1.load(bandname, data, serializeoptions);
    ole_1.recalclayout();
}

bool u_activebar::uf_setstatuscaption(const std::string& bandname, const std::string& toolname,
                                      const std::string& caption) {
    rt::CommandBand* band = ole_1.bands(bandname);
    rt::CommandTool* tool = band ? band->tools(toolname) : nullptr;
    if (!tool) return false;
    tool->set_caption(caption);
    return true;
}

rt::CommandBand* u_activebar::uf_addband(const std::string& name, const std::string& caption, int dockingarea,
                                         int grabhandlestyle) {
    rt::CommandBand* band = ole_1.bands().add(name);
    band->set_caption(caption);
    band->childbandstyle = ddcbsslidingtabs;
    band->set_dockingarea(dockingarea);
    band->grabhandlestyle = grabhandlestyle;
    return band;
}

rt::CommandChildBand* u_activebar::uf_addchildband(rt::CommandBand* band, const std::string& name,
                                                   const std::string& caption) {
    if (!band) return nullptr;
    rt::CommandChildBand* child = band->childbands().add(name);
    child->set_caption(caption);
    return child;
}

void u_activebar::uf_setfont3d(rt::CommandBand* band, int font3d) {
    if (band) band->childbands().set_childbandfont3d(font3d);
}

rt::CommandTool* u_activebar::uf_addtool(int id, const std::string& name, const std::string& caption, int cposition,
                                         const std::string& category, int controltype, const std::string& picture,
                                         int toolstyle, const std::string& tagvariant) {
    rt::CommandTool* tool = ole_1.tools().add(id, name);
    tool->set_caption(caption);
    tool->captionposition = cposition;
    tool->category = category;
    tool->controltype = controltype;
    tool->style = toolstyle;
    tool->tagvariant = tagvariant;
    tool->setpicture(dditnormal, ole_2.getpict(picture));
    return tool;
}

bool u_activebar::uf_inserttool(rt::CommandChildBand* childband, int toolsid) {
    rt::CommandTool* tool = ole_1.tools(static_cast<long>(toolsid));
    if (!childband || !tool) return false;
    childband->tools().insert(-1, tool);
    return true;
}

void u_activebar::uf_addflag(rt::CommandBand* band, int bandflag) {
    if (!band) return;
    n_numerical lnv_numerical;
    const rt::nint flags = static_cast<std::int16_t>(band->flags());
    band->set_flags(lnv_numerical.of_bitwiseor(flags, rt::nint(static_cast<std::int16_t>(bandflag))).value_or(0));
}

void u_activebar::uf_removeflag(rt::CommandBand* band, int bandflag) {
    if (!band) return;
    n_numerical lnv_numerical;
    const rt::nint complement = lnv_numerical.of_bitwisenot(rt::nint(static_cast<std::int16_t>(bandflag)));
    const rt::nint flags = static_cast<std::int16_t>(band->flags());
    band->set_flags(lnv_numerical.of_bitwiseand(flags, complement).value_or(0));
}

void u_activebar::uf_setbandflag(rt::CommandBand* band, int bandflag) {
    if (band) band->set_flags(bandflag);
}

void u_activebar::uf_setlable(rt::CommandTool* object, int lablestyle, int lablebevel) {
    if (!object) return;
    object->lablestyle = lablestyle;
    object->lablebevelstyle = lablebevel;
}

void u_activebar::uf_insert(int olehandle, rt::CommandTool* object) { ole_1.insert(olehandle, object); }

void u_activebar::uf_resize(int newwidth, int newheight, rt::MdiClient* mdi) {
    ole_1.Resize(newwidth, newheight);
    Resize(newwidth, newheight);
    if (!mdi) return;
    const rt::Rect r =
        fit_rule(ole_1.clientarealeft(), ole_1.clientareatop(), ole_1.clientareawidth(), ole_1.clientareaheight());
    mdi->Move(r.x, r.y);
    mdi->Resize(r.width, r.height);
}

rt::Rect u_activebar::fit_rule(long left, long top, long width, long height) {
    return {rt::scaled(left, 306), rt::scaled(top, 268), rt::scaled(width, 306), rt::scaled(height, 268)};
}
