// A status bar: parts with right edges in pixels (-1 reaching the end of
// the bar), a text in each part, and a simple one-part mode.
#pragma once

#include "runtime/ui/controls.h"
#include "runtime/value.h"

#include <string>
#include <vector>

class uo_comctl_statusbar : public rt::UserObject {
public:
    explicit uo_comctl_statusbar(rt::Container* parent, rt::Rect r = {0, 0, 850, 76});

    struct rect {
        long left = 0, top = 0, right = 0, bottom = 0;
    };

    long wm_user = 1024;
    long sb_settext = 1025;
    long sb_gettext = 1026;
    long sb_gettextlength = 1027;
    long sb_setparts = 1028;
    long sb_getparts = 1030;
    long sb_getborders = 1031;
    long sb_setminheight = 1032;
    long sb_simple = 1033;
    long sb_getrect = 1034;
    long sbt_noborders = 256;
    long sbt_popout = 512;
    long sbt_rtlreading = 1024;
    long sbt_ownerdraw = 4096;

    // The whole stored text of the part ("" for a part without text).
    void of_gettext(int aipart, std::string& astext);
    long of_getparts(std::vector<long>& alparts);
    bool of_setparts(const std::vector<long>& alparts);
    bool of_settext(int aipart, const std::string& astext);
    bool of_setsimple(rt::nbool absimple);
    void of_setminheight(long alminheight);
    int of_gettextlength(long alpart);
    bool of_getrect(long alpart, long& altop, long& alleft, long& alright, long& albottom);
    bool of_getborders(long& alhorizontalwidth, long& alverticalwidth, int& alseperatorwidth);

    void paint(QPainter& p) override;

private:
    // The bar's own message handling, standing in for the common control.
    long send(long msg, unsigned long wparam, void* lparam);

    std::vector<long> parts_{-1};
    std::vector<std::string> texts_{""};
    std::string simple_text_;
    bool simple_ = false;
    long minheight_ = 0;
};
