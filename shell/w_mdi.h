// The client's main window: a maximised MDI frame in which every other
// window opens, as a sheet or as a modal window over it. Its command bars
// and status band come from velotra.tb3 beside the program; every command
// is a tool of those bars, dispatched by the tool's name.
#pragma once

#include "foundation/w_master.h"
#include "runtime/ui/commandbar.h"
#include "runtime/ui/controls.h"
#include "runtime/value.h"
#include "shell/lpsize.h"
#include "shell/m_taskbar.h"
#include "shell/tagrect.h"
#include "shell/xu_icontray.h"

#include <QPointer>

#include <memory>
#include <optional>
#include <string>

class QWidget;

class w_mdi : public w_master {
public:
    w_mdi();
    ~w_mdi() override;

    // The open frame, or null when none is open.
    static w_mdi* current();

    rt::MdiClient mdi_1{this};
    rt::CommandBar ole_1{this, {32, 24, 1317, 768}};

    std::string rightcornertext = "Version 5.0.1 Build 5001";

    // The top-up page, handed to the browser as it stands (leading blank included).
    static constexpr const char* topup_address = " http://pay.example.com/pay.htm";

    // What a tool does, chosen by its name; any name it does not know (the
    // empty one and null included) opens the about box.
    void wf_open_module(const rt::nstring& as_argument);
    // Draws the corner text into the bottom-right corner of the MDI client.
    void wf_paint(rt::MdiClient& mdi);
    // The self-update: 1 when the new executable is in place, -1 otherwise.
    int wf_update();

    // The frame's paint event: draws the corner text; the argument is not used.
    using w_master::paint;
    long paint(long hdc);
    // Window messages that no other event handles: before the user moves or
    // sizes the frame (the set-cursor message over its caption or a sizing
    // border) the corner text is drawn again once the message is handled.
    // The runtime raises no such event on this platform, so only its test
    // calls it: the corner text is a widget of the frame, which moves with
    // it and is drawn again by resize().
    long other(const std::optional<unsigned long>& wparam, long lparam);

    // The fitting rule: the command bar's free rectangle (twips) scaled by
    // 0.30 and 0.265 for the place and by 0.305 and 0.268 for the size, each
    // product taken to the nearest whole layout unit.
    static rt::Rect fit_rule(long left, long top, long width, long height);

    // Where the corner text goes in a client area: the black copy's box and
    // the cyan copy's box (which is also the one validated), given the
    // client's box and the text's size, all in pixels.
    struct corner_boxes {
        tagrect black;
        tagrect cyan;
    };
    static corner_boxes corner_text_boxes(const tagrect& client, const lpsize& text);

    // The boxes drawn by the last wf_paint (empty when nothing was drawn).
    const corner_boxes& painted_corner() const { return painted_; }

    // The notification-area icon and its menu, made while the frame opens.
    std::unique_ptr<xu_icontray> iuo_icontray;
    std::unique_ptr<m_taskbar> im_current;

    // A system command: a minimise hides the frame into its tray icon.
    long ue_syscommand(unsigned long commandtype, int xpos, int ypos);
    // The tray icon's mouse message in lparam.
    long ue_custom01(unsigned long wparam, long lparam);

protected:
    void open() override;
    void close() override;
    void pfc_preopen() override;
    void resize(unsigned long sizetype, int newwidth, int newheight) override;
    long syscommand(unsigned long commandtype, int xpos, int ypos) override;
    long usermessage(unsigned message, unsigned long wparam, long lparam) override;

private:
    void wf_load_layout();
    // Places mdi_1 in the command bar's free rectangle by the fitting rule.
    void wf_fit_mdi();
    // Opens a sheet of this frame filling its MDI client.
    void wf_open_sheet(rt::Window& sheet);
    void ole_1_toolclick(rt::CommandTool& tool);
    void ole_1_bandclose();
    void ole_1_bandmove();
    void ole_1_resize();

    class CornerText;
    QPointer<CornerText> corner_;
    corner_boxes painted_{};
};
