// The command-bar control: bands of tools docked along the edges of its own
// area, loaded from a layout file or built in code, and the free rectangle
// that the bands leave, in which a frame puts its MDI client.
//
// Object model, as the windows use it:
//   bar.load("", "D:\\app\\velotra.tb3", 1)     a layout file (format below)
//   bar.bands("StatusBar")->tools("lb_name")->set_caption("UNKNOW")
//   bar.clientarealeft() .. clientareaheight()  the free rectangle, in twips
//   bar.on_toolclick = [](rt::CommandTool& t) { ... t.name ... };
//
// A band docked at the top or the bottom is a tool bar of tool buttons
// (picture above caption), one docked at the left or right a column of
// them; a band with child bands shows them as sliding pages, one open at a
// time; the band named "StatusBar" is a row of labels, one per tool. The
// bar lies beneath its sibling controls, so that an MDI client placed in
// the free rectangle is never covered by it.
//
// The events come after the bands have been laid out again, so the client
// area already holds the new layout when a handler reads it.
//
// Layout file: an INI text (GBK) read with the runtime's profile-string
// reader.
//   [Layout]
//   Bands=Commands,StatusBar          band names, in docking order
//   [Band:Commands]
//   Caption=常用工具
//   Dock=top                          top, bottom, left or right
//   Flags=4111                        band flags (CommandBand::flag_*), optional
//   Tools=Tool_excel,Tool_msg         tool names, in order
//   [Tool:Tool_excel]
//   Caption=短信群发                   required: a tool without it is undefined
//   Picture=res\tool_excel.png         optional, a program path
//   Id=1                              optional, else the tool's place in the file
// Anything else in the file is ignored. A file that cannot be read, holds no
// band, names an unknown dock side or a tool that it does not define, or
// names a band twice, is refused whole: load answers -1 and the bar keeps
// what it held.
#pragma once

#include "runtime/commandbar_layout.h"
#include "runtime/ui/control.h"

#include <QIcon>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace rt {

class CommandBar;
class CommandBand;

// A picture object for a tool: made by PictureLoader::getpict.
struct ToolPicture {
    std::string file;
    QIcon icon; // null when the file could not be read
};

class CommandTool {
public:
    long id = 0;
    std::string name;
    std::string category;
    std::string tagvariant;
    int captionposition = 0;
    int controltype = 0;
    int style = 0;
    int lablestyle = 0;
    int lablebevelstyle = 0;

    const std::string& caption() const { return caption_; }
    // Shows at once wherever the tool is shown.
    void set_caption(const std::string& caption);
    // Picture states 0 to 3 (normal, hover, disabled, pressed); the bar
    // shows the normal one. Answers 1, -1 for a state outside them.
    int setpicture(int state, const ToolPicture& picture);
    const ToolPicture& picture(int state = 0) const { return pictures_[state < 0 || state > 3 ? 0 : state]; }

private:
    friend class CommandBar;
    friend class CommandBand;
    friend class CommandTools;
    explicit CommandTool(CommandBar& bar) : bar_(bar) {}
    CommandBar& bar_;
    std::string caption_;
    ToolPicture pictures_[4];
};

// The tools of a child band.
class CommandToolList {
public:
    // Adds a tool at a position from 0; -1 or beyond the end appends.
    int insert(int position, CommandTool* tool);
    CommandTool* operator()(const std::string& name) const;
    const std::vector<CommandTool*>& items() const { return tools_; }

private:
    friend class CommandBand;
    friend class CommandChildBand;
    explicit CommandToolList(CommandBand& band) : band_(band) {}
    CommandBand& band_;
    std::vector<CommandTool*> tools_;
};

class CommandChildBand {
public:
    std::string name;
    const std::string& caption() const { return caption_; }
    void set_caption(const std::string& caption);
    CommandToolList& tools() { return tools_; }

private:
    friend class CommandBand;
    friend class CommandChildBands;
    explicit CommandChildBand(CommandBand& band) : band_(band), tools_(band) {}
    CommandBand& band_;
    std::string caption_;
    CommandToolList tools_;
};

// The child bands of a band and what applies to all of them.
class CommandChildBands {
public:
    CommandChildBand* add(const std::string& name);
    CommandChildBand* operator()(const std::string& name) const;
    std::size_t count() const { return bands_.size(); }
    CommandChildBand* at(std::size_t i) const { return i < bands_.size() ? bands_[i].get() : nullptr; }

    void set_childbandfont3d(int v);
    void set_backcolor(std::int64_t rgb);
    void set_childbandbackgroundstyle(int v);
    void set_childbandcaptionalignment(int v);
    void set_forecolor(std::int64_t rgb);
    void set_toolforecolor(std::int64_t rgb);
    int childbandfont3d = 0;
    std::int64_t backcolor = -1, forecolor = 0, toolforecolor = 0; // -1: the desktop's colour
    int childbandbackgroundstyle = 0, childbandcaptionalignment = 0;

private:
    friend class CommandBand;
    explicit CommandChildBands(CommandBand& band) : band_(band) {}
    CommandBand& band_;
    std::vector<std::unique_ptr<CommandChildBand>> bands_;
};

class CommandBand {
public:
    // Band flags: the n-th is bit n.
    static constexpr int flag_docktop = 1, flag_dockbottom = 2, flag_dockleft = 4, flag_dockright = 8,
                         flag_float = 16, flag_customize = 32, flag_hide = 64, flag_detach = 128,
                         flag_fixed = 256, flag_stretch = 512, flag_popupflipup = 1024, flag_sizer = 2048,
                         flag_close = 4096, flag_flat = 8192, flag_expand = 16384;

