// The values of the command-bar control's enumerations, under the names the
// wrapper u_activebar and the windows that place it use. Each holder gets
// its own copy, as instance variables that nothing assigns.
#pragma once

struct activebar_enums {
    // caption position of a tool
    int ddcpstandard = 0, ddcpleft = 1, ddcpright = 2, ddcpabove = 3, ddcpbelow = 4, ddcpcenter = 5;
    // tool type
    int ddttbutton = 0, ddttbuttondropdown = 1, ddttcombobox = 2, ddttedit = 3, ddttlabel = 4, ddttseparator = 5,
        ddttcontrol = 6, ddttform = 7, ddttwindowlist = 8;
    // picture state
    int dditnormal = 0, ddithover = 1, dditdisabled = 2, dditpressed = 3;
    // tool style
    int ddsstandard = 0, ddstext = 1, ddsicon = 2, ddsicontext = 3;
    // child-band style
    int ddcbsnone = 0, ddcbstoolbartoptabs = 1, ddcbstoolbarbottomtabs = 2, ddcbsslidingtabs = 3, ddcbstoptabs = 4,
        ddcbsbottomtabs = 5, ddcbslefttabs = 6, ddcbsrighttabs = 7;
    // docking area
    int dddatop = 0, dddabottom = 1, dddaleft = 2, dddaright = 3, dddafloat = 4, dddapopup = 5;
    // grab-handle style
    int ddgsnone = 0, ddgsnormal = 1, ddgsdot = 2, ddgsslash = 3, ddgsstripe = 4, ddgsie = 5, ddgsflat = 6,
        ddgscaption = 7;
    // band flags: single bits
    int ddbfdocktop = 1, ddbfdockbottom = 2, ddbfdockleft = 4, ddbfdockright = 8, ddbffloat = 16, ddbfcustomize = 32,
        ddbfhide = 64, ddbfdetach = 128, ddbffixed = 256, ddbfstretch = 512, ddbfpopupflipup = 1024,
        ddbfsizer = 2048, ddbfclose = 4096, ddbfflat = 8192, ddbfexpand = 16384;
    // 3D font of child bands
    int dd3dnone = 0, dd3draisedlight = 1, dd3draisedheavy = 2, dd3dinsetlight = 3, dd3dinsetheavy = 4;
    // label style and bevel
    int ddlsnormal = 0, ddlsinsert = 1, ddlscapitallock = 2, ddlsnumberlock = 3, ddlsscrolllock = 4, ddlsdate = 5,
        ddlstime = 6;
    int ddlbflat = 0, ddlbraised = 1, ddlbinset = 2;
};
