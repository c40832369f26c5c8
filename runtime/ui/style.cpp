#include "runtime/ui/style.h"

#include <QApplication>
#include <QPalette>

namespace rt {
namespace {

// Installed faces that stand in for the designed ones: a Latin face first,
// then a CJK face so that Chinese text in a Latin-designed control renders.
// Face names are compared as GBK bytes, ASCII letters lower-cased.
QStringList families_for(const std::string& face) {
    std::string f = face;
    for (char& c : f)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    static const QString sans_cjk = "Noto Sans CJK SC";
    static const QString serif_cjk = "Noto Serif CJK SC";
    if (f == "宋体" || f == "新宋体" || f == "simsun" || f == "nsimsun") return {serif_cjk, "DejaVu Serif"};
    if (f == "黑体" || f == "simhei" || f == "微软雅黑") return {sans_cjk, "DejaVu Sans"};
    if (f == "courier" || f == "courier new" || f == "fixedsys")
        return {"DejaVu Sans Mono", "Noto Sans Mono CJK SC"};
    if (f == "times new roman" || f == "ms serif")
        return {"DejaVu Serif", serif_cjk};
    // "MS Sans Serif", "Arial", "Tahoma", "System" and anything unknown.
    return {"DejaVu Sans", sans_cjk};
}

} // namespace

QFont qfont(const Font& f) {
    QFont q;
    q.setFamilies(families_for(f.face));
    q.setPointSize(f.points > 0 ? f.points : 8);
    q.setWeight(f.weight >= 600 ? QFont::Bold : QFont::Normal);
    q.setItalic(f.italic);
    q.setUnderline(f.underline);
    return q;
}

QColor qcolor(std::int64_t code) {
    if (code >= 0 && code < (1 << 24))
        return QColor(static_cast<int>(code & 0xFF), static_cast<int>((code >> 8) & 0xFF),
                      static_cast<int>((code >> 16) & 0xFF));
    const QPalette pal = QApplication::palette();
    switch (code) {
    case colours::window_text: return pal.color(QPalette::WindowText);
    case colours::button_face: return QColor(236, 233, 216);
    case colours::app_workspace: return QColor(171, 171, 171);
    case colours::window_background:
    case 1090519039: return QColor(255, 255, 255);
    case 81324524: return QColor(236, 233, 216); // button face as the icon painter names it
    case 80263581: return QColor(236, 233, 216); // the static texts' face colour
    case 134217728: return pal.color(QPalette::Highlight);
    case colours::transparent: return QColor(0, 0, 0, 0);
    default: return QColor(236, 233, 216);
    }
}

} // namespace rt