    std::string name;
    const std::string& caption() const { return caption_; }
    void set_caption(const std::string& caption);
    DockingArea dockingarea() const { return dock_; }
    void set_dockingarea(int area);
    int flags() const { return flags_; }
    void set_flags(int flags);
    int childbandstyle = 0;
    int grabhandlestyle = 0;
    bool visible() const { return visible_; }

    // The band's own tools, by name; null when it has none of that name.
    CommandTool* tools(const std::string& name) const;
    const std::vector<CommandTool*>& tool_list() const { return tools_; }
    CommandChildBands& childbands() { return childbands_; }

    // What the user does through the band's menu (a right click on the
    // band): each raises its event once the bands have been laid out again.
    // close needs flag_close (or flag_hide); move_to a dock side whose flag
    // the band has. False when refused. The menu of every band shown also
    // offers the closed bands again ("显示" + caption), and it offers no
    // close for the last band shown, which nothing could bring back.
    bool close();
    bool move_to(DockingArea area);
    // Shows a closed band again, unless the band-open handler cancels.
    bool open();

    // The band's widget (for tests and pictures); null until laid out.
    QWidget* widget() const;

private:
    friend class CommandBar;
    friend class CommandBands;
    explicit CommandBand(CommandBar& bar) : bar_(bar), childbands_(*this) {}
    void changed();
    CommandBar& bar_;
    std::string caption_;
    DockingArea dock_ = DockingArea::top;
    int flags_ = flag_docktop | flag_dockbottom | flag_dockleft | flag_dockright | flag_close;
    bool visible_ = true;
    std::vector<CommandTool*> tools_;
    CommandChildBands childbands_;
    friend class CommandChildBands;
    friend class CommandChildBand;
    friend class CommandToolList;
};

// The collection of bands.
class CommandBands {
public:
    CommandBand* add(const std::string& name);
    CommandBand* operator()(const std::string& name) const;
    std::size_t count() const;
    CommandBand* at(std::size_t i) const;

private:
    friend class CommandBar;
    explicit CommandBands(CommandBar& bar) : bar_(bar) {}
    CommandBar& bar_;
};

// The collection of all tools of the bar.
class CommandTools {
public:
    CommandTool* add(long id, const std::string& name);
    CommandTool* operator()(const std::string& name) const;
    CommandTool* operator()(long id) const;
    std::size_t count() const;

private:
    friend class CommandBar;
    explicit CommandTools(CommandBar& bar) : bar_(bar) {}
    CommandBar& bar_;
};

class CommandBar : public Control {
public:
    explicit CommandBar(Container* parent, Rect r = {0, 0, 1317, 768});
    ~CommandBar() override;

    // Loads a layout file (program path). An empty band name loads the whole
    // layout in place of the present one; a band name loads that band only.
    // 1, or -1 when the file is refused (the bar keeps what it held).
    int load(const std::string& bandname, const std::string& file, long serializeoptions);
    // The same from a layout text in memory.
    int load_text(const std::string& bandname, const std::string& text);
    void recalclayout();
    // Whatever the caller hands over is kept; nothing more is fixed.
    int insert(int olehandle, CommandTool* object);

    CommandBands& bands() { return bands_; }
    CommandBand* bands(const std::string& name) const { return bands_(name); }
    CommandTools& tools() { return tools_; }
    CommandTool* tools(long id) const { return tools_(id); }

    // The free rectangle, in twips (15 to a pixel).
    long clientarealeft() const { return area_left_; }
    long clientareatop() const { return area_top_; }
    long clientareawidth() const { return area_width_; }
    long clientareaheight() const { return area_height_; }

    // A click on a tool's button, as the user gives it.
    void click(CommandTool& tool);
    void dblclick(CommandTool& tool);

    std::function<void(CommandTool&)> on_toolclick, on_tooldblclick;
    std::function<void(CommandBand&, bool& cancel)> on_bandopen;
    std::function<void(CommandBand&)> on_bandclose, on_bandmove, on_banddock, on_bandundock;
    std::function<void(CommandBand&, std::vector<long>& widths, std::vector<long>& heights, long bandwidth,
                       long bandheight)>
        on_bandresize;
    // The layout changed: the arguments are the free rectangle, in twips.
    std::function<void(long left, long top, long width, long height)> on_resize;

    void resized(unsigned long sizetype, int newwidth, int newheight) override;

private:
    friend class CommandBand;
    friend class CommandBands;
    friend class CommandTools;
    friend class CommandTool;
    friend class CommandChildBands;
    class BandView;
    void rebuild();
    void rebuild_quietly();
    void layout();
    void tool_caption_changed(CommandTool& tool);

    CommandBands bands_;
    CommandTools tools_;
    std::vector<std::unique_ptr<CommandBand>> band_store_;
    std::vector<std::unique_ptr<CommandTool>> tool_store_;
    std::vector<CommandTool*> inserted_;
    std::vector<BandView*> views_;
    long area_left_ = 0, area_top_ = 0, area_width_ = 0, area_height_ = 0;
    bool building_ = false;
    bool notify_ = true; // off while a band event of its own is on its way
    static constexpr int hint_width_floor = 96;
};

// The hidden picture loader that turns a picture file into a picture object
// for a tool.
class PictureLoader : public Control {
public:
    explicit PictureLoader(Container* parent, Rect r = {0, 0, 155, 136});
    // A file that cannot be read gives a picture without an icon.
    ToolPicture getpict(const std::string& file) const;
};

} // namespace rt
