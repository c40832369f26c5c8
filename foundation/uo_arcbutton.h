// The picture button with rounded corners and a hover picture.
#pragma once

#include "runtime/ui/controls.h"

#include <memory>
#include <string>

class QEvent;
class QObject;

namespace rt { class Window; }

class uo_arcbutton : public rt::PictureButton {
public:
    explicit uo_arcbutton(rt::Container* parent, const std::string& text = "none", rt::Rect r = {0, 0, 462, 160});

    void constructor() override;
    void mousemove(unsigned long flags, int xpos, int ypos) override;
    void lbuttondown(unsigned long flags, int xpos, int ypos) override;
    void lbuttonup(unsigned long flags, int xpos, int ypos) override;
    void mouseleave() override;
    int of_getparentwindow(rt::Window*& aw_parent) const;

    // Whether the button holds the mouse (hovered) at the moment.
    bool has_capture() const { return captured_; }

    std::string is_event;

private:
    // The rounded outline (left, top, right, bottom in pixels, corner
    // ellipse) as a widget mask: outside it nothing is drawn and no mouse
    // input reaches the button.
    unsigned long createroundrectrgn(int nleftrect, int ntoprect, int nrightrect, int nbottomrect,
                                     int nwidthellipse, int nheightellipse);
    unsigned long setwindowrgn(unsigned long hrgn, bool bredraw);
    long setcapture();
    long releasecapture();
    bool getcapture() const { return captured_; }

    // While the button holds the mouse, every movement over its window
    // reaches it, as a capture gives it, even where its outline lets none
    // through; leaving the window counts as a movement outside.
    class Capture;
    friend class Capture;
    void captured_event(QObject* obj, QEvent* e);

    std::string is_oripic;
    long il_downtime = 0;
    long il_downtimes = 0;
    int il_arcl = 3;
    int il_arct = 3;
    int il_arcw = 5;
    int il_arch = 5;
    int il_reducew = 8;
    int il_reduceh = 7;
    std::string is_focuspic = "res\\BtnFocus.jpg";
    bool captured_ = false;
    std::unique_ptr<QObject> capture_;
};
